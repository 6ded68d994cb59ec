// Export, import and report on the real store of the run's backend.

#include "TempStore.h"
#include "TestBackend.h"
#include "host/core/KOMMFilter.h"
#include "host/core/Rechner.h"
#include "host/core/Verlauf.h"
#include "transfer/Austausch.h"
#include "transfer/Bericht.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QXmlStreamReader>

#include <algorithm>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Two settings of ABIL (GROSS for type F, KLEIN for computer 101 of type F),
// one of KBIL that serves nobody, ABIL switched on.
QByteArray Beispiel(const QByteArray& abilEinstellungen = {})
{
    return R"({"format": "veldrake-filtereinstellungen", "version": 1, "filterarten": [
        {"kennung": "ABIL", "aktiv": true, "einstellungen": [)" +
           (abilEinstellungen.isEmpty()
                ? QByteArray(R"({"bezeichnung": "GROSS", "beschreibung": "Filialen", "werte": {"GroesseBreite": 1024,
                                 "GroesseHoehe": 768, "Qualitaetsverlust": 100, "OnlyFirstPicExp": true},
                                 "rechnertypen": ["F"]},
                                {"bezeichnung": "KLEIN", "werte": {"GroesseBreite": 320, "Fremd": [1, "x"]},
                                 "rechner": [101]})")
                : abilEinstellungen) +
           R"(]},
        {"kennung": "KBIL", "aktiv": false, "einstellungen": [{"bezeichnung": "ÖDE", "rechner": [102]}]}],
      "rechnertypen": [{"rtyp": "F", "name": "Filiale"}, {"rtyp": "K", "name": "Kasse"}],
      "rechner": [{"rnr": 101, "name": "Nord", "rtyp": "F", "master": true},
                  {"rnr": 102, "name": "Süd", "rtyp": "F"}, {"rnr": 201, "name": "Kasse", "rtyp": "K"}]})";
}

QByteArray Export(TStore& store)
{
    return AustauschText(AustauschLesen(store, {}, true));
}

// The document without the line that names the store it came from.
QByteArray OhneHerkunft(QByteArray text)
{
    const qsizetype von = text.indexOf("    \"datenbestand\"");
    return text.remove(von, text.indexOf('\n', von) - von + 1);
}

TImportPlan Import(TStore& store, const QByteArray& text, TImportOptionen optionen = {})
{
    optionen.Quelle = u"test.json"_s;
    return Importieren(store, AustauschParsen(text, optionen.Quelle), optionen);
}

class Austausch : public ::testing::Test
{
protected:
    TempStore m_store;
};

// Export, import into an empty store, export again: equal but for the
// store's name, on the run's backend and from it onto the other.
TEST_F(Austausch, RoundTripIsByteForByte)
{
    Import(m_store.Store(), Beispiel());
    const QByteArray erstes = Export(m_store.Store());
    EXPECT_EQ(Export(m_store.Store()), erstes) << "two exports of one store are equal";

    QDir(m_store.Dir()).mkpath(u"ziel"_s);
    QStringList ziele = {TestBackend::NewLocation(m_store.Dir() + u"/ziel"_s)};
    const QString anderes = TestBackend::Postgres() ? m_store.Dir() + u"/ziel.sqlite"_s
                                                    : TestBackend::NewServerDatabase();
    if (!anderes.isEmpty()) {
        ziele << anderes;
    }
    for (const QString& ort : ziele) {
        SCOPED_TRACE(ort.toStdString());
        const std::unique_ptr<TStore> ziel = TStore::Open(ort);
        TStore::SetCurrent(ziel.get());
        const TImportPlan plan = Import(*ziel, erstes);
        EXPECT_EQ(plan.Einstellungen, 3);
        EXPECT_EQ(OhneHerkunft(Export(*ziel)), OhneHerkunft(erstes));
        EXPECT_TRUE(ImportPlanen(*ziel, AustauschParsen(erstes, u"x"_s), {}).Leer()) << "importing again changes nothing";
        TStore::SetCurrent(&m_store.Store());
    }
    for (const QString& ort : ziele) {
        TestBackend::Discard(ort);
    }
}

