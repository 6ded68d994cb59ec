// The filter data module on the real store: booking rules, the filter list and
// the consistency check.
#include "RecordingPresenter.h"
#include "TempStore.h"

#include "data/MainDM.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QChar kBlank = QLatin1Char(' ');

class DataModuleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearKOMMFilterRegistry();
        RegisterKOMMFilterEditor(u"ABIL"_s, u"Artikelbilder"_s, TABILKommFilter::ClassRef(), nullptr);
        RegisterKOMMFilterEditor(u"KBIL"_s, u"Katalogbilder"_s, TKBILKommFilter::ClassRef(), nullptr);
        dtm.RunCreateHandler();
    }
    void TearDown() override { ClearKOMMFilterRegistry(); }

    // The saved settings that assignments refer to (the store refuses
    // assignments of settings that do not exist).
    void Settings(const QStringList& keys)
    {
        for (const QString& key : keys) {
            const QStringList parts = key.split(u'/');
            store.Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('%1', '%2') ON CONFLICT DO NOTHING"_s.arg(
                parts[0], parts[1]));
        }
    }

    int Rows(const QString& where = u"1 = 1"_s)
    {
        return store.Count(u"SELECT count(*) FROM fikofile WHERE "_s + where);
    }

    bool Check(const QString& bez, QChar rtyp, qint32 rnr, QString* used = nullptr, bool onOff = true)
    {
        QString u = u"unverändert"_s;
        const bool ok = dtm.BuchenKommunikationPruefenKonsistenz(u"ABIL"_s, bez, rtyp, rnr, onOff, u);
        if (used) {
            *used = u;
        }
        return ok;
    }

    RecordingPresenter presenter;
    TempStore store;
    TdtmKOMMFilter dtm;
};

} // namespace

