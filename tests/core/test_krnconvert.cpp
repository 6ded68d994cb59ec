// Text to number conversions and the rounding of exact halves.
#include "host/core/KRNConvert.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;

TEST(KRNConvert, StrToIntDefTakesDecimalIntegersOnly)
{
    EXPECT_EQ(StrToIntDef(u"42"_s, -1), 42);
    EXPECT_EQ(StrToIntDef(u" -7 "_s, -1), -7);
    EXPECT_EQ(StrToIntDef(u"+5"_s, -1), 5);
    EXPECT_EQ(StrToIntDef(u"2147483647"_s, -1), 2147483647);
    for (const QString& bad : {u""_s, u" "_s, u"1,5"_s, u"1.0"_s, u"12a"_s, u"0x10"_s, u"2147483648"_s,
                               u"1 2"_s, u"-"_s, u"٣"_s}) {
        EXPECT_EQ(StrToIntDef(bad, -1), -1) << qPrintable(bad);
    }
}

TEST(KRNConvert, StrToRealDefTakesCommaOrPointAsDecimalSeparator)
{
    EXPECT_DOUBLE_EQ(krn_StrToReal_Def(u"12,5"_s, -1), 12.5);
    EXPECT_DOUBLE_EQ(krn_StrToReal_Def(u"12.5"_s, -1), 12.5);
    EXPECT_DOUBLE_EQ(krn_StrToReal_Def(u" -0,25 "_s, -1), -0.25);
    EXPECT_DOUBLE_EQ(krn_StrToReal_Def(u",5"_s, -1), 0.5);
    EXPECT_DOUBLE_EQ(krn_StrToReal_Def(u"3,"_s, -1), 3.0);
    EXPECT_DOUBLE_EQ(krn_StrToReal_Def(u"1e3"_s, -1), 1000.0);
    EXPECT_DOUBLE_EQ(krn_StrToReal_Def(u"70"_s, -1), 70.0);
}

TEST(KRNConvert, StrToRealDefGivesTheDefaultForAnythingUnreadable)
{
    for (const QString& bad : {u""_s, u"  "_s, u"abc"_s, u"1.000,5"_s, u"1,2,3"_s, u"."_s, u"inf"_s, u"nan"_s,
                               u"1e999"_s, u"5%"_s, u"e5"_s}) {
        EXPECT_DOUBLE_EQ(krn_StrToReal_Def(bad, 7.0), 7.0) << qPrintable(bad);
    }
}

TEST(KRNConvert, RoundHalfEvenSendsExactHalvesToTheEvenNeighbour)
{
    EXPECT_EQ(krn_RoundHalfEven(229.5), 230.0);
    EXPECT_EQ(krn_RoundHalfEven(178.5), 178.0);
    EXPECT_EQ(krn_RoundHalfEven(0.5), 0.0);
    EXPECT_EQ(krn_RoundHalfEven(-2.5), -2.0);
    EXPECT_EQ(krn_RoundHalfEven(-3.5), -4.0);
    EXPECT_EQ(krn_RoundHalfEven(2.4999999), 2.0);
    EXPECT_EQ(krn_RoundHalfEven(2.5000001), 3.0);
    EXPECT_EQ(krn_RoundHalfEven(-0.2), 0.0);
    EXPECT_EQ(krn_RoundHalfEven(1e300), 1e300);
    EXPECT_TRUE(std::isnan(krn_RoundHalfEven(std::numeric_limits<double>::quiet_NaN())));
}

TEST(KRNConvert, SameTextIgnoresLetterCase)
{
    EXPECT_TRUE(SameText(u"kBiL"_s, u"KBIL"_s));
    EXPECT_TRUE(SameText(u"Größe"_s, u"GRÖßE"_s));
    EXPECT_FALSE(SameText(u"ABIL"_s, u"KBIL"_s));
}
