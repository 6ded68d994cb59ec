// veldrake-admin end to end: the real executable on a real store file.

#include "BildTestSupport.h"
#include "ServerPaar.h"
#include "TempStore.h"
#include "TestBackend.h"
#include "data/MainDM.h"
#include "host/core/KOMMFilter.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QSysInfo>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct TLauf
{
    int ExitCode = -1;
    QString Ausgabe;
    QString Fehler;
    QJsonObject Json() const { return QJsonDocument::fromJson(Ausgabe.toUtf8()).object(); }
};

class AdminTest : public ::testing::Test
{
protected:
    TLauf Starten(const QStringList& argumente, const QString& programm = QString::fromUtf8(VELDRAKE_ADMIN))
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"VELDRAKE_STORE"_s, m_store.Path());
        process.setProcessEnvironment(env);
        process.start(programm, argumente);
        EXPECT_TRUE(process.waitForFinished(60000));
        return TLauf{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                     QString::fromUtf8(process.readAllStandardError())};
    }

    QString Datei(const QString& name, const QByteArray& inhalt)
    {
        const QString pfad = m_store.Dir() + u"/"_s + name;
        QDir().mkpath(QFileInfo(pfad).path());
        DateiSchreiben(pfad, inhalt);
        return pfad;
    }

    void EinstellungSpeichern(const QString& name, int breite, int hoehe, int verlust)
    {
        TABILKommFilter filter(TABILKommFilter::Filter_Kennung(), name);
        filter.GroesseBreite = breite;
        filter.GroesseHoehe = hoehe;
        filter.Qualitaetsverlust = verlust;
        filter.FilterSave();
    }

    TempStore m_store;
};

