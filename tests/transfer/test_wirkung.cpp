// What a setting does to an image in words, what a number's setting
// overrides, and the computer map of an import.

#include "transfer/Austausch.h"
#include "transfer/BildVerarbeitung.h"
#include "transfer/Zuordnung.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(Wirkung, TheValuesInWords)
{
    struct
    {
        QJsonObject Werte;
        QString Text;
    } const faelle[] = {
        {{{u"GroesseBreite"_s, 320}, {u"GroesseHoehe"_s, 240}, {u"OnlyFirstPicExp"_s, true}, {u"Qualitaetsverlust"_s, 100}},
         u"höchstens 320 × 240 Pixel, nur das erste Bild, Qualität 61 %"_s},
        {{{u"GroesseBreite"_s, 800}}, u"höchstens 800 Pixel breit"_s},
        {{{u"GroesseHoehe"_s, 600}, {u"Qualitaetsverlust"_s, 255}}, u"höchstens 600 Pixel hoch, Qualität 0 %"_s},
        {{{u"BildLoeschen"_s, true}, {u"GroesseBreite"_s, 800}}, u"kein Bild"_s},
        {{}, u"Bilder unverändert"_s},
        // Values another program wrote out of range count as the nearest end.
        {{{u"GroesseBreite"_s, -5}, {u"Qualitaetsverlust"_s, 900}}, u"Qualität 0 %"_s},
    };
    for (const auto& fall : faelle) {
        EXPECT_EQ(BildEinstellungText(TBildEinstellung::AusWerten(fall.Werte)), fall.Text);
    }
}

TEST(Wirkung, ANumbersSettingNamesTheTypeSettingItOverrides)
{
    TZuordnungen z;
    z.Aktiv = true;
    z.Typen.insert(u'F', u"GROSS"_s);
    z.Nummern.insert(101, u"KLEIN"_s);
    z.Nummern.insert(102, u"GROSS"_s);
    EXPECT_EQ(BedienungErklaerung(BedienendeEinstellung(z, u'F', 101)),
              u"KLEIN (Einstellung der Rechnernummer; überschreibt GROSS des Rechnertyps F)"_s);
    EXPECT_EQ(BedienungErklaerung(BedienendeEinstellung(z, u'F', 102)), u"GROSS (Einstellung der Rechnernummer)"_s)
        << "the same setting overrides nothing";
    EXPECT_EQ(BedienungErklaerung(BedienendeEinstellung(z, u'K', 101)), u"KLEIN (Einstellung der Rechnernummer)"_s);
    EXPECT_EQ(BedienungErklaerung(BedienendeEinstellung(z, u'F', 103)), u"GROSS (Einstellung des Rechnertyps)"_s);
}

TEST(Wirkung, AComputerMapIsReadOrRefusedWithItsLine)
{
    const TRechnerAbbildung abbildung =
        RechnerAbbildungLesen("# Quelle;Ziel\nRechnertyp;F;G\n\nRechner; 101 ;4101\n", u"karte.csv"_s);
    EXPECT_EQ(abbildung.Typen.value(u'F'), u'G');
    EXPECT_EQ(abbildung.Nummern.value(101), 4101);
    struct
    {
        QByteArray Text;
        QString Meldung;
    } const falsch[] = {
        {"Rechner;101\n", u"karte.csv, Zeile 1: erwartet werden drei Felder"_s},
        {"\nRechner;101;0\n", u"karte.csv, Zeile 2: „0“ ist keine Rechnernummer ab 1"_s},
        {"Rechnertyp;FF;G\n", u"„FF“ ist kein Rechnertyp"_s},
        {"Drucker;1;2\n", u"„Drucker“ ist weder"_s},
    };
    for (const auto& fall : falsch) {
        try {
            RechnerAbbildungLesen(fall.Text, u"karte.csv"_s);
            ADD_FAILURE() << fall.Text.constData();
        } catch (const TAustauschFehler& e) {
            EXPECT_TRUE(e.Message().startsWith(fall.Meldung) || e.Message().contains(fall.Meldung))
                << e.Message().toStdString();
        }
    }
}

} // namespace
