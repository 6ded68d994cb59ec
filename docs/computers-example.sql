-- Computer types and computers for the store of an installation.
-- Run against a store that the program has opened once (it creates the tables):
--   sqlite3 /path/to/veldrake.sqlite < computers-example.sql
-- Existing entries with the same type or number are overwritten.
BEGIN;

INSERT INTO rechnertyp (RTyp, Name) VALUES ('F', 'Filiale')
    ON CONFLICT (RTyp) DO UPDATE SET Name = excluded.Name;
INSERT INTO rechnertyp (RTyp, Name) VALUES ('K', 'Kasse')
    ON CONFLICT (RTyp) DO UPDATE SET Name = excluded.Name;
INSERT INTO rechnertyp (RTyp, Name) VALUES ('Z', 'Zentrale')
    ON CONFLICT (RTyp) DO UPDATE SET Name = excluded.Name;

-- Master = 1: the computer that receives the data of its site; only these
-- are offered when a saved setting is assigned to computer numbers.
INSERT INTO rechner (RNr, Name, RTyp, Master) VALUES (1, 'Zentrale Hauptrechner', 'Z', 1)
    ON CONFLICT (RNr) DO UPDATE SET Name = excluded.Name, RTyp = excluded.RTyp, Master = excluded.Master;
INSERT INTO rechner (RNr, Name, RTyp, Master) VALUES (101, 'Filiale Nord', 'F', 1)
    ON CONFLICT (RNr) DO UPDATE SET Name = excluded.Name, RTyp = excluded.RTyp, Master = excluded.Master;
INSERT INTO rechner (RNr, Name, RTyp, Master) VALUES (102, 'Filiale Süd', 'F', 1)
    ON CONFLICT (RNr) DO UPDATE SET Name = excluded.Name, RTyp = excluded.RTyp, Master = excluded.Master;
INSERT INTO rechner (RNr, Name, RTyp, Master) VALUES (201, 'Kasse 1 Filiale Nord', 'K', 0)
    ON CONFLICT (RNr) DO UPDATE SET Name = excluded.Name, RTyp = excluded.RTyp, Master = excluded.Master;
INSERT INTO rechner (RNr, Name, RTyp, Master) VALUES (202, 'Kasse 1 Filiale Süd', 'K', 0)
    ON CONFLICT (RNr) DO UPDATE SET Name = excluded.Name, RTyp = excluded.RTyp, Master = excluded.Master;

-- A computer that is gone:
-- DELETE FROM rechner WHERE RNr = 202;

COMMIT;