TEST_F(AdminTest, ImportExplainAndTransferForAllComputers)
{
    const TLauf import =
        Starten({u"import-computers"_s, Datei(u"rechner.csv"_s, "Rechnertyp;F;Filiale\n"
                                                                "Rechnertyp;K;Kasse\n"
                                                                "Rechner;101;Nord;F;1\n"
                                                                "Rechner;102;Süd;F;1\n"
                                                                "Rechner;103;Ost;F;1\n"
                                                                "Rechner;201;Kasse Nord;K\n")});
    ASSERT_EQ(import.ExitCode, 0) << import.Fehler.toStdString();

    // A setting for the type F, another for the number 101 of that type.
    TdtmKOMMFilter dtm;
    dtm.RunCreateHandler();
    dtm.BuchenAktivitaet(u"ABIL"_s, true);
    EinstellungSpeichern(u"KLEIN"_s, 200, 0, 128);   // 50 %
    EinstellungSpeichern(u"MITTEL"_s, 400, 400, 64); // 75 %
    dtm.BuchenKommunikation(u"ABIL"_s, u"KLEIN"_s, u'F', 0, true);
    dtm.BuchenKommunikation(u"ABIL"_s, u"MITTEL"_s, u' ', 101, true);

    const QJsonObject erklaert = Starten({u"explain"_s, u"--json"_s}).Json();
    QHash<int, QString> einstellung, grund;
    for (const QJsonValue& rechner : erklaert[u"rechner"_s].toArray()) {
        const QJsonObject abil = rechner[u"filter"_s][u"ABIL"_s].toObject();
        einstellung.insert(rechner[u"rnr"_s].toInt(), abil[u"einstellung"_s].toString());
        grund.insert(rechner[u"rnr"_s].toInt(), abil[u"grund"_s].toString());
    }
    EXPECT_EQ(einstellung,
              (QHash<int, QString>{{101, u"MITTEL"_s}, {102, u"KLEIN"_s}, {103, u"KLEIN"_s}, {201, {}}}));
    EXPECT_EQ(grund,
              (QHash<int, QString>{{101, u"rnr"_s}, {102, u"rtyp"_s}, {103, u"rtyp"_s}, {201, u"keine"_s}}));
    EXPECT_TRUE(Starten({u"explain"_s, u"--rnr"_s, u"101"_s})
                    .Ausgabe.contains(u"ABIL: MITTEL (Einstellung der Rechnernummer; überschreibt KLEIN des Rechnertyps F): "
                                      "höchstens 400 × 400 Pixel, Qualität 75 %"_s));

    QMap<QString, QByteArray> bilder;
    for (const QString& name : {u"1.jpg"_s, u"2.jpg"_s, u"3.jpg"_s}) {
        bilder.insert(name, AlsJpeg(TestBild(QSize(800, 600)), 95));
        Datei(u"in/"_s + name, bilder[name]);
    }
    const QString aus = m_store.Dir() + u"/aus"_s;
    const TLauf transfer = Starten({u"transfer"_s, u"--kind"_s, u"ABIL"_s, u"--all"_s, u"--in"_s,
                                    m_store.Dir() + u"/in"_s, u"--out"_s, aus, u"--json"_s});
    ASSERT_EQ(transfer.ExitCode, 0) << transfer.Fehler.toStdString();
    EXPECT_TRUE(transfer.Fehler.isEmpty()) << "no progress bar off a terminal";
    const QJsonObject summe = transfer.Json();
    EXPECT_EQ(summe[u"einstellungen"_s].toInt(), 3); // MITTEL, KLEIN, unfiltered
    EXPECT_EQ(summe[u"verarbeitet"_s].toInt(), 9);   // each image once per setting
    EXPECT_EQ(summe[u"rechner"_s].toArray().size(), 4);

    struct
    {
        int RNr;
        QSize Groesse;
        int Qualitaet; // 0: passed on byte for byte
    } const erwartet[] = {
        {101, {400, 300}, 75}, {102, {200, 150}, 50}, {103, {200, 150}, 50}, {201, {800, 600}, 0}};
    for (const auto& fall : erwartet) {
        const QDir ordner(aus + u"/"_s + QString::number(fall.RNr));
        EXPECT_EQ(ordner.entryList(QDir::Files), QStringList(bilder.keys())) << fall.RNr;
        for (const QString& name : bilder.keys()) {
            const QByteArray daten = DateiLesen(ordner.filePath(name));
            EXPECT_EQ(Groesse(daten), fall.Groesse) << fall.RNr << name.toStdString();
            if (fall.Qualitaet == 0) {
                EXPECT_EQ(daten, bilder[name]) << fall.RNr;
            } else {
                EXPECT_EQ(JpegQualitaetLesen(daten), fall.Qualitaet) << fall.RNr;
            }
        }
    }
}

TEST_F(AdminTest, BadComputerListImportsNothing)
{
    const TLauf lauf = Starten({u"import-computers"_s, Datei(u"rechner.csv"_s, "Rechnertyp;F;Filiale\n"
                                                                               "Rechner;101;Nord;F\n"
                                                                               "Rechner;abc;Süd;F\n")});
    EXPECT_EQ(lauf.ExitCode, 3);
    EXPECT_TRUE(lauf.Fehler.contains(u"Zeile 3"_s)) << lauf.Fehler.toStdString();
    EXPECT_EQ(m_store.Count(u"SELECT COUNT(*) FROM rechner"_s), 0);
    EXPECT_EQ(m_store.Count(u"SELECT COUNT(*) FROM rechnertyp"_s), 0);
}

