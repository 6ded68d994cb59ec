// The way back: versions and deleted settings restored, a confirmation's
// assignments set back or refused, each restore recorded itself.
#include "RecordingPresenter.h"
#include "TempStore.h"

#include "host/core/KRNError.h"
#include "host/core/VerlaufWiederherstellen.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString Einstellung(TempStore& store)
{
    QSqlQuery query(store.Store().Database());
    EXPECT_TRUE(query.exec(u"SELECT Beschreibung, Einstellungen FROM fidefile WHERE Bezeichnung = 'S'"_s));
    return query.next() ? query.value(0).toString() + u"|"_s + query.value(1).toString() : u"fehlt"_s;
}

QStringList Zuordnungen(TempStore& store)
{
    QSqlQuery query(store.Store().Database());
    EXPECT_TRUE(query.exec(u"SELECT Bezeichnung, RTyp, RNr FROM fikofile ORDER BY Bezeichnung, RTyp, RNr"_s));
    QStringList zeilen;
    while (query.next()) {
        zeilen << u"%1 %2%3"_s.arg(query.value(0).toString(), query.value(1).toString().trimmed(),
                                   query.value(2).toString());
    }
    return zeilen;
}

// The oldest entry of the kind.
TVerlaufEintrag Aeltester(TStore& store, const QString& art)
{
    const QList<TVerlaufEintrag> eintraege = VerlaufLesen(store, {});
    for (auto it = eintraege.crbegin(); it != eintraege.crend(); ++it) {
        if (it->Art == art) {
            return *it;
        }
    }
    ADD_FAILURE() << "no entry " << art.toStdString();
    return {};
}

QString Ortszeit(const QDateTime& utc)
{
    return utc.toLocalTime().toString(u"dd.MM.yyyy HH:mm:ss"_s);
}

// Spaces kept: the settings text comes back exactly as it was stored.
const QString kAnlegen = u"INSERT INTO fidefile VALUES ('ABIL', 'S', 'alt', '{ \"GroesseBreite\": 1024 }')"_s;
const QString kAendern =
    u"UPDATE fidefile SET Beschreibung = 'neu', Einstellungen = '{\"GroesseBreite\":800}'"_s;
const QString kLoeschen = u"DELETE FROM fidefile"_s;
const QString kAlt = u"alt|{ \"GroesseBreite\": 1024 }"_s;

} // namespace

TEST(VerlaufWiederherstellen, AVersionOrADeletedSettingComesBackAskedBeforeOverwritingAndRecorded)
{
    struct TFall
    {
        const char* name;
        QStringList vorher;
        const char* quelle;
        QList<int> antworten;
        TWiederherstellung ergebnis;
        QList<int> fragen;
        QString danach;
        const char* aenderung; // the store's own row of the restore
    };
    const QList<TFall> faelle = {
        {"Fassung, Ja",
         {kAnlegen, kAendern},
         "einstellung_angelegt",
         {mrYes},
         TWiederherstellung::Wiederhergestellt,
         {1040},
         kAlt,
         "einstellung_geaendert"},
        {"Fassung, Nein",
         {kAnlegen, kAendern},
         "einstellung_angelegt",
         {mrNo},
         TWiederherstellung::Abgelehnt,
         {1040},
         u"neu|{\"GroesseBreite\":800}"_s,
         nullptr},
        {"gelöscht",
         {kAnlegen, kLoeschen},
         "einstellung_geloescht",
         {},
         TWiederherstellung::Wiederhergestellt,
         {},
         kAlt,
         "einstellung_angelegt"},
        {"gelöscht und anders neu angelegt, Ja",
         {kAnlegen, kLoeschen, u"INSERT INTO fidefile VALUES ('ABIL', 'S', 'anders', '{}')"_s},
         "einstellung_geloescht",
         {mrYes},
         TWiederherstellung::Wiederhergestellt,
         {1040},
         kAlt,
         "einstellung_geaendert"},
        {"die jetzige Fassung",
         {kAnlegen, kAendern},
         "einstellung_geaendert",
         {},
         TWiederherstellung::Unveraendert,
         {},
         u"neu|{\"GroesseBreite\":800}"_s,
         nullptr},
    };
    for (const TFall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        TempStore store;
        for (const QString& sql : fall.vorher) {
            InEinheit(store.Store(), {sql});
        }
        const TVerlaufEintrag quelle = Aeltester(store.Store(), QString::fromLatin1(fall.quelle));
        ASSERT_TRUE(FassungWiederherstellbar(quelle));
        const int zeilen = store.Count(u"SELECT COUNT(*) FROM verlauf"_s);
        RecordingPresenter presenter;
        for (int antwort : fall.antworten) {
            presenter.Answer(antwort);
        }
        EXPECT_EQ(FassungWiederherstellen(store.Store(), quelle.Id), fall.ergebnis);
        EXPECT_EQ(presenter.Numbers(), fall.fragen);
        EXPECT_EQ(Einstellung(store), fall.danach);
        const QList<TVerlaufEintrag> eintraege = VerlaufLesen(store.Store(), {});
        if (!fall.aenderung) {
            EXPECT_EQ(eintraege.size(), zeilen);
            continue;
        }
        ASSERT_EQ(eintraege.size(), zeilen + 2);
        EXPECT_EQ(VerlaufText(eintraege[0]),
                  u"Einstellung „S“ wiederhergestellt aus der Fassung vom "_s + Ortszeit(quelle.Zeit));
        EXPECT_EQ(eintraege[1].Art, QString::fromLatin1(fall.aenderung));
        EXPECT_EQ(eintraege[0].Arbeitseinheit, eintraege[1].Arbeitseinheit);
        EXPECT_EQ(eintraege[1].Nachher.value(u"Einstellungen"_s).toString(),
                  u"{ \"GroesseBreite\": 1024 }"_s);
    }
}

