#include "BildTestSupport.h"
#include "transfer/BildVerarbeitung.h"

#include <QColorSpace>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TBildEinstellung Box(int breite, int hoehe, int verlust = 0)
{
    TBildEinstellung einstellung;
    einstellung.GroesseBreite = breite;
    einstellung.GroesseHoehe = hoehe;
    einstellung.Qualitaetsverlust = verlust;
    return einstellung;
}

TBildQuelle Puffer(const QString& name, const QByteArray& daten)
{
    return TBildQuelle{name, QString(), daten};
}

bool Rotlich(QRgb pixel)
{
    return qRed(pixel) > 150 && qBlue(pixel) < 100;
}

// --- box limits ------------------------------------------------------------------

struct TBoxFall
{
    const char* Name;
    int Breite;
    int Hoehe;
    QSize Erwartet;
    bool Unveraendert;
};

class BoxGrenze : public ::testing::TestWithParam<TBoxFall>
{
};

TEST_P(BoxGrenze, ScalesDownKeepingProportionsNeverUp)
{
    const TBoxFall& fall = GetParam();
    const QByteArray jpeg = AlsJpeg(TestBild(QSize(400, 300)));
    const TBildErgebnis ergebnis = BildAnwenden(Box(fall.Breite, fall.Hoehe), Puffer(u"a.jpg"_s, jpeg));
    EXPECT_EQ(QSize(ergebnis.Breite, ergebnis.Hoehe), fall.Erwartet);
    EXPECT_EQ(Groesse(ergebnis.Daten), fall.Erwartet);
    EXPECT_EQ(ergebnis.Unveraendert, fall.Unveraendert);
    EXPECT_EQ(ergebnis.Daten == jpeg, fall.Unveraendert);
    EXPECT_EQ(ergebnis.Name, u"a.jpg"_s);
    if (!fall.Unveraendert) {
        EXPECT_EQ(JpegQualitaetLesen(ergebnis.Daten), kJpegQualitaetHoch); // level 0, scaled
    }
}

INSTANTIATE_TEST_SUITE_P(Grenzen, BoxGrenze,
                         ::testing::Values(TBoxFall{"NurBreite", 200, 0, QSize(200, 150), false},
                                           TBoxFall{"NurHoehe", 0, 150, QSize(200, 150), false},
                                           TBoxFall{"Beide", 100, 100, QSize(100, 75), false},
                                           TBoxFall{"HoeheBestimmt", 1000, 100, QSize(133, 100), false},
                                           TBoxFall{"KeineGrenze", 0, 0, QSize(400, 300), true},
                                           TBoxFall{"GenauPassend", 400, 300, QSize(400, 300), true},
                                           TBoxFall{"KleinerAlsBox", 800, 600, QSize(400, 300), true}),
                         [](const ::testing::TestParamInfo<TBoxFall>& fall) {
                             return std::string(fall.param.Name);
                         });

// --- quality -----------------------------------------------------------------------

struct TQualitaetsFall
{
    int Verlust;
    int Prozent;
};

class Qualitaet : public ::testing::TestWithParam<TQualitaetsFall>
{
};

TEST_P(Qualitaet, WrittenAsThePercentOfTheLevel)
{
    const TQualitaetsFall fall = GetParam();
    EXPECT_EQ(JpegQualitaet(fall.Verlust), fall.Prozent);
    // Same size: only the quality changes.
    const TBildErgebnis ergebnis =
        BildAnwenden(Box(0, 0, fall.Verlust), Puffer(u"q.jpg"_s, AlsJpeg(TestBild(QSize(160, 120)), 100)));
    EXPECT_FALSE(ergebnis.Unveraendert);
    EXPECT_EQ(Groesse(ergebnis.Daten), QSize(160, 120));
    EXPECT_EQ(JpegQualitaetLesen(ergebnis.Daten), std::max(1, fall.Prozent));
}

INSTANTIATE_TEST_SUITE_P(Stufen, Qualitaet,
                         ::testing::Values(TQualitaetsFall{1, 100}, TQualitaetsFall{64, 75},
                                           TQualitaetsFall{128, 50}, TQualitaetsFall{191, 25},
                                           TQualitaetsFall{254, 0}));

TEST(Qualitaet, LevelOutsideRangeCountsAsNearestEnd)
{
    EXPECT_EQ(JpegQualitaet(-5), 100);
    EXPECT_EQ(JpegQualitaet(999), 0);
}

TEST(Qualitaet, ScaledAndLossyTogether)
{
    const TBildErgebnis ergebnis =
        BildAnwenden(Box(200, 0, 128), Puffer(u"q.jpg"_s, AlsJpeg(TestBild(QSize(400, 300)))));
    EXPECT_EQ(Groesse(ergebnis.Daten), QSize(200, 150));
    EXPECT_EQ(JpegQualitaetLesen(ergebnis.Daten), 50);
}

// --- kinds of images ---------------------------------------------------------------

TEST(Bildarten, PngKeepsTransparencyAndStaysPng)
{
    QImage bild(QSize(200, 100), QImage::Format_ARGB32);
    bild.fill(Qt::transparent);
    for (int x = 100; x < 200; ++x) {
        for (int y = 0; y < 100; ++y) {
            bild.setPixelColor(x, y, QColor(0, 200, 0, 255));
        }
    }
    const TBildErgebnis ergebnis = BildAnwenden(Box(100, 0, 128), Puffer(u"t.png"_s, AlsPng(bild)));
    EXPECT_EQ(ergebnis.Format, u"png"_s);
    EXPECT_EQ(ergebnis.Name, u"t.png"_s);
    const QImage gelesen = Lesen(ergebnis.Daten);
    ASSERT_EQ(gelesen.size(), QSize(100, 50));
    EXPECT_TRUE(gelesen.hasAlphaChannel());
    EXPECT_EQ(qAlpha(gelesen.pixel(5, 25)), 0);
    EXPECT_EQ(qAlpha(gelesen.pixel(95, 25)), 255);
}