TEST_F(AdminTest, ExitCodesScriptsRelyOn)
{
    Starten({u"import-computers"_s, Datei(u"rechner.csv"_s, "Rechnertyp;F;Filiale\nRechner;101;Nord;F\n")});
    const QString gut = Datei(u"in/gut.jpg"_s, AlsJpeg(TestBild(QSize(100, 80))));
    const QString kaputt = Datei(u"in/kaputt.jpg"_s, "kein Bild");
    const QString aus = m_store.Dir() + u"/aus"_s;
    TdtmKOMMFilter dtm;
    dtm.RunCreateHandler();
    dtm.BuchenAktivitaet(u"ABIL"_s, true);
    EinstellungSpeichern(u"KLEIN"_s, 50, 0, 0);
    dtm.BuchenKommunikation(u"ABIL"_s, u"KLEIN"_s, u'F', 0, true);

    const struct
    {
        QStringList Argumente;
        int ExitCode;
        QString Meldung; // part of stderr
    } faelle[] = {
        {{u"--help"_s}, 0, {}},
        {{u"transfer"_s, u"--kind"_s, u"ABIL"_s, u"--rnr"_s, u"101"_s, u"--out"_s, aus, gut}, 0, {}},
        {{u"transfer"_s, u"--kind"_s, u"ABIL"_s, u"--rnr"_s, u"101"_s, u"--out"_s, aus, gut, kaputt},
         1,
         u"kaputt.jpg"_s},
        {{u"gibtsnicht"_s}, 2, u"unbekannter Befehl"_s},
        {{u"transfer"_s, u"--kind"_s, u"ABIL"_s, u"--out"_s, aus, gut}, 2, u"--rnr"_s},
        {{u"transfer"_s, u"--kind"_s, u"ABIL"_s, u"--rnr"_s, u"999"_s, u"--out"_s, aus, gut}, 3, u"999"_s},
        {{u"transfer"_s, u"--kind"_s, u"ABIL"_s, u"--all"_s, u"--out"_s, aus}, 3, u"keine Bilder"_s},
        {{u"--store"_s, gut + u"/x.sqlite"_s, u"explain"_s}, 4, {}},
        {{u"transfer"_s, u"--kind"_s, u"ABIL"_s, u"--all"_s, u"--out"_s, gut, gut}, 5, {}},
    };
    for (const auto& fall : faelle) {
        const TLauf lauf = Starten(fall.Argumente);
        EXPECT_EQ(lauf.ExitCode, fall.ExitCode) << fall.Argumente.join(u' ').toStdString() << "\n"
                                                << lauf.Fehler.toStdString();
        EXPECT_TRUE(lauf.Fehler.contains(fall.Meldung)) << lauf.Fehler.toStdString();
    }
    EXPECT_EQ(Groesse(DateiLesen(aus + u"/101/gut.jpg"_s)), QSize(50, 40));
}

// On a primary with a standby: the two-host address books on the primary;
// on the standby, reading commands work and writing ones exit 4 with the
// standby named as the reason.
TEST_F(AdminTest, OnAStandbyReadingCommandsWorkAndWritingOnesExitFour)
{
    if (!TServerPaar::Verfuegbar()) {
        GTEST_SKIP() << "needs the throwaway server's primary and standby (scripts/with-postgres.sh)";
    }
    TServerPaar paar;
    const QString rechner = Datei(u"rechner.csv"_s, "Rechnertyp;F;Filiale\nRechner;101;Nord;F\n");
    const QString beide = u"postgresql://veldrake@/postgres?host=%1,%2&target_session_attrs=read-write"_s.arg(
        paar.Standby(), paar.Primary());
    const QString standby =
        u"host=%1 dbname=postgres user=veldrake target_session_attrs=standby"_s.arg(paar.Standby());
    const TLauf gebucht = Starten({u"--store"_s, beide, u"import-computers"_s, rechner});
    ASSERT_EQ(gebucht.ExitCode, 0) << gebucht.Fehler.toStdString();

    const struct
    {
        QStringList Argumente;
        int ExitCode;
        QString Ausgabe; // part of stdout, or of stderr when it fails
    } faelle[] = {
        {{u"explain"_s, u"--rnr"_s, u"101"_s}, 0, u"101"_s},
        {{u"export"_s, u"--computers"_s}, 0, u"Nord"_s},
        {{u"report"_s, u"--json"_s}, 0, u"101"_s},
        {{u"import-computers"_s, rechner}, 4, u"Lesekopie des Servers"_s},
    };
    for (const auto& fall : faelle) {
        const TLauf lauf = Starten(QStringList{u"--store"_s, standby} + fall.Argumente);
        EXPECT_EQ(lauf.ExitCode, fall.ExitCode) << fall.Argumente.join(u' ').toStdString() << "\n"
                                                << lauf.Fehler.toStdString();
        EXPECT_TRUE((fall.ExitCode == 0 ? lauf.Ausgabe : lauf.Fehler).contains(fall.Ausgabe))
            << lauf.Ausgabe.toStdString() << lauf.Fehler.toStdString();
    }
}