TEST_F(Austausch, DryRunListsFieldByField)
{
    Import(m_store.Store(), Beispiel());
    const QByteArray neu = Beispiel(R"({"bezeichnung": "GROSS", "beschreibung": "Filialen", "werte": {"GroesseBreite": 800,
                                         "GroesseHoehe": 768, "Qualitaetsverlust": 100, "OnlyFirstPicExp": true},
                                        "rechnertypen": ["F", "K"]},
                                       {"bezeichnung": "NEU", "werte": {"BildLoeschen": true}, "rechner": [102]})");
    TRechnerAbbildung abbildung;
    abbildung.Nummern.insert(102, 201);
    struct
    {
        const char* Fall;
        bool Ersetzen;
        TRechnerAbbildung Abbildung;
        QStringList Zeilen;
        QStringList Nicht;
    } const faelle[] = {
        {"adds and replaces, the rest stays",
         false,
         {},
         {u"Artikelbilder „GROSS“: Einstellung wird geändert"_s, u"    max. Breite: 1024 → 800"_s,
          u"Artikelbilder „GROSS“: Rechnertyp K wird zugeordnet"_s, u"Artikelbilder „NEU“: Einstellung wird angelegt"_s,
          u"    Bild nicht übertragen: – → ja"_s, u"Artikelbilder „NEU“: Rechner 102 wird zugeordnet"_s},
         {u"KLEIN"_s, u"ÖDE"_s}},
        {"replace removes what the file leaves out",
         true,
         {},
         {u"Artikelbilder „KLEIN“: Einstellung wird mit ihren 1 Zuordnungen gelöscht"_s},
         {u"ÖDE"_s}},
        {"a map renames computers", false, abbildung, {u"Artikelbilder „NEU“: Rechner 201 wird zugeordnet"_s}, {u"Rechner 102"_s}},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.Fall);
        TImportOptionen optionen;
        optionen.Ersetzen = fall.Ersetzen;
        optionen.Abbildung = fall.Abbildung;
        // Only the ABIL kind is named, so KBIL stays also under --replace.
        QJsonObject dokument = QJsonDocument::fromJson(neu).object();
        dokument[u"filterarten"_s] = QJsonArray{dokument[u"filterarten"_s].toArray()[0]};
        const QByteArray text = QJsonDocument(dokument).toJson();
        const QStringList zeilen = ImportPlanen(m_store.Store(), AustauschParsen(text, u"x"_s), optionen)
                                       .Text()
                                       .split(u'\n');
        for (const QString& zeile : fall.Zeilen) {
            EXPECT_TRUE(zeilen.contains(zeile)) << zeile.toStdString() << "\n" << zeilen.join(u'\n').toStdString();
        }
        for (const QString& nicht : fall.Nicht) {
            EXPECT_FALSE(zeilen.join(u'\n').contains(nicht)) << nicht.toStdString();
        }
    }
}