TEST_F(DataModuleTest, ActivityBookingIsIdempotentAndKeepsSettings)
{
    dtm.BuchenAktivitaet(u"ABIL"_s, true);
    dtm.BuchenAktivitaet(u"ABIL"_s, true);
    EXPECT_EQ(Rows(), 1);
    store.Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('ABIL', 'S1')"_s);
    dtm.BuchenKommunikation(u"ABIL"_s, u"S1"_s, QLatin1Char('A'), 0, true);

    dtm.BuchenAktivitaet(u"ABIL"_s, false);
    EXPECT_EQ(Rows(u"Bezeichnung = ''"_s), 0);
    EXPECT_EQ(Rows(), 1) << "switching off keeps the assignments";
    dtm.BuchenAktivitaet(u"ABIL"_s, false);
    EXPECT_EQ(Rows(), 1);
    dtm.BuchenAktivitaet(u"ABIL"_s, true);
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(store.Count(u"SELECT count(*) FROM fidefile"_s), 1);
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(DataModuleTest, AssignmentBookingIsIdempotent)
{
    Settings({u"ABIL/S1"_s});
    dtm.BuchenKommunikation(u"ABIL"_s, u"S1"_s, kBlank, 5, false);
    EXPECT_EQ(Rows(), 0);
    dtm.BuchenKommunikation(u"ABIL"_s, u"S1"_s, kBlank, 5, true);
    dtm.BuchenKommunikation(u"ABIL"_s, u"S1"_s, kBlank, 5, true);
    EXPECT_EQ(Rows(u"RNr = 5 AND RTyp = ' '"_s), 1);
    dtm.BuchenKommunikation(u"ABIL"_s, u"S1"_s, kBlank, 5, false);
    EXPECT_EQ(Rows(), 0);
}

TEST_F(DataModuleTest, FilterListHoldsActivityRecordsOnly)
{
    dtm.RefreshFilterList();
    EXPECT_TRUE(dtm.FilterList.isEmpty());

    dtm.BuchenKommunikation(u"ABIL"_s, u"S1"_s, QLatin1Char('A'), 0, true);
    dtm.BuchenAktivitaet(u"KBIL"_s, true);
    dtm.BuchenAktivitaet(u"ZZZ"_s, true);
    dtm.BuchenAktivitaet(u"ABIL"_s, true);
    dtm.RefreshFilterList();
    ASSERT_EQ(dtm.FilterList.size(), 3);
    EXPECT_EQ(dtm.FilterList[0].Kennung, u"ABIL"_s);
    EXPECT_EQ(dtm.FilterList[0].Bezeichnung, u"Artikelbilder"_s);
    EXPECT_EQ(dtm.FilterList[0].Klasse, TABILKommFilter::ClassRef());
    EXPECT_EQ(dtm.FilterList[0].Editor, nullptr);
    EXPECT_EQ(dtm.FilterList[1].Kennung, u"KBIL"_s);
    EXPECT_EQ(dtm.FilterList[2].Kennung, u"ZZZ"_s);
    EXPECT_EQ(dtm.FilterList[2].Bezeichnung, QString()) << "an unregistered kind has no name";
    EXPECT_EQ(dtm.FilterList[2].Klasse, nullptr);

    dtm.BuchenAktivitaet(u"KBIL"_s, false);
    EXPECT_EQ(dtm.FilterList.size(), 3) << "booking does not refresh the list";
    dtm.RefreshFilterList();
    EXPECT_EQ(dtm.FilterList.size(), 2);
}

TEST_F(DataModuleTest, SavedSettingExistsOnlyUnderItsOwnKind)
{
    store.Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('KBIL', 'MUSTER')"_s);
    EXPECT_TRUE(dtm.BuchenEinstellungenPruefen(u"KBIL"_s, u"MUSTER"_s));
    EXPECT_FALSE(dtm.BuchenEinstellungenPruefen(u"ABIL"_s, u"MUSTER"_s));
    EXPECT_FALSE(dtm.BuchenEinstellungenPruefen(u"KBIL"_s, u"Muster"_s));
}

TEST_F(DataModuleTest, ConsistencyCheckFindsOtherSettingsOfTheSameComputer)
{
    Settings({u"ABIL/S1"_s, u"KBIL/S9"_s});
    dtm.BuchenKommunikation(u"ABIL"_s, u"S1"_s, QLatin1Char('A'), 0, true);
    dtm.BuchenKommunikation(u"ABIL"_s, u"S1"_s, kBlank, 7, true);
    dtm.BuchenKommunikation(u"KBIL"_s, u"S9"_s, QLatin1Char('B'), 0, true);

    QString used;
    EXPECT_TRUE(Check(u"S1"_s, QLatin1Char('A'), 0, &used)) << "own rows pass";
    EXPECT_EQ(used, QString());
    EXPECT_FALSE(Check(u"S2"_s, QLatin1Char('A'), 0, &used));
    EXPECT_EQ(used, u"S1"_s);
    EXPECT_FALSE(Check(u"s1"_s, kBlank, 7, &used)) << "names differing in case are other settings";
    EXPECT_EQ(used, u"S1"_s);

    EXPECT_TRUE(Check(u"S2"_s, QLatin1Char('B'), 0)) << "other kinds do not count";
    EXPECT_TRUE(Check(u"S2"_s, QLatin1Char('C'), 0));
    EXPECT_TRUE(Check(u"S2"_s, kBlank, 8)) << "another number is free";
    dtm.BuchenKommunikation(u"ABIL"_s, u"S1"_s, kBlank, 3, true);
    EXPECT_TRUE(Check(u"S2"_s, QLatin1Char('Z'), 0)) << "a type check does not see numbers";

    EXPECT_TRUE(Check(u"S2"_s, QLatin1Char('A'), 0, &used, false)) << "removing is always allowed";
    EXPECT_EQ(used, QString());
}

TEST_F(DataModuleTest, ConsistencyCheckWithoutComputerComparesEveryRowOfTheKind)
{
    dtm.BuchenAktivitaet(u"ABIL"_s, true);
    QString used = u"x"_s;
    EXPECT_FALSE(Check(u"S1"_s, kBlank, 0, &used));
    EXPECT_EQ(used, QString()) << "the activity record decides with its empty name";
    EXPECT_FALSE(Check(u"S1"_s, kBlank, -4, &used)) << "no number filter at or below 0";
}

TEST_F(DataModuleTest, TheStoreRefusesASecondSettingForOneComputer)
{
    Settings({u"ABIL/S1"_s, u"ABIL/S2"_s, u"KBIL/S2"_s});
    dtm.BuchenKommunikation(u"ABIL"_s, u"S1"_s, kBlank, 7, true);
    dtm.BuchenKommunikation(u"ABIL"_s, u"S2"_s, kBlank, 7, true);
    EXPECT_EQ(Rows(u"RNr = 7"_s), 1);
    EXPECT_EQ(presenter.ErrorLocations(), QStringList{u"TdtmKOMMFilter.BuchenKommunikation"_s});
    dtm.BuchenKommunikation(u"KBIL"_s, u"S2"_s, kBlank, 7, true);
    EXPECT_EQ(Rows(u"RNr = 7"_s), 2) << "the rule holds per kind";
}

TEST_F(DataModuleTest, FailuresAreReportedWithTheirLocationAndSafeResults)
{
    dtm.RunDestroyHandler(); // tables closed: every operation fails inside its guard
    presenter.Meldungen.clear();
    dtm.BuchenAktivitaet(u"ABIL"_s, true);
    EXPECT_FALSE(dtm.BuchenEinstellungenPruefen(u"ABIL"_s, u"X"_s));
    QString used = u"x"_s;
    EXPECT_TRUE(dtm.BuchenKommunikationPruefenKonsistenz(u"ABIL"_s, u"S"_s, kBlank, 1, true, used));
    EXPECT_EQ(used, QString());
    EXPECT_EQ(
        presenter.ErrorLocations(),
        (QStringList{u"TdtmKOMMFilter.BuchenAktivitaet"_s, u"TdtmKOMMFilter.BuchenEinstellungenPruefen"_s,
                     u"TdtmKOMMFilter.BuchenKommunikationPruefenKonsistenz"_s}));
    EXPECT_EQ(presenter.Errors.size(), 3) << "the user is told";
}

TEST_F(DataModuleTest, VersionWindowShowsTitleAndVersions)
{
    dtm.VersionsInfo(nullptr);
    ASSERT_EQ(presenter.Versions.size(), 1);
    EXPECT_EQ(presenter.Versions[0].Title, u"Filter für den Datenaustausch"_s);
    EXPECT_TRUE(presenter.Versions[0].Text.contains(u"1.0.0.0"_s));
    EXPECT_TRUE(presenter.Versions[0].Text.contains(u"17.09.01"_s));
}

// The check for the whole tree answers as the check for one entry at a time,
// in tree order (types before numbers), on the same rows.
TEST_F(DataModuleTest, ConsistencyCheckOfTheTreeAnswersAsEntryByEntry)
{
    Settings({u"ABIL/S1"_s, u"ABIL/S2"_s, u"ABIL/S3"_s, u"KBIL/S9"_s});
    dtm.BuchenAktivitaet(u"ABIL"_s, true);
    dtm.BuchenKommunikation(u"ABIL"_s, u"S1"_s, QLatin1Char('C'), 0, true);
    dtm.BuchenKommunikation(u"ABIL"_s, u"S1"_s, kBlank, 7, true);
    dtm.BuchenKommunikation(u"ABIL"_s, u"S3"_s, QLatin1Char('B'), 0, true);
    dtm.BuchenKommunikation(u"ABIL"_s, u"S3"_s, kBlank, 9, true);
    dtm.BuchenKommunikation(u"ABIL"_s, u"S2"_s, QLatin1Char('A'), 0, true);
    dtm.BuchenKommunikation(u"KBIL"_s, u"S9"_s, QLatin1Char('A'), 0, true);

    const QChar a = QLatin1Char('A'), b = QLatin1Char('B'), c = QLatin1Char('C');
    struct Fall
    {
        const char* name;
        TRechnerMarken marken;
        const char* expected; // "T:X/used", "N:n/used" or "" for none
    };
    const Fall faelle[] = {
        {"own and other kinds' rows pass", {{{a, true}}, {{8, true}}}, ""},
        {"unmarked entries are not checked", {{{b, false}, {c, false}}, {{7, false}, {9, false}}}, ""},
        {"first marked type in tree order", {{{a, true}, {c, true}, {b, true}}, {{7, true}}}, "T:C/S1"},
        {"types before numbers", {{{b, true}}, {{9, true}, {7, true}}}, "T:B/S3"},
        {"numbers in tree order", {{{a, true}}, {{9, true}, {7, true}}}, "N:9/S3"},
        {"a blank type compares every row", {{{a, true}, {kBlank, true}}, {}}, "T: /"},
        {"a number at or below 0 compares every row", {{}, {{8, true}, {0, true}}}, "N:0/"},
    };
    const auto text = [](QChar rtyp, qint32 rnr, bool typ, const QString& used) {
        return (typ ? u"T:"_s + rtyp : u"N:"_s + QString::number(rnr)) + u'/' + used;
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        const std::optional<TRechnerKonflikt> konflikt =
            dtm.BuchenKommunikationPruefenKonsistenz(u"ABIL"_s, u"S2"_s, fall.marken);
        const QString found =
            konflikt ? text(konflikt->RTyp, konflikt->RNr, konflikt->TypEintrag, konflikt->UsedBezeichung)
                     : QString();
        EXPECT_EQ(found.toStdString(), fall.expected);

        QString entryByEntry;
        for (const auto& [rtyp, mark] : fall.marken.RTypen) {
            QString used;
            if (entryByEntry.isEmpty() && !Check(u"S2"_s, rtyp, 0, &used, mark)) {
                entryByEntry = text(rtyp, 0, true, used);
            }
        }
        for (const auto& [rnr, mark] : fall.marken.RNummern) {
            QString used;
            if (entryByEntry.isEmpty() && !Check(u"S2"_s, kBlank, rnr, &used, mark)) {
                entryByEntry = text(kBlank, rnr, false, used);
            }
        }
        EXPECT_EQ(found, entryByEntry);
    }
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

// Booking the tree removes the unmarked entries' rows, adds the marked ones,
// keeps rows of entries the tree does not list, and lets a rule violation
// fail the whole booking instead of leaving the entry out.
TEST_F(DataModuleTest, BookingTheTreeAddsMarkedRemovesUnmarkedAndRefusesAViolation)
{
    Settings({u"ABIL/S1"_s, u"ABIL/S2"_s});
    for (const QChar rtyp : {QLatin1Char('A'), QLatin1Char('B')}) {
        dtm.BuchenKommunikation(u"ABIL"_s, u"S2"_s, rtyp, 0, true);
    }
    for (const qint32 rnr : {7, 8}) {
        dtm.BuchenKommunikation(u"ABIL"_s, u"S2"_s, kBlank, rnr, true);
    }
    dtm.BuchenKommunikation(u"ABIL"_s, u"S1"_s, QLatin1Char('D'), 0, true);
    const TRechnerMarken marken{{{QLatin1Char('A'), false}, {QLatin1Char('C'), true}},
                                {{7, true}, {9, true}, {10, false}}};
    dtm.BuchenKommunikation(u"ABIL"_s, u"S2"_s, marken);
    dtm.BuchenKommunikation(u"ABIL"_s, u"S2"_s, marken); // again: nothing changes
    EXPECT_EQ(store.Count(u"SELECT count(*) FROM fikofile WHERE Bezeichnung = 'S2' AND ((RTyp IN ('B', 'C')"
                          " AND RNr = 0) OR (RTyp = ' ' AND RNr IN (7, 8, 9)))"_s),
              5);
    EXPECT_EQ(Rows(u"Bezeichnung = 'S2'"_s), 5);
    EXPECT_EQ(Rows(u"Bezeichnung = 'S1'"_s), 1);
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());

    dtm.BuchenKommunikation(u"ABIL"_s, u"S2"_s, TRechnerMarken{{{QLatin1Char('D'), true}}, {}});
    EXPECT_EQ(Rows(u"RTyp = 'D'"_s), 1) << "type D stays with S1";
    EXPECT_EQ(presenter.ErrorLocations(), QStringList{u"TdtmKOMMFilter.BuchenKommunikation"_s});
}
