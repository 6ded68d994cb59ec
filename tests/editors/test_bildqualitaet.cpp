// The quality conversion for texts and levels that the editor's edits never
// hold; whole percentages through the store are in test_bildeditor.cpp.
#include "editors/BildQualitaet.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(BildQualitaet, UnreadableOrOutOfRangePercentagesLeaveTheQualityUnchanged)
{
    // Above 100 is better than unchanged, below 0 is no percentage: both
    // store level 0 like an empty, zero or unreadable text.
    for (const QString& text : {u""_s, u"  "_s, u"abc"_s, u"30,5"_s, u"30.5"_s, u"101"_s, u"150"_s,
                                u"2147483647"_s, u"99999999999"_s, u"-1"_s, u"-20"_s, u"-99999"_s}) {
        EXPECT_EQ(BildQualitaetsverlust(text), 0) << qPrintable(text);
    }
    EXPECT_EQ(BildQualitaetsverlust(u" 30 "_s), 178);
    EXPECT_EQ(BildQualitaetsverlust(u"+50"_s), 128);
}

TEST(BildQualitaet, EveryLevelShowsAsAPercentage)
{
    for (int level = 0; level <= 255; ++level) {
        const int p = BildQualitaetProzent(level);
        ASSERT_GE(p, 0) << level;
        ASSERT_LE(p, 100) << level;
    }
    EXPECT_EQ(BildQualitaetProzent(128), 50); // 49.8
    EXPECT_EQ(BildQualitaetProzent(300), 0);
    EXPECT_EQ(BildQualitaetProzent(-5), 100);
}