TEST_F(Austausch, RefusedImportsLeaveTheStoreAsItWas)
{
    Import(m_store.Store(), Beispiel());
    const QByteArray vorher = Export(m_store.Store());
    const int verlauf = m_store.Count(u"SELECT COUNT(*) FROM verlauf"_s);
    const QByteArray zweiFuerF = R"({"bezeichnung": "A", "rechnertypen": ["F"]}, {"bezeichnung": "B", "rechnertypen": ["F"]})";
    struct
    {
        const char* Fall;
        QByteArray Text;
        bool Streng;
        QString Stelle;
    } const faelle[] = {
        {"malformed", "{\"format\": \"veldrake-filtereinstellungen\",\n \"version\": 1,,", false, u"Zeile 2, Spalte 16"_s},
        {"newer version", Beispiel().replace("\"version\": 1", "\"version\": 2"), false, u"Fassung 2"_s},
        {"other format", Beispiel().replace("veldrake-filtereinstellungen", "etwas"), false, u"an der Stelle format"_s},
        {"unknown kind", Beispiel().replace("\"KBIL\"", "\"XXXX\""), false, u"filterarten[1].kennung"_s},
        {"out of range", Beispiel().replace("\"Qualitaetsverlust\": 100", "\"Qualitaetsverlust\": 256"), false,
         u"werte.Qualitaetsverlust: 256 ist keine ganze Zahl von 0 bis 255"_s},
        {"not whole", Beispiel().replace("\"GroesseBreite\": 320", "\"GroesseBreite\": 3.5"), false,
         u"(„KLEIN“).werte.GroesseBreite"_s},
        {"lower case name", Beispiel().replace("\"KLEIN\"", "\"klein\""), false, u"Kleinbuchstaben"_s},
        {"name too long", Beispiel().replace("\"KLEIN\"", "\"KLEIN_UND_NOCH_LAENGER\""), false, u"länger als 16"_s},
        {"control character", Beispiel().replace("\"Filialen\"", "\"Fili\\u0007alen\""), false, u"Steuer"_s},
        {"wrong type", Beispiel().replace("\"aktiv\": true", "\"aktiv\": 1"), false, u"(ABIL).aktiv"_s},
        {"served twice", Beispiel(zweiFuerF), false, u"Rechnertyp F (Artikelbilder): „A“ (Datei), „B“ (Datei)"_s},
        {"served twice with the store", Beispiel(R"({"bezeichnung": "ANDERS", "rechner": [101]})"), false,
         u"Rechner 101 (Artikelbilder): „ANDERS“ (Datei), „KLEIN“ (Datenbestand)"_s},
        {"strict and unknown", Beispiel(R"({"bezeichnung": "GROSS", "rechner": [999]})"), true, u"Rechner 999"_s},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.Fall);
        TImportOptionen optionen;
        optionen.Streng = fall.Streng;
        try {
            Import(m_store.Store(), fall.Text, optionen);
            ADD_FAILURE() << "imported";
        } catch (const TAustauschFehler& e) {
            EXPECT_TRUE(e.Message().contains(fall.Stelle)) << e.Message().toStdString();
        }
        EXPECT_EQ(Export(m_store.Store()), vorher);
        EXPECT_EQ(m_store.Count(u"SELECT COUNT(*) FROM verlauf"_s), verlauf);
    }
}

TEST_F(Austausch, UnknownComputersAreImportedWithAWarning)
{
    const TImportPlan plan = Import(m_store.Store(), Beispiel(R"({"bezeichnung": "GROSS", "rechner": [999]})"));
    EXPECT_EQ(plan.Warnungen, QStringList{u"Rechner 999 (Artikelbilder „GROSS“) ist im Datenbestand nicht angelegt."_s});
    EXPECT_EQ(m_store.Count(u"SELECT COUNT(*) FROM fikofile WHERE RNr = 999"_s), 1);
}

// One unit of work with its history, and as many statements for a thousand
// settings as for ten.
TEST_F(Austausch, ImportIsOneUnitOfWorkWithConstantStatements)
{
    const auto einstellungen = [](int anzahl, int erste) {
        QByteArray text;
        for (int i = 0; i < anzahl; ++i) {
            text += (i ? "," : "") + QStringLiteral(R"({"bezeichnung": "E%1", "rechner": [%2, %3]})")
                                         .arg(i)
                                         .arg(erste + 2 * i)
                                         .arg(erste + 2 * i + 1)
                                         .toUtf8();
        }
        return text;
    };
    QList<qint64> anzahl;
    for (int n : {10, 1000}) {
        TempStore leer;
        const qint64 vorher = leer.Store().StatementCount();
        Import(leer.Store(), Beispiel(einstellungen(n, 1000)));
        anzahl << leer.Store().StatementCount() - vorher;
        EXPECT_EQ(leer.Count(u"SELECT COUNT(DISTINCT arbeitseinheit) FROM verlauf"_s), 1);
        const QList<TVerlaufEintrag> eintraege = VerlaufLesen(leer.Store(), {});
        EXPECT_EQ(std::count_if(eintraege.cbegin(), eintraege.cend(),
                                [](const TVerlaufEintrag& e) { return e.Art == u"zuordnung_hinzu"; }),
                  2 * n + 1);
        EXPECT_EQ(leer.Count(u"SELECT COUNT(*) FROM verlauf WHERE art = 'einstellungen_importiert'"_s), 1);
    }
    EXPECT_EQ(anzahl[0], anzahl[1]);
}

