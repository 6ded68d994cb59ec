// Row reads of the record store that leave columns out: the bulky settings
// field is fetched when first used, and a value the search fixes is not
// read from the row. Callers must see the same values and write the same
// rows as if every column had been read.
#include "TempStore.h"

#include "host/core/DBFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

class RowReadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fide.OpenNew(-1);
        fiko.OpenNew(-1);
        Insert(u"ABIL"_s, u"S1"_s, u"eins"_s, u"{\"GroesseBreite\":800}"_s);
        Insert(u"ABIL"_s, u"S2"_s, u"zwei"_s, u"{\"GroesseBreite\":640}"_s);
        Insert(u"KBIL"_s, u"S1"_s, u"fremd"_s, u"{\"GroesseBreite\":1}"_s);
    }

    void Insert(const QString& kennung, const QString& bezeichnung, const QString& beschreibung,
                const QString& einstellungen)
    {
        fide.Kennung.SetWert(kennung);
        fide.Bezeichnung.SetWert(bezeichnung);
        fide.Beschreibung.SetWert(beschreibung);
        fide.Einstellungen.SetWert(einstellungen);
        fide.WriteRecord(wrdonInsert, 0);
    }

    // Positions fide on the first row of the kind with an extended read.
    bool FirstOfKind(const QString& kennung)
    {
        fide.ResetSearch();
        fide.UseKey(fide.PrimaryKeyNr());
        fide.Kennung.SetWert(kennung);
        fide.Kennung.TakeFilterValue();
        fide.ExtendedFilterAdd(fide.Kennung, dbcEqual, dblAnd);
        return fide.Get_first_extMode();
    }

    // Rows of that key that still hold the first row's settings.
    int WithFirstSettings(const QString& kennung, const QString& bezeichnung)
    {
        return store.Count(u"SELECT count(*) FROM fidefile WHERE Kennung = '"_s + kennung +
                           u"' AND Bezeichnung = '"_s + bezeichnung +
                           u"' AND Einstellungen = '{\"GroesseBreite\":800}'"_s);
    }

    TempStore store;
    Tfidefile fide;
    Tfikofile fiko;
};

TEST_F(RowReadTest, SettingsOfARowReadAreThereWhenAskedForAlsoAfterTheSearchEnds)
{
    ASSERT_TRUE(FirstOfKind(u"ABIL"_s));
    EXPECT_EQ(fide.Kennung.GetWert(), u"ABIL"_s);
    EXPECT_EQ(fide.Bezeichnung.GetWert(), u"S1"_s);
    ASSERT_TRUE(fide.Get_next_extMode());
    EXPECT_EQ(fide.Beschreibung.GetWert(), u"zwei"_s);
    EXPECT_FALSE(fide.Get_next_extMode());
    fide.ResetSearch();
    EXPECT_EQ(fide.Einstellungen.GetWert(), u"{\"GroesseBreite\":640}"_s) << "the buffers keep the last row";

    fide.ResetSearch();
    ASSERT_TRUE(fide.ReadFirst());
    EXPECT_EQ(fide.Einstellungen.GetWert(), u"{\"GroesseBreite\":800}"_s);
}

TEST_F(RowReadTest, WritingAfterARowReadKeepsTheSettingsNotAskedFor)
{
    ASSERT_TRUE(FirstOfKind(u"ABIL"_s));
    fide.Beschreibung.SetWert(u"geändert"_s);
    fide.WriteRecord(wrdonUpdate, 0);
    EXPECT_EQ(WithFirstSettings(u"ABIL"_s, u"S1"_s), 1);

    // A copy under a new name takes the settings along.
    ASSERT_TRUE(FirstOfKind(u"ABIL"_s));
    fide.Bezeichnung.SetWert(u"KOPIE"_s);
    fide.WriteRecord(wrdonInsert, 0);
    EXPECT_EQ(WithFirstSettings(u"ABIL"_s, u"KOPIE"_s), 1);
}

TEST_F(RowReadTest, DeleteAfterAFilteredReadHitsTheRowRead)
{
    ASSERT_TRUE(FirstOfKind(u"KBIL"_s));
    EXPECT_EQ(fide.Kennung.GetWert(), u"KBIL"_s);
    fide.WriteRecord(wrdonDelete, 0);
    EXPECT_EQ(store.Count(u"SELECT count(*) FROM fidefile WHERE Kennung = 'KBIL'"_s), 0);
    EXPECT_EQ(store.Count(u"SELECT count(*) FROM fidefile WHERE Kennung = 'ABIL'"_s), 2);
}