// A copy of the program with no lib/veldrake beside its folder: a transfer
// ends with its own code and names the module; what needs no images runs.
TEST_F(AdminTest, TransferWithoutTheImageModuleEndsWithItsOwnCode)
{
    const QString programm = m_store.Dir() + u"/bin/veldrake-admin"_s;
    QDir().mkpath(m_store.Dir() + u"/bin"_s);
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(VELDRAKE_ADMIN), programm));
    const QString gut = Datei(u"in/gut.jpg"_s, AlsJpeg(TestBild(QSize(100, 80))));
    const QString aus = m_store.Dir() + u"/aus"_s;

    EXPECT_EQ(Starten({u"import-computers"_s,
                       Datei(u"rechner.csv"_s, "Rechnertyp;F;Filiale\nRechner;101;Nord;F\n")},
                      programm)
                  .ExitCode,
              0);
    const TLauf lauf = Starten(
        {u"transfer"_s, u"--kind"_s, u"ABIL"_s, u"--rnr"_s, u"101"_s, u"--out"_s, aus, gut}, programm);
    EXPECT_EQ(lauf.ExitCode, 6);
    EXPECT_TRUE(lauf.Fehler.contains(u"Die Bildbearbeitung kann nicht geladen werden: "_s + m_store.Dir() +
                                     u"/lib/veldrake/libveldrake_bilder.so"_s))
        << lauf.Fehler.toStdString();
    EXPECT_FALSE(QFileInfo::exists(aus + u"/101/gut.jpg"_s));
}

// Every row of a file store, the host's computer tables included, table by
// table in key order.
QStringList Zeilen(const QString& ort)
{
    const auto store = TStore::Open(ort);
    QStringList zeilen;
    for (const TStoreTable& table : TStore::Schema()) {
        QSqlQuery query =
            store->Prepare(u"SELECT %1 FROM %2 ORDER BY %1"_s.arg(table.Columns.join(u", "_s), table.Name));
        store->Run(query);
        while (query.next()) {
            QStringList werte;
            for (int i = 0; i < table.Columns.size(); ++i) {
                werte << query.value(i).toString();
            }
            zeilen << table.Name + u": "_s + werte.join(u" | "_s);
        }
    }
    return zeilen;
}

TEST_F(AdminTest, StoreCopyIntoAnEmptyServerDatabaseAndNeverIntoAFilledOne)
{
    const QString ziel = TestBackend::NewServerDatabase();
    if (ziel.isEmpty()) {
        GTEST_SKIP() << "needs the test server (scripts/with-postgres.sh)";
    }
    ASSERT_EQ(Starten({u"import-computers"_s,
                       Datei(u"r.csv"_s, "Rechnertyp;Ä;Äußere \"Filialen\"\nRechner;7;O'Brien;Ä;1\n")})
                  .ExitCode,
              0);
    EinstellungSpeichern(u"ÖL ÜBER ÄPFEL"_s, 640, 480, 128);
    EinstellungSpeichern(u"IT'S \"QUOTED\""_s, 0, 0, 0);
    m_store.Exec(u"INSERT INTO fikofile VALUES ('ABIL', '', ' ', 0), ('ABIL', 'ÖL ÜBER ÄPFEL', 'Ä', 0),"
                 " ('ABIL', 'IT''S \"QUOTED\"', ' ', 7)"_s);

    const TLauf kopie = Starten({u"store"_s, u"copy"_s, m_store.Path(), ziel});
    ASSERT_EQ(kopie.ExitCode, 0) << kopie.Fehler.toStdString();
    EXPECT_TRUE(kopie.Ausgabe.contains(u"fikofile: 3 Zeilen"_s)) << kopie.Ausgabe.toStdString();
    EXPECT_EQ(Zeilen(ziel), Zeilen(m_store.Path()));
    // and the history of the import, the two settings and the three assignments
    EXPECT_EQ(Zeilen(ziel).size(), 2 + 3 + 1 + 1 + 6);

    // A second copy into the filled target is refused and changes nothing.
    const TLauf nochmal = Starten({u"store"_s, u"copy"_s, m_store.Path(), ziel});
    EXPECT_EQ(nochmal.ExitCode, 3);
    EXPECT_TRUE(nochmal.Fehler.contains(u"nicht leer"_s)) << nochmal.Fehler.toStdString();
    EXPECT_EQ(Zeilen(ziel), Zeilen(m_store.Path()));
    // A source that does not exist is refused, not created.
    EXPECT_EQ(Starten({u"store"_s, u"copy"_s, m_store.Dir() + u"/fehlt.sqlite"_s, ziel}).ExitCode, 3);
    EXPECT_FALSE(QFileInfo::exists(m_store.Dir() + u"/fehlt.sqlite"_s));
    TestBackend::Discard(ziel);
}

} // namespace

