#include "TempStore.h"
#include "host/core/Rechner.h"
#include "transfer/Zuordnung.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct TFall
{
    const char* Name;
    TZuordnungen Zuordnungen;
    QChar RTyp;
    qint32 RNr;
    TZuordnungsGrund Grund;
    QString Bezeichnung;
};

TZuordnungen Aktiv(QHash<qint32, QString> nummern, QHash<char16_t, QString> typen)
{
    return TZuordnungen{true, std::move(nummern), std::move(typen)};
}

class ZuordnungsRegel : public ::testing::TestWithParam<TFall>
{
};

TEST_P(ZuordnungsRegel, AnswersSettingAndReason)
{
    const TFall& fall = GetParam();
    const TBedienung bedienung = BedienendeEinstellung(fall.Zuordnungen, fall.RTyp, fall.RNr);
    EXPECT_EQ(bedienung.Grund, fall.Grund);
    EXPECT_EQ(bedienung.Bezeichnung, fall.Bezeichnung);
    EXPECT_EQ(bedienung.Filtert(), !fall.Bezeichnung.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Regeln, ZuordnungsRegel,
    ::testing::Values(
        TFall{"NummerVorTyp", Aktiv({{101, u"NUMMER"_s}}, {{u'F', u"TYP"_s}}), u'F', 101,
              TZuordnungsGrund::Rechnernummer, u"NUMMER"_s},
        TFall{"AndereNummerDesTyps", Aktiv({{101, u"NUMMER"_s}}, {{u'F', u"TYP"_s}}), u'F', 102,
              TZuordnungsGrund::Rechnertyp, u"TYP"_s},
        TFall{"NurTyp", Aktiv({}, {{u'F', u"TYP"_s}}), u'F', 102, TZuordnungsGrund::Rechnertyp, u"TYP"_s},
        TFall{"TypAllein", Aktiv({{101, u"NUMMER"_s}}, {{u'F', u"TYP"_s}}), u'F', 0,
              TZuordnungsGrund::Rechnertyp, u"TYP"_s},
        TFall{"NummerOhneTyp", Aktiv({{101, u"NUMMER"_s}}, {}), u' ', 101, TZuordnungsGrund::Rechnernummer,
              u"NUMMER"_s},
        TFall{"Nichts", Aktiv({{101, u"NUMMER"_s}}, {{u'K', u"KASSE"_s}}), u'F', 102, TZuordnungsGrund::Keine,
              QString()},
        TFall{"UnbekannterRechner", Aktiv({}, {{u'F', u"TYP"_s}}), u' ', 999, TZuordnungsGrund::Keine,
              QString()},
        TFall{"ArtAusTrotzZuordnung", TZuordnungen{false, {{101, u"NUMMER"_s}}, {{u'F', u"TYP"_s}}}, u'F',
              101, TZuordnungsGrund::ArtAus, QString()}),
    [](const ::testing::TestParamInfo<TFall>& fall) { return std::string(fall.param.Name); });

// The same rules over the real store: activity and assignment records in
// fikofile, a number's type from the host's computer table.
class ZuordnungImDatenbestand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ImportComputersCsvText(m_store.Store(),
                               u"Rechnertyp;F;Filiale\nRechnertyp;K;Kasse\n"
                               "Rechner;101;Nord;F\nRechner;102;Süd;F\nRechner;201;Kasse;K\n"_s,
                               u"Test"_s);
        // The store refuses assignments of settings that do not exist.
        m_store.Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('ABIL', 'KLEIN'), ('ABIL', 'GROSS'),"
                     " ('KBIL', 'KATALOG')"_s);
        m_store.Exec(u"INSERT INTO fikofile VALUES ('ABIL', '', ' ', 0)"_s);
        m_store.Exec(u"INSERT INTO fikofile VALUES ('ABIL', 'KLEIN', 'F', 0)"_s);
        m_store.Exec(u"INSERT INTO fikofile VALUES ('ABIL', 'GROSS', ' ', 101)"_s);
        m_store.Exec(u"INSERT INTO fikofile VALUES ('KBIL', 'KATALOG', 'F', 0)"_s); // kind not switched on
    }
    TempStore m_store;
};

TEST_F(ZuordnungImDatenbestand, ReadsRecordsAndComputerTypes)
{
    const TFilterZuordnung abil(u"ABIL"_s);
    EXPECT_EQ(abil.FuerRechner(101).Bezeichnung, u"GROSS"_s);
    EXPECT_EQ(abil.FuerRechner(101).Grund, TZuordnungsGrund::Rechnernummer);
    EXPECT_EQ(abil.FuerRechner(102).Bezeichnung, u"KLEIN"_s);
    EXPECT_EQ(abil.FuerRechner(102).Grund, TZuordnungsGrund::Rechnertyp);
    EXPECT_EQ(abil.FuerRechner(201).Grund, TZuordnungsGrund::Keine);
    EXPECT_EQ(abil.FuerTyp(u'F').Bezeichnung, u"KLEIN"_s);

    const TFilterZuordnung kbil(u"KBIL"_s);
    EXPECT_EQ(kbil.FuerRechner(102).Grund, TZuordnungsGrund::ArtAus);
    EXPECT_EQ(AktiveFilterArten(), QStringList{u"ABIL"_s});
}

TEST(ZuordnungText, NamesSettingAndReason)
{
    EXPECT_EQ(BedienungText(TBedienung{TZuordnungsGrund::Rechnertyp, u"KLEIN"_s}),
              u"KLEIN (Einstellung des Rechnertyps)"_s);
    EXPECT_TRUE(BedienungText(TBedienung{TZuordnungsGrund::ArtAus, QString()}).contains(u"ausgeschaltet"_s));
}

} // namespace