TEST_F(RowReadTest, ValuesFixedByEqualBoundsComeBackAsStored)
{
    for (const qint32 rnr : {0, 7, 9}) {
        fiko.Kennung.SetWert(u"ABIL"_s);
        fiko.Bezeichnung.SetWert(rnr ? u"S1"_s : QString());
        fiko.RTyp.SetWert(QLatin1Char(' '));
        fiko.RNr.SetWert(rnr);
        fiko.WriteRecord(wrdonInsert, 0);
    }
    fiko.ResetSearch();
    fiko.Kennung.SetFilterMin(u"ABIL"_s);
    fiko.Kennung.SetFilterMax(u"ABIL"_s);
    fiko.Bezeichnung.SetFilterMin(QString());
    fiko.Bezeichnung.SetFilterMax(QString());
    ASSERT_TRUE(fiko.ReadFirst());
    EXPECT_TRUE(fiko.Bezeichnung.GetWert().isEmpty());
    EXPECT_EQ(fiko.RNr.GetWert(), 0);
    EXPECT_FALSE(fiko.ReadNext());

    // Three key fields fixed: the row is still found, and deleted.
    fiko.ResetSearch();
    fiko.Kennung.SetFilterMin(u"ABIL"_s);
    fiko.Kennung.SetFilterMax(u"ABIL"_s);
    fiko.Bezeichnung.SetFilterMin(u"S1"_s);
    fiko.Bezeichnung.SetFilterMax(u"S1"_s);
    fiko.RTyp.SetFilter({QLatin1Char(' ')});
    fiko.RNr.SetFilterMin(9);
    fiko.RNr.SetFilterMax(9);
    ASSERT_TRUE(fiko.ReadFirst());
    EXPECT_EQ(fiko.RNr.GetWert(), 9);
    EXPECT_EQ(fiko.RTyp.GetWert(), QLatin1Char(' '));
    fiko.WriteRecord(wrdonDelete, 0);
    EXPECT_EQ(store.Count(u"SELECT count(*) FROM fikofile"_s), 2);
    EXPECT_EQ(store.Count(u"SELECT count(*) FROM fikofile WHERE RNr = 9"_s), 0);
}

TEST_F(RowReadTest, ReadWithEveryColumnKnownStillFindsItsRow)
{
    fide.ResetSearch();
    fide.Kennung.SetFilterMin(u"ABIL"_s);
    fide.Kennung.SetFilterMax(u"ABIL"_s);
    fide.Bezeichnung.SetFilterMin(u"S2"_s);
    fide.Bezeichnung.SetFilterMax(u"S2"_s);
    fide.Beschreibung.SetFilterMin(u"zwei"_s);
    fide.Beschreibung.SetFilterMax(u"zwei"_s);
    ASSERT_TRUE(fide.ReadFirst());
    EXPECT_EQ(fide.Bezeichnung.GetWert(), u"S2"_s);
    EXPECT_EQ(fide.Einstellungen.GetWert(), u"{\"GroesseBreite\":640}"_s);
    EXPECT_FALSE(fide.ReadNext());
}

// On a server only one result streams per connection: whatever else runs
// while a search is open must neither cut it short nor lose a row.
TEST_F(RowReadTest, ASearchReadsEveryRowWhateverRunsBesideIt)
{
    for (int i = 3; i <= 6; ++i) {
        Insert(u"ABIL"_s, u"S%1"_s.arg(i), u"mehr"_s, u"{}"_s);
    }
    const QStringList all = {u"S1"_s, u"S2"_s, u"S3"_s, u"S4"_s, u"S5"_s, u"S6"_s};
    int n = 0;
    const std::vector<std::pair<const char*, std::function<void()>>> besides = {
        {"settings fetched", [&] { fide.Einstellungen.GetWert(); }},
        {"another table searched to its end",
         [&] {
             fiko.ResetSearch();
             for (bool found = fiko.ReadFirst(); found; found = fiko.ReadNext()) {
             }
         }},
        {"another search left open", [&] { fiko.ResetSearch(), fiko.ReadFirst(); }},
        {"another table written",
         [&] {
             fiko.Kennung.SetWert(u"ABIL"_s);
             fiko.Bezeichnung.SetWert(u"S1"_s);
             fiko.RTyp.SetWert(QLatin1Char(' '));
             fiko.RNr.SetWert(++n);
             fiko.WriteRecord(wrdonInsert, 0);
         }},
        {"a table opened and closed",
         [&] {
             Tfidefile other;
             other.OpenNew(-1);
             other.ReadFirst();
         }},
    };
    for (const auto& [what, beside] : besides) {
        QStringList read;
        for (bool found = FirstOfKind(u"ABIL"_s); found; found = fide.Get_next_extMode()) {
            read << fide.Bezeichnung.GetWert();
            beside();
        }
        EXPECT_EQ(read, all) << what;
    }
}

} // namespace