TEST(VerlaufWiederherstellen, ASettingChangedWhileTheQuestionIsOpenIsAskedAgainNeverOverwrittenSilently)
{
    struct TFall
    {
        const char* name;
        int zweiteAntwort;
        QString danach;
    };
    for (const TFall& fall : {TFall{"Ja", mrYes, kAlt}, TFall{"Nein", mrNo, u"dazwischen|{}"_s}}) {
        SCOPED_TRACE(fall.name);
        TempStore store;
        InEinheit(store.Store(), {kAnlegen});
        InEinheit(store.Store(), {kAendern});
        RecordingPresenter presenter;
        presenter.Answer(mrYes);
        presenter.Answer(fall.zweiteAntwort);
        presenter.WhileMeldungShown = [&] {
            if (presenter.Meldungen.size() == 1) {
                InEinheit(store.Store(),
                          {u"UPDATE fidefile SET Beschreibung = 'dazwischen', Einstellungen = '{}'"_s});
            }
        };
        FassungWiederherstellen(store.Store(), Aeltester(store.Store(), u"einstellung_angelegt"_s).Id);
        EXPECT_EQ(presenter.Numbers(), (QList<int>{1040, 1040}));
        EXPECT_EQ(Einstellung(store), fall.danach);
    }
}

TEST(VerlaufWiederherstellen, AConfirmationIsSetBackUnlessAComputerWouldServeTwoSettings)
{
    struct TFall
    {
        const char* name;
        QStringList danach; // after the confirmation, before the reset
        int geaendert;      // -1: refused
        QString meldung;    // a part of the refusal
        QStringList zuordnungen;
    };
    const QString zuB = u"INSERT INTO fikofile VALUES ('ABIL', 'B', ' ', 101)"_s;
    const QList<TFall> faelle = {
        {"zurückgesetzt", {}, 3, {}, {u"S 101"_s, u"S K0"_s}},
        {"teils schon zurück", {u"DELETE FROM fikofile WHERE RNr = 102"_s}, 2, {}, {u"S 101"_s, u"S K0"_s}},
        {"Rechner inzwischen bei B",
         {zuB},
         -1,
         u"Rechner 101 (Artikelbilder): Einstellung „B“"_s,
         {u"B 101"_s, u"S 102"_s}},
        {"Rechnertyp inzwischen bei B",
         {u"INSERT INTO fikofile VALUES ('ABIL', 'B', 'K', 0)"_s},
         -1,
         u"Rechnertyp K (Artikelbilder): Einstellung „B“"_s,
         {u"B K0"_s, u"S 102"_s}},
        {"Einstellung gelöscht",
         {u"DELETE FROM fikofile WHERE Bezeichnung = 'S'"_s,
          u"DELETE FROM fidefile WHERE Bezeichnung = 'S'"_s},
         -1,
         u"die Einstellung „S“ nicht mehr"_s,
         {}},
    };
    for (const TFall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        TempStore store;
        InEinheit(store.Store(),
                  {u"INSERT INTO fidefile VALUES ('ABIL', 'S', '', '{}'), ('ABIL', 'B', '', '{}')"_s,
                   u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 101), ('ABIL', 'S', 'K', 0)"_s});
        QString bestaetigung;
        {
            TStoreTransaction transaktion(store.Store());
            bestaetigung = store.Store().UnitOfWork();
            store.Exec(u"DELETE FROM fikofile WHERE Bezeichnung = 'S'"_s);
            store.Exec(u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 102)"_s);
            transaktion.Commit();
        }
        InEinheit(store.Store(), fall.danach);
        const int zeilen = store.Count(u"SELECT COUNT(*) FROM verlauf"_s);
        if (fall.geaendert < 0) {
            try {
                ArbeitseinheitZuruecksetzen(store.Store(), bestaetigung);
                ADD_FAILURE() << "not refused";
            } catch (const KRNException& e) {
                EXPECT_TRUE(e.Message().contains(fall.meldung)) << e.Message().toStdString();
            }
            EXPECT_EQ(store.Count(u"SELECT COUNT(*) FROM verlauf"_s), zeilen);
        } else {
            EXPECT_EQ(ArbeitseinheitZuruecksetzen(store.Store(), bestaetigung), fall.geaendert);
            const QList<TVerlaufEintrag> eintraege = VerlaufLesen(store.Store(), {});
            ASSERT_EQ(eintraege.size(), zeilen + fall.geaendert + 1);
            EXPECT_TRUE(VerlaufText(eintraege[0]).startsWith(u"Zuordnungen der Bestätigung vom "_s))
                << VerlaufText(eintraege[0]).toStdString();
            EXPECT_EQ(eintraege[0].Nachher.value(u"Arbeitseinheit"_s).toString(), bestaetigung);
        }
        EXPECT_EQ(Zuordnungen(store), fall.zuordnungen);
    }
}

TEST(VerlaufWiederherstellen, AnEntryWithoutAVersionOrAssignmentsIsRefused)
{
    TempStore store;
    InEinheit(store.Store(), {u"INSERT INTO fidefile VALUES ('ABIL', 'S', '', '{}')"_s,
                              u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 101)"_s});
    const TVerlaufEintrag zuordnung = Aeltester(store.Store(), u"zuordnung_hinzu"_s);
    EXPECT_FALSE(FassungWiederherstellbar(zuordnung));
    EXPECT_TRUE(ArbeitseinheitZuruecksetzbar(zuordnung));
    EXPECT_THROW(FassungWiederherstellen(store.Store(), zuordnung.Id), KRNException);
    EXPECT_THROW(ArbeitseinheitZuruecksetzen(store.Store(), u"keine"_s), KRNException);
}