TEST_F(Austausch, ReportHoldsEverySettingComputerAndCheck)
{
    // GROSS for type F is overridden for 101 only; a setting for type K is
    // overridden for its only computer.
    Import(m_store.Store(), Beispiel(R"({"bezeichnung": "GROSS", "werte": {"GroesseBreite": 320, "GroesseHoehe": 240,
                                          "Qualitaetsverlust": 100, "OnlyFirstPicExp": true}, "rechnertypen": ["F"]},
                                         {"bezeichnung": "KASSE", "rechnertypen": ["K"]},
                                         {"bezeichnung": "KLEIN", "rechner": [101, 201]},
                                         {"bezeichnung": "LEER"})"));
    const TBericht bericht = BerichtLesen(m_store.Store());
    const QByteArray html = BerichtHtml(bericht);
    QXmlStreamReader xml(html);
    QStringList zellen;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"td") {
            zellen << xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
        EXPECT_NE(xml.name(), u"script");
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_FALSE(html.contains("http")) << "no remote resources";
    EXPECT_TRUE(html.contains("size: A4"));
    for (const QString& zelle : {u"GROSS"_s, u"KASSE"_s, u"KLEIN"_s, u"LEER"_s, u"ÖDE"_s, u"Nord"_s, u"Süd"_s,
                                 u"höchstens 320 × 240 Pixel, nur das erste Bild, Qualität 61 %"_s,
                                 u"KLEIN (Einstellung der Rechnernummer; überschreibt GROSS des Rechnertyps F)"_s}) {
        EXPECT_TRUE(zellen.contains(zelle)) << zelle.toStdString();
    }
    EXPECT_TRUE(html.contains("Die Einstellung des Rechnertyps K ist für jeden Rechner des Typs überschrieben"));

    const QJsonObject json = QJsonDocument::fromJson(QJsonDocument(BerichtJson(bericht)).toJson()).object();
    const QJsonObject abil = json[u"filterarten"_s].toArray()[0].toObject();
    EXPECT_EQ(abil[u"pruefungen"_s][u"unbenutzt"_s].toArray(), (QJsonArray{u"KASSE"_s, u"LEER"_s}));
    EXPECT_EQ(abil[u"pruefungen"_s][u"typ_ueberall_ueberschrieben"_s].toArray(), QJsonArray{u"K"_s});
    EXPECT_TRUE(abil[u"pruefungen"_s][u"ohne_einstellung"_s].toArray().isEmpty());
    const QJsonObject nord = json[u"rechner"_s].toArray()[0].toObject();
    EXPECT_EQ(nord[u"filter"_s][u"ABIL"_s][u"ueberschreibt"_s].toString(), u"GROSS"_s);
    EXPECT_EQ(json[u"rechner"_s].toArray().size(), 3);
}

TEST_F(Austausch, ReportFindsComputersServedTwiceInAnOldStore)
{
    SKIP_UNLESS_SQLITE(); // the old store is an SQLite file
    const QString pfad = m_store.Dir() + u"/alt.sqlite"_s;
    WriteDoubleServedStore(pfad);
    const std::unique_ptr<TStore> alt = TStore::Open(pfad);
    TStore::SetCurrent(alt.get());
    const TBericht bericht = BerichtLesen(*alt);
    TStore::SetCurrent(&m_store.Store());
    QStringList doppelt;
    for (const TBerichtDoppelt& d : bericht.Arten[0].Doppelt) {
        doppelt << QStringLiteral("%1/%2: %3").arg(d.RTyp).arg(d.RNr).arg(d.Bezeichnungen.join(u','));
    }
    EXPECT_EQ(doppelt, (QStringList{u" /5: S1,S2"_s, u"A/0: S1,S3"_s}));
}

} // namespace