TEST_F(AdminTest, HistoryInWordsNewestFirstFilteredAndPruned)
{
    {
        TStoreTransaction transaktion(m_store.Store());
        EinstellungSpeichern(u"Klein"_s, 1024, 768, 0);
        m_store.Exec(u"INSERT INTO fikofile VALUES ('ABIL', '', ' ', 0), ('ABIL', 'Klein', ' ', 101)"_s);
        transaktion.Commit();
    }
    {
        TStoreTransaction transaktion(m_store.Store());
        TABILKommFilter filter(TABILKommFilter::Filter_Kennung(), u"Klein"_s);
        ASSERT_TRUE(filter.FilterLoad());
        filter.GroesseBreite = 800;
        filter.FilterSave();
        m_store.Exec(u"DELETE FROM fikofile WHERE Bezeichnung = ''"_s);
        transaktion.Commit();
    }
    const TLauf alles = Starten({u"history"_s});
    ASSERT_EQ(alles.ExitCode, 0) << alles.Fehler.toStdString();
    const QStringList zeilen = alles.Ausgabe.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(zeilen.size(), 5) << alles.Ausgabe.toStdString();
    const struct
    {
        int zeile;
        QString text;
    } erwartet[] = {
        {0, u"ABIL: Filterart Artikelbilder ausgeschaltet"_s},
        {1, u"ABIL „Klein“: max. Breite: 1024 → 800"_s},
        {2, u"ABIL „Klein“: Rechner 101 zugeordnet"_s},
        {3, u"ABIL: Filterart Artikelbilder eingeschaltet"_s},
        {4, u"ABIL „Klein“: Einstellung „Klein“ angelegt"_s},
    };
    for (const auto& e : erwartet) {
        EXPECT_TRUE(zeilen[e.zeile].endsWith(e.text)) << zeilen[e.zeile].toStdString();
        EXPECT_TRUE(zeilen[e.zeile].contains(u"@"_s + QSysInfo::machineHostName()));
    }
    const TLauf rechner = Starten({u"history"_s, u"--rnr"_s, u"101"_s, u"--json"_s});
    const QJsonArray json = rechner.Json().value(u"verlauf"_s).toArray();
    ASSERT_EQ(json.size(), 1);
    EXPECT_EQ(json[0].toObject().value(u"art"_s).toString(), u"zuordnung_hinzu"_s);
    EXPECT_EQ(json[0].toObject().value(u"programm"_s).toString(), u"test_admin"_s);
    EXPECT_EQ(Starten({u"history"_s, u"--until"_s, u"2000-01-01"_s}).Ausgabe, QString());
    EXPECT_EQ(Starten({u"history"_s, u"--since"_s, u"gestern"_s}).ExitCode, 2);

    const QString morgen = QDate::currentDate().addDays(1).toString(Qt::ISODate);
    const TLauf kuerzen = Starten({u"history"_s, u"prune"_s, u"--before"_s, morgen});
    EXPECT_EQ(kuerzen.ExitCode, 0) << kuerzen.Fehler.toStdString();
    EXPECT_TRUE(kuerzen.Ausgabe.startsWith(u"5 Einträge vor dem"_s));
    const TLauf danach = Starten({u"history"_s});
    EXPECT_TRUE(danach.Ausgabe.contains(u"veldrake-admin"_s));
    EXPECT_TRUE(danach.Ausgabe.trimmed().endsWith(u"gekürzt: 5 Einträge entfernt"_s)) << danach.Ausgabe.toStdString();
}

