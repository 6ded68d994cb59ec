// Communication filter objects: save/load round trip and the assignment lists.
#include "TempStore.h"

#include "host/core/DBFile.h"
#include "host/core/KOMMFilter.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

void Assign(const QString& kennung, const QString& bezeichnung, QChar rtyp, qint32 rnr)
{
    TStore::Required().Exec(
        QStringLiteral("INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('%1', '%2') ON CONFLICT DO NOTHING")
            .arg(kennung, bezeichnung));
    Tfikofile fiko;
    fiko.OpenNew(-1);
    fiko.Kennung.SetWert(kennung);
    fiko.Bezeichnung.SetWert(bezeichnung);
    fiko.RTyp.SetWert(rtyp);
    fiko.RNr.SetWert(rnr);
    fiko.WriteRecord(wrdonInsert, 0);
}

} // namespace

TEST(KOMMFilter, KennungenDifferAlsoIgnoringCase)
{
    EXPECT_NE(TABILKommFilter::Filter_Kennung().toUpper(), TKBILKommFilter::Filter_Kennung().toUpper());
    EXPECT_FALSE(TABILKommFilter::Filter_Kennung().isEmpty());
}

TEST(KOMMFilter, ClassReferencesCreateObjectsOfTheirClass)
{
    TempStore store;
    auto kbil = TKBILKommFilter::ClassRef()->Create(u"KBIL"_s, u"X"_s);
    EXPECT_NE(dynamic_cast<TKBILKommFilter*>(kbil.get()), nullptr);
    EXPECT_EQ(kbil->Bezeichnung, u"X"_s);
    auto abil = TABILKommFilter::ClassRef()->Create(u"ABIL"_s, u"Y"_s);
    EXPECT_NE(dynamic_cast<TABILKommFilter*>(abil.get()), nullptr);
    EXPECT_EQ(dynamic_cast<TKBILKommFilter*>(abil.get()), nullptr);
}

TEST(KOMMFilter, ImageSettingsSurviveSaveAndLoad)
{
    TempStore store;
    TABILKommFilter saved(u"ABIL"_s, u"GROSS"_s);
    saved.Beschreibung = u"Große Bilder"_s;
    saved.BildLoeschen = true;
    saved.GroesseBreite = 1024;
    saved.GroesseHoehe = 768;
    saved.Qualitaetsverlust = 76;
    saved.OnlyFirstPicExp = true;
    saved.FilterSave();

    TABILKommFilter loaded(u"ABIL"_s, u"GROSS"_s);
    ASSERT_TRUE(loaded.FilterLoad());
    EXPECT_EQ(loaded.Beschreibung, u"Große Bilder"_s);
    EXPECT_TRUE(loaded.BildLoeschen);
    EXPECT_EQ(loaded.GroesseBreite, 1024);
    EXPECT_EQ(loaded.GroesseHoehe, 768);
    EXPECT_EQ(loaded.Qualitaetsverlust, 76);
    EXPECT_TRUE(loaded.OnlyFirstPicExp);

    // Saving again under the same name overwrites, it does not duplicate.
    loaded.GroesseBreite = 10;
    loaded.FilterSave();
    EXPECT_EQ(store.Count(u"SELECT count(*) FROM fidefile"_s), 1);
    TABILKommFilter again(u"ABIL"_s, u"GROSS"_s);
    ASSERT_TRUE(again.FilterLoad());
    EXPECT_EQ(again.GroesseBreite, 10);

    // The settings live in the row: deleting the row deletes them.
    store.Exec(u"DELETE FROM fidefile"_s);
    TABILKommFilter gone(u"ABIL"_s, u"GROSS"_s);
    EXPECT_FALSE(gone.FilterLoad());
    EXPECT_EQ(gone.GroesseBreite, 0);
    EXPECT_FALSE(gone.BildLoeschen);
}

TEST(KOMMFilter, UnreadableSettingsGiveClearedSafeValues)
{
    TempStore store;
    store.Exec(u"INSERT INTO fidefile VALUES ('ABIL', 'KAPUTT', '', 'kein json')"_s);
    store.Exec(u"INSERT INTO fidefile VALUES ('ABIL', 'ZUVIEL', '', '{\"Qualitaetsverlust\": 999}')"_s);
    TABILKommFilter broken(u"ABIL"_s, u"KAPUTT"_s);
    EXPECT_TRUE(broken.FilterLoad());
    EXPECT_EQ(broken.Qualitaetsverlust, 0);
    TABILKommFilter high(u"ABIL"_s, u"ZUVIEL"_s);
    EXPECT_TRUE(high.FilterLoad());
    EXPECT_EQ(high.Qualitaetsverlust, 255);
}

TEST(KOMMFilter, ListChecksFollowTheAssignmentsOfExactlyThisSetting)
{
    TempStore store;
    TKOMMFilter filter{QString(), QString()};
    filter.Kennung = u"ABIL"_s;
    filter.Bezeichnung = u"S1"_s;
    TABILKommFilter(u"ABIL"_s, u"S1"_s).FilterSave();
    Assign(u"ABIL"_s, u"S1"_s, QLatin1Char('A'), 0);
    Assign(u"ABIL"_s, u"S1"_s, QLatin1Char(' '), 17);
    Assign(u"ABIL"_s, u"s1"_s, QLatin1Char('B'), 0);
    Assign(u"KBIL"_s, u"S1"_s, QLatin1Char(' '), 18);
    Assign(u"ABIL"_s, QString(), QLatin1Char(' '), 0); // activity record

    ASSERT_TRUE(filter.FilterLoad());
    EXPECT_TRUE(filter.ListeRTypCheck(TKOMMFilter::Char2RTyp_Value(QLatin1Char('A'))));
    EXPECT_FALSE(filter.ListeRTypCheck(TKOMMFilter::Char2RTyp_Value(QLatin1Char('B'))));
    EXPECT_FALSE(filter.ListeRTypCheck(TKOMMFilter::Char2RTyp_Value(QLatin1Char(' '))));
    EXPECT_TRUE(filter.ListeRNrCheck(17));
    EXPECT_FALSE(filter.ListeRNrCheck(18));
    EXPECT_FALSE(filter.ListeRNrCheck(0));

    // Loading another setting replaces everything loaded before.
    filter.Bezeichnung = u"NICHTDA"_s;
    EXPECT_FALSE(filter.FilterLoad());
    EXPECT_FALSE(filter.ListeRTypCheck(TKOMMFilter::Char2RTyp_Value(QLatin1Char('A'))));
    EXPECT_FALSE(filter.ListeRNrCheck(17));

    filter.Bezeichnung = u"S1"_s;
    ASSERT_TRUE(filter.FilterLoad());
    filter.FilterClear();
    EXPECT_FALSE(filter.ListeRTypCheck(TKOMMFilter::Char2RTyp_Value(QLatin1Char('A'))));
    EXPECT_FALSE(filter.ListeRNrCheck(17));
}