TEST(Bildarten, TurnedUprightByOrientationBeforeScaling)
{
    // Stored landscape, red left; orientation 6 shows it turned clockwise:
    // portrait, red on top.
    const QByteArray jpeg = MitOrientierung(AlsJpeg(TestBild(QSize(400, 200))), 6);
    ASSERT_EQ(Groesse(jpeg), QSize(200, 400));
    const TBildErgebnis ergebnis = BildAnwenden(Box(100, 100), Puffer(u"r.jpg"_s, jpeg));
    const QImage gelesen = Lesen(ergebnis.Daten); // no tag left to turn it again
    ASSERT_EQ(gelesen.size(), QSize(50, 100));
    EXPECT_TRUE(Rotlich(gelesen.pixel(25, 10)));
    EXPECT_FALSE(Rotlich(gelesen.pixel(25, 90)));
}

TEST(Bildarten, UprightSizeDecidesWhetherItFits)
{
    // 200 x 400 upright fits into a 250 x 450 box although stored as 400 x 200.
    const QByteArray jpeg = MitOrientierung(AlsJpeg(TestBild(QSize(400, 200))), 6);
    const TBildErgebnis ergebnis = BildAnwenden(Box(250, 450), Puffer(u"r.jpg"_s, jpeg));
    EXPECT_TRUE(ergebnis.Unveraendert);
    EXPECT_EQ(QSize(ergebnis.Breite, ergebnis.Hoehe), QSize(200, 400));
}

TEST(Bildarten, GreyscaleJpegStaysGrey)
{
    const QImage grau = TestBild(QSize(300, 300)).convertToFormat(QImage::Format_Grayscale8);
    const TBildErgebnis ergebnis = BildAnwenden(Box(150, 150, 64), Puffer(u"g.jpg"_s, AlsJpeg(grau)));
    const QImage gelesen = Lesen(ergebnis.Daten);
    EXPECT_EQ(gelesen.size(), QSize(150, 150));
    EXPECT_EQ(gelesen.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(JpegQualitaetLesen(ergebnis.Daten), 75);
}

TEST(Bildarten, ColourProfileKept)
{
    QImage bild = TestBild(QSize(400, 300));
    bild.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    const QByteArray jpeg = AlsJpeg(bild);
    ASSERT_EQ(Lesen(jpeg).colorSpace(), QColorSpace(QColorSpace::DisplayP3));
    const TBildErgebnis ergebnis = BildAnwenden(Box(200, 0), Puffer(u"p.jpg"_s, jpeg));
    EXPECT_EQ(Lesen(ergebnis.Daten).colorSpace(), QColorSpace(QColorSpace::DisplayP3));
}

// --- entries -----------------------------------------------------------------------

TEST(Eintrag, DamagedImageReportedByNameOthersGoOn)
{
    const QTemporaryDir dir;
    const QByteArray gut = AlsJpeg(TestBild(QSize(400, 300)));
    DateiSchreiben(dir.filePath(u"1.jpg"_s), gut);
    DateiSchreiben(dir.filePath(u"2.jpg"_s), gut.left(gut.size() / 2)); // cut off
    DateiSchreiben(dir.filePath(u"3.jpg"_s), "kein Bild");
    QList<TBildQuelle> bilder;
    for (const QString& name : {u"1.jpg"_s, u"2.jpg"_s, u"3.jpg"_s, u"fehlt.jpg"_s, u"5.jpg"_s}) {
        bilder.append(TBildQuelle{name, dir.filePath(name), {}});
    }
    bilder.last().Pfad.clear();
    bilder.last().Daten = gut;

    for (const TBildEinstellung& einstellung : {Box(200, 0), Box(0, 0)}) {
        const TBilderErgebnis ergebnis = BilderAnwenden(einstellung, bilder);
        ASSERT_EQ(ergebnis.Bilder.size(), 2);
        EXPECT_EQ(ergebnis.Bilder[0].Name, u"1.jpg"_s);
        EXPECT_EQ(ergebnis.Bilder[1].Name, u"5.jpg"_s);
        ASSERT_EQ(ergebnis.Fehler.size(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ergebnis.Fehler[i].Name, bilder[i + 1].Name);
            EXPECT_TRUE(ergebnis.Fehler[i].Meldung.contains(bilder[i + 1].Name))
                << ergebnis.Fehler[i].Meldung.toStdString();
        }
    }
}

TEST(Eintrag, WhichImagesArePassedOn)
{
    const QList<TBildQuelle> bilder{Puffer(u"1"_s, {}), Puffer(u"2"_s, {}), Puffer(u"3"_s, {})};
    struct
    {
        bool Loeschen;
        bool NurErstes;
        QStringList Erwartet;
    } const faelle[] = {
        {false, false, {u"1"_s, u"2"_s, u"3"_s}},
        {false, true, {u"1"_s}},
        {true, false, {}},
        {true, true, {}},
    };
    for (const auto& fall : faelle) {
        TBildEinstellung einstellung;
        einstellung.BildLoeschen = fall.Loeschen;
        einstellung.OnlyFirstPicExp = fall.NurErstes;
        QStringList namen;
        for (const TBildQuelle& bild : UebertrageneBilder(einstellung, bilder)) {
            namen.append(bild.Name);
        }
        EXPECT_EQ(namen, fall.Erwartet) << fall.Loeschen << fall.NurErstes;
    }
}

} // namespace