namespace {

// Export, dry run and import as scripts see them: exit codes, stdout and files.
TEST_F(AdminTest, ExportImportAndReportExitCodes)
{
    Starten({u"import-computers"_s, Datei(u"rechner.csv"_s, "Rechnertyp;F;Filiale\nRechner;101;Nord;F\n")});
    TdtmKOMMFilter dtm;
    dtm.RunCreateHandler();
    dtm.BuchenAktivitaet(u"ABIL"_s, true);
    EinstellungSpeichern(u"KLEIN"_s, 320, 240, 100);
    dtm.BuchenKommunikation(u"ABIL"_s, u"KLEIN"_s, u'F', 0, true);
    const QString export_ = m_store.Dir() + u"/export.json"_s;
    ASSERT_EQ(Starten({u"export"_s, export_}).ExitCode, 0);
    const QByteArray exportiert = DateiLesen(export_);
    EXPECT_EQ(Starten({u"export"_s}).Ausgabe.toUtf8(), exportiert) << "stdout and file alike";
    const QString geaendert =
        Datei(u"geaendert.json"_s, QByteArray(exportiert).replace("\"GroesseBreite\": 320", "\"GroesseBreite\": 640"));
    const QString kaputt = Datei(u"kaputt.json"_s, exportiert.left(exportiert.size() / 2));
    const QString karte = Datei(u"karte.csv"_s, "Rechner;101;abc\n");
    const QString html = m_store.Dir() + u"/bericht.html"_s;

    const struct
    {
        QStringList Argumente;
        int ExitCode;
        QString Ausgabe; // part of stdout, or of stderr for a failure
    } faelle[] = {
        {{u"import"_s, export_, u"--dry-run"_s}, 0, {}},
        {{u"import"_s, geaendert, u"--dry-run"_s}, 1, u"max. Breite: 320 → 640"_s},
        {{u"import"_s, kaputt, u"--dry-run"_s}, 3, u"kaputt.json, Zeile"_s},
        {{u"import"_s, export_, u"--map"_s, karte}, 3, u"karte.csv, Zeile 1"_s},
        {{u"import"_s}, 2, u"genau eine Datei"_s},
        {{u"export"_s, u"--kind"_s, u"XXXX"_s}, 2, u"XXXX"_s},
        {{u"report"_s}, 2, u"--html"_s},
        {{u"report"_s, u"--html"_s, html}, 0, {}},
        {{u"report"_s, u"--json"_s}, 0, u"\"wirkung\": \"höchstens 320 × 240 Pixel, Qualität 61 %\""_s},
        {{u"import"_s, geaendert}, 0, u"1 Einstellungen und 0 Zuordnungen importiert."_s},
        {{u"import"_s, geaendert, u"--dry-run"_s}, 0, {}},
    };
    for (const auto& fall : faelle) {
        const TLauf lauf = Starten(fall.Argumente);
        EXPECT_EQ(lauf.ExitCode, fall.ExitCode) << fall.Argumente.join(u' ').toStdString() << "\n"
                                                << lauf.Fehler.toStdString();
        EXPECT_TRUE((fall.ExitCode > 1 ? lauf.Fehler : lauf.Ausgabe).contains(fall.Ausgabe))
            << fall.Argumente.join(u' ').toStdString() << "\n" << lauf.Ausgabe.toStdString() << lauf.Fehler.toStdString();
    }
    EXPECT_TRUE(DateiLesen(html).startsWith("<!DOCTYPE html>"));
}

} // namespace
