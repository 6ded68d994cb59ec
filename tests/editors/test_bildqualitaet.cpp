// The quality conversion between the shown percentage and the stored loss level.
#include "editors/BildQualitaet.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(BildQualitaet, HalfwayPercentagesGoToTheEvenLevel)
{
    EXPECT_EQ(BildQualitaetsverlust(u"10"_s), 230); // 229.5
    EXPECT_EQ(BildQualitaetsverlust(u"30"_s), 178); // 178.5
    EXPECT_EQ(BildQualitaetsverlust(u"50"_s), 128); // 127.5
    EXPECT_EQ(BildQualitaetsverlust(u"70"_s), 76);  // 76.5
    EXPECT_EQ(BildQualitaetsverlust(u"90"_s), 26);  // 25.5
    EXPECT_EQ(BildQualitaetsverlust(u"1"_s), 252);
    EXPECT_EQ(BildQualitaetsverlust(u"99"_s), 3);
    EXPECT_EQ(BildQualitaetsverlust(u"75"_s), 64);
}

TEST(BildQualitaet, UnchangedQualityIsLevelZero)
{
    for (const QString& text : {u""_s, u"0"_s, u"100"_s, u"abc"_s, u"30,5"_s, u"30.5"_s, u"  "_s}) {
        EXPECT_EQ(BildQualitaetsverlust(text), 0) << qPrintable(text);
    }
    EXPECT_EQ(BildQualitaetProzent(0), 100);
}

TEST(BildQualitaet, PercentagesOutsideTheRangeNeverLeaveZeroTo255)
{
    // Above 100 is better than unchanged, below 0 is no percentage: both
    // leave the quality as it is.
    for (const QString& text : {u"101"_s, u"150"_s, u"999"_s, u"2147483647"_s, u"-1"_s, u"-20"_s, u"-99999"_s,
                                u"99999999999"_s}) {
        EXPECT_EQ(BildQualitaetsverlust(text), 0) << qPrintable(text);
    }
    EXPECT_EQ(BildQualitaetsverlust(u" 30 "_s), 178);
    EXPECT_EQ(BildQualitaetsverlust(u"+30"_s), 178);
}

TEST(BildQualitaet, LevelsOutsideTheRangeShowAsTheNearestEnd)
{
    EXPECT_EQ(BildQualitaetProzent(255), 0);
    EXPECT_EQ(BildQualitaetProzent(300), 0);
    EXPECT_EQ(BildQualitaetProzent(-5), 100);
    EXPECT_EQ(BildQualitaetProzent(128), 50); // 49.8
    EXPECT_EQ(BildQualitaetProzent(230), 10); // 9.8
}

TEST(BildQualitaet, EveryWholePercentageComesBackAndEveryLevelShowsInRange)
{
    for (int p = 1; p <= 99; ++p) {
        const int level = BildQualitaetsverlust(QString::number(p));
        ASSERT_GE(level, 1) << p;
        ASSERT_LE(level, 255) << p;
        EXPECT_EQ(BildQualitaetProzent(level), p) << p;
    }
    for (int level = 0; level <= 255; ++level) {
        const int p = BildQualitaetProzent(level);
        ASSERT_GE(p, 0) << level;
        ASSERT_LE(p, 100) << level;
    }
}
