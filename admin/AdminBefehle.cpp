#include "admin/AdminBefehle.h"

#include "host/core/KRNError.h"
#include "host/core/KRNProgramm.h"
#include "host/core/Rechner.h"
#include "host/core/Verlauf.h"
#include "host/store/PostgresAddress.h"
#include "host/store/Store.h"
#include "host/store/StoreCopy.h"
#include "transfer/Austausch.h"
#include "transfer/Bericht.h"
#include "transfer/BildEngineLader.h"
#include "transfer/Transfer.h"
#include "transfer/Zuordnung.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <functional>

#include <unistd.h>

namespace {

// A command line that cannot be run as given.
class TAufrufFehler : public KRNException
{
public:
    using KRNException::KRNException;
};

// Input that is refused (exit code exEingabe).
class TEingabeFehler : public KRNException
{
public:
    using KRNException::KRNException;
};

void Aus(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
}

void Meldung(const QString& text)
{
    std::fprintf(stderr, "veldrake-admin: %s\n", text.toUtf8().constData());
}

// Opens the program's store: --store, else VELDRAKE_STORE, else the default.
void DatenbestandOeffnen(const QString& pfad)
{
    if (!pfad.isEmpty()) {
        qputenv("VELDRAKE_STORE", QFile::encodeName(pfad));
    }
    KRNProgramm().Init(QStringLiteral("VELDRAKE"), 0, 0, 0, false);
}

void Parsen(QCommandLineParser& parser, const QStringList& argumente)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(QStringList{QStringLiteral("veldrake-admin")} + argumente)) {
        throw TAufrufFehler(parser.errorText());
    }
}

QCommandLineOption Option(const char* name, const char* beschreibung, const char* wert = nullptr)
{
    if (wert == nullptr) {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(beschreibung));
    }
    return QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(beschreibung),
                              QString::fromLatin1(wert));
}

qint32 RNrWert(const QString& text)
{
    bool ok = false;
    const qint32 rnr = text.toInt(&ok);
    if (!ok || rnr < 1) {
        throw TAufrufFehler(QStringLiteral("--rnr erwartet eine Rechnernummer ab 1, nicht »%1«").arg(text));
    }
    return rnr;
}

QChar RTypWert(const QString& text)
{
    if (text.size() != 1 || text[0] == u' ') {
        throw TAufrufFehler(QStringLiteral("--rtyp erwartet genau ein Zeichen, nicht »%1«").arg(text));
    }
    return text[0];
}

// The computers named by --rnr, --rtyp or --all (all when none is given and
// keineHeisstAlle).
QList<TRechner> RechnerAuswahl(const QCommandLineParser& parser, bool keineHeisstAlle)
{
    const int angaben = int(parser.isSet(QStringLiteral("rnr"))) + int(parser.isSet(QStringLiteral("rtyp"))) +
                        int(parser.isSet(QStringLiteral("all")));
    if (angaben > 1 || (angaben == 0 && !keineHeisstAlle)) {
        throw TAufrufFehler(QStringLiteral("genau eine der Angaben --rnr, --rtyp oder --all ist nötig"));
    }
    const QList<TRechner> alle = ReadRechner(TStore::Required(), false);
    QList<TRechner> auswahl;
    if (parser.isSet(QStringLiteral("rnr"))) {
        const qint32 rnr = RNrWert(parser.value(QStringLiteral("rnr")));
        for (const TRechner& rechner : alle) {
            if (rechner.RNr == rnr) {
                auswahl.append(rechner);
            }
        }
        if (auswahl.isEmpty()) {
            throw TEingabeFehler(QStringLiteral("Rechner %1 ist nicht angelegt.").arg(rnr));
        }
    } else if (parser.isSet(QStringLiteral("rtyp"))) {
        const QChar rtyp = RTypWert(parser.value(QStringLiteral("rtyp")));
        for (const TRechner& rechner : alle) {
            if (rechner.RTyp == rtyp) {
                auswahl.append(rechner);
            }
        }
        if (auswahl.isEmpty()) {
            throw TEingabeFehler(QStringLiteral("Zum Rechnertyp %1 ist kein Rechner angelegt.").arg(rtyp));
        }
    } else {
        auswahl = alle;
    }
    return auswahl;
}

QJsonObject RechnerJson(const TRechner& rechner)
{
    return QJsonObject{{QStringLiteral("rnr"), rechner.RNr},
                       {QStringLiteral("name"), rechner.Name},
                       {QStringLiteral("rtyp"), QString(rechner.RTyp)}};
}

QJsonObject BedienungJson(const TBedienung& bedienung)
{
    return QJsonObject{{QStringLiteral("einstellung"), bedienung.Bezeichnung},
                       {QStringLiteral("grund"), ZuordnungsGrundSchluessel(bedienung.Grund)},
                       {QStringLiteral("text"), BedienungText(bedienung)}};
}

// The same with what the setting overrides and what it does to an image.
QJsonObject ErklaerungJson(const TFilterZuordnung& art, const TBedienung& bedienung)
{
    QJsonObject json = BedienungJson(bedienung);
    json.insert(QStringLiteral("text"), art.Erklaerung(bedienung));
    json.insert(QStringLiteral("ueberschreibt"),
                bedienung.Ueberschrieben.isEmpty()
                    ? QJsonValue()
                    : QJsonValue(QJsonObject{{QStringLiteral("einstellung"), bedienung.Ueberschrieben},
                                             {QStringLiteral("rtyp"), QString(bedienung.UeberschriebenTyp)}}));
    json.insert(QStringLiteral("wirkung"),
                bedienung.Filtert() ? QJsonValue(art.Wirkung(bedienung.Bezeichnung)) : QJsonValue());
    return json;
}

void JsonAus(const QJsonObject& object)
{
    Aus(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)));
}

// --- explain ---------------------------------------------------------------------

int Erklaeren(const QStringList& argumente)
{
    QCommandLineParser parser;
    parser.addOptions({Option("rnr", "Nur dieser Rechner.", "nummer"),
                       Option("rtyp", "Nur die Rechner dieses Typs.", "typ"),
                       Option("all", "Alle Rechner (Vorgabe)."), Option("json", "Ausgabe als JSON.")});
    Parsen(parser, argumente);
    const QList<TRechner> rechnerListe = RechnerAuswahl(parser, true);
    QList<TFilterZuordnung> arten;
    for (const QString& kennung : AktiveFilterArten()) {
        arten.append(TFilterZuordnung(kennung));
    }
    QJsonArray json;
    QString text;
    if (arten.isEmpty()) {
        text += QStringLiteral("Keine Filterart ist eingeschaltet; alle Bilder gehen unverändert weiter.\n");
    }
    for (const TRechner& rechner : rechnerListe) {
        text +=
            QStringLiteral("Rechner %1 %2 (Typ %3)\n").arg(rechner.RNr).arg(rechner.Name).arg(rechner.RTyp);
        QJsonObject arten_json;
        for (const TFilterZuordnung& art : arten) {
            const TBedienung bedienung = art.FuerRechner(rechner.RNr);
            text += QStringLiteral("  %1: %2\n").arg(art.Kennung(), art.Erklaerung(bedienung));
            arten_json.insert(art.Kennung(), ErklaerungJson(art, bedienung));
        }
        QJsonObject eintrag = RechnerJson(rechner);
        eintrag.insert(QStringLiteral("filter"), arten_json);
        json.append(eintrag);
    }
    if (parser.isSet(QStringLiteral("json"))) {
        JsonAus(QJsonObject{{QStringLiteral("rechner"), json}});
    } else {
        Aus(text);
    }
    return exOk;
}

// --- transfer --------------------------------------------------------------------

// A bar on stderr when it is a terminal; nothing otherwise.
std::function<void(int, int)> Fortschrittsbalken()
{
    if (isatty(STDERR_FILENO) == 0) {
        return {};
    }
    return [](int erledigt, int gesamt) {
        constexpr int kBreite = 40;
        const int voll = gesamt > 0 ? erledigt * kBreite / gesamt : kBreite;
        const QString balken = QString(voll, u'#') + QString(kBreite - voll, u'.');
        std::fprintf(stderr, "\r[%s] %d/%d Bilder", balken.toLatin1().constData(), erledigt, gesamt);
        if (erledigt >= gesamt) {
            std::fputs("\n", stderr);
        }
        std::fflush(stderr);
    };
}

QJsonObject TransferJson(const TTransferAuftrag& auftrag, const TTransferErgebnis& ergebnis)
{
    QJsonArray rechner;
    for (const TTransferRechner& eintrag : ergebnis.Rechner) {
        QJsonObject object = RechnerJson(eintrag.Rechner);
        const QJsonObject bedienung = BedienungJson(eintrag.Bedienung);
        for (auto it = bedienung.constBegin(); it != bedienung.constEnd(); ++it) {
            object.insert(it.key(), it.value());
        }
        object.insert(QStringLiteral("ordner"),
                      QDir(auftrag.Ausgabe).filePath(QString::number(eintrag.Rechner.RNr)));
        object.insert(QStringLiteral("bilder"), QJsonArray::fromStringList(eintrag.Bilder));
        rechner.append(object);
    }
    QJsonArray fehler;
    for (const TBildFehler& eintrag : ergebnis.Fehler) {
        fehler.append(QJsonObject{{QStringLiteral("bild"), eintrag.Name},
                                  {QStringLiteral("meldung"), eintrag.Meldung}});
    }
    return QJsonObject{{QStringLiteral("kennung"), auftrag.Kennung},
                       {QStringLiteral("einstellungen"), ergebnis.Einstellungen},
                       {QStringLiteral("verarbeitet"), ergebnis.Verarbeitet},
                       {QStringLiteral("rechner"), rechner},
                       {QStringLiteral("fehler"), fehler}};
}

QStringList Eingabebilder(const QCommandLineParser& parser)
{
    QStringList bilder;
    if (parser.isSet(QStringLiteral("in"))) {
        const QString ordner = parser.value(QStringLiteral("in"));
        if (!QFileInfo(ordner).isDir()) {
            throw TEingabeFehler(QStringLiteral("Der Bildordner %1 existiert nicht.").arg(ordner));
        }
        bilder = BilderImOrdner(ordner);
    }
    bilder += parser.positionalArguments();
    if (bilder.isEmpty()) {
        throw TEingabeFehler(
            QStringLiteral("Es sind keine Bilder angegeben (--in ORDNER oder Bilddateien)."));
    }
    return bilder;
}

int Uebertragen(const QStringList& argumente)
{
    QCommandLineParser parser;
    parser.addOptions(
        {Option("kind", "Filterart (Kennung), z. B. ABIL oder KBIL.", "kennung"),
         Option("rnr", "Für diesen Rechner.", "nummer"),
         Option("rtyp", "Für alle Rechner dieses Typs.", "typ"), Option("all", "Für alle Rechner."),
         Option("in", "Ordner mit den Bildern eines Eintrags (nach Namen geordnet).", "ordner"),
         Option("out", "Ausgabeordner; jeder Rechner bekommt darin einen Ordner <RNr>.", "ordner"),
         Option("threads", "Anzahl gleichzeitig bearbeiteter Bilder (Vorgabe: Kerne).", "anzahl"),
         Option("json", "Zusammenfassung als JSON auf stdout.")});
    Parsen(parser, argumente);
    if (parser.value(QStringLiteral("kind")).isEmpty() || parser.value(QStringLiteral("out")).isEmpty()) {
        throw TAufrufFehler(QStringLiteral("transfer braucht --kind und --out"));
    }
    TTransferAuftrag auftrag;
    auftrag.Kennung = parser.value(QStringLiteral("kind"));
    auftrag.Ausgabe = parser.value(QStringLiteral("out"));
    auftrag.Threads = parser.value(QStringLiteral("threads")).toInt();
    auftrag.Bilder = Eingabebilder(parser);
    auftrag.Rechner = RechnerAuswahl(parser, false);
    auftrag.Fortschritt = Fortschrittsbalken();
    const TTransferErgebnis ergebnis = Uebertragen(auftrag);
    for (const TBildFehler& fehler : ergebnis.Fehler) {
        Meldung(fehler.Meldung);
    }
    if (parser.isSet(QStringLiteral("json"))) {
        JsonAus(TransferJson(auftrag, ergebnis));
    } else {
        Aus(QStringLiteral("%1 Rechner, %2 verschiedene Einstellungen, %3 Bilder bearbeitet, %4 Fehler.\n")
                .arg(ergebnis.Rechner.size())
                .arg(ergebnis.Einstellungen)
                .arg(ergebnis.Verarbeitet)
                .arg(ergebnis.Fehler.size()));
    }
    return ergebnis.Fehler.isEmpty() ? exOk : exBildFehler;
}

// --- import-computers ------------------------------------------------------------

int RechnerEinlesen(const QStringList& argumente)
{
    QCommandLineParser parser;
    Parsen(parser, argumente);
    if (parser.positionalArguments().size() != 1) {
        throw TAufrufFehler(QStringLiteral("import-computers erwartet genau eine Datei"));
    }
    try {
        const TRechnerImport result =
            ImportComputersCsv(TStore::Required(), parser.positionalArguments().first());
        Aus(QStringLiteral("%1 Rechnertypen und %2 Rechner eingelesen.\n")
                .arg(result.RTypCount)
                .arg(result.RNrCount));
    } catch (const StoreError&) {
        throw;
    } catch (const KRNException& e) {
        throw TEingabeFehler(e.Message() + QStringLiteral("\nNichts wurde eingelesen."));
    }
    return exOk;
}

// A store named on the command line; a file must exist already, so that a
// typing error never yields a new, empty store.
std::unique_ptr<TStore> GenannterDatenbestand(const QString& ort)
{
    if (!IsPostgresAddress(ort) && !QFileInfo::exists(ort)) {
        throw TEingabeFehler(QStringLiteral("Den Datenbestand %1 gibt es nicht.").arg(ort));
    }
    return TStore::Open(ort);
}

// store copy SOURCE TARGET
int DatenbestandBefehl(const QStringList& argumente)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("copy"), QString());
    parser.addOptions({Option("reader", "grant: Rechte zum Lesen."),
                       Option("editor", "grant: Rechte zum Bearbeiten (ohne den Verlauf zu ändern).")});
    Parsen(parser, argumente);
    const QStringList positionen = parser.positionalArguments();
    if (positionen.value(0) == u"grant") {
        const bool leser = parser.isSet(QStringLiteral("reader"));
        const bool bearbeiter = parser.isSet(QStringLiteral("editor"));
        if (positionen.size() != 2 || leser == bearbeiter) {
            throw TAufrufFehler(QStringLiteral("store grant erwartet --reader oder --editor und eine ROLLE"));
        }
        try {
            if (!TStore::Required().Grant(bearbeiter, positionen[1])) {
                throw TEingabeFehler(QStringLiteral("Rollen und Rechte gibt es nur auf einem PostgreSQL-Datenbestand."));
            }
        } catch (const StoreError&) {
            throw;
        } catch (const KRNException& e) {
            throw TEingabeFehler(e.Message());
        }
        Aus(QStringLiteral("Die Rolle %1 hat die Rechte %2.\n")
                .arg(positionen[1], bearbeiter ? QStringLiteral("zum Bearbeiten") : QStringLiteral("zum Lesen")));
        return exOk;
    }
    if (positionen.value(0) != u"copy" || positionen.size() != 3) {
        throw TAufrufFehler(QStringLiteral("store copy erwartet QUELLE und ZIEL"));
    }
    const std::unique_ptr<TStore> quelle = GenannterDatenbestand(positionen[1]);
    const std::unique_ptr<TStore> ziel = TStore::Open(positionen[2]);
    try {
        for (const TStoreCopyCount& anzahl : CopyStore(*quelle, *ziel)) {
            Aus(QStringLiteral("%1: %2 Zeilen kopiert und geprüft\n").arg(anzahl.Table).arg(anzahl.Rows));
        }
    } catch (const TStoreCopyRefused& e) {
        throw TEingabeFehler(e.Message());
    }
    return exOk;
}

// --- history --------------------------------------------------------------------

QDate DatumWert(const QString& option, const QString& text)
{
    QDate datum = QDate::fromString(text, Qt::ISODate);
    if (!datum.isValid()) {
        datum = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    }
    if (!datum.isValid()) {
        throw TAufrufFehler(
            QStringLiteral("--%1 erwartet ein Datum (JJJJ-MM-TT oder TT.MM.JJJJ), nicht »%2«").arg(option, text));
    }
    return datum;
}

QJsonObject VerlaufJson(const TVerlaufEintrag& e)
{
    const auto json = [](const QJsonObject& wert) { return wert.isEmpty() ? QJsonValue() : QJsonValue(wert); };
    return QJsonObject{{QStringLiteral("id"), e.Id},
                       {QStringLiteral("zeit"), e.Zeit.toLocalTime().toString(Qt::ISODateWithMs)},
                       {QStringLiteral("zeit_utc"), e.Zeit.toString(Qt::ISODateWithMs)},
                       {QStringLiteral("arbeitseinheit"), e.Arbeitseinheit},
                       {QStringLiteral("benutzer"), e.Benutzer},
                       {QStringLiteral("rolle"), e.Rolle},
                       {QStringLiteral("arbeitsplatz"), e.Arbeitsplatz},
                       {QStringLiteral("programm"), e.Programm},
                       {QStringLiteral("version"), e.Version},
                       {QStringLiteral("art"), e.Art},
                       {QStringLiteral("kennung"), e.Kennung},
                       {QStringLiteral("einstellung"), e.Bezeichnung},
                       {QStringLiteral("rtyp"), QString(e.RTyp)},
                       {QStringLiteral("rnr"), e.RNr},
                       {QStringLiteral("vorher"), json(e.Vorher)},
                       {QStringLiteral("nachher"), json(e.Nachher)},
                       {QStringLiteral("text"), VerlaufText(e)}};
}

// One line per entry: local time, who where with which program, kind and
// setting, the change in words.
QString VerlaufZeile(const TVerlaufEintrag& e)
{
    QString wer = e.Benutzer.isEmpty() ? e.Rolle : e.Benutzer;
    if (!e.Rolle.isEmpty() && e.Rolle != wer) {
        wer += QStringLiteral(" (%1)").arg(e.Rolle);
    }
    QString was = e.Kennung;
    if (!e.Bezeichnung.isEmpty()) {
        was += QStringLiteral(" „%1“").arg(e.Bezeichnung);
    }
    return QStringLiteral("%1  %2@%3  %4 %5  %6%7\n")
        .arg(e.Zeit.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")), wer, e.Arbeitsplatz, e.Programm,
             e.Version, was.isEmpty() ? QString() : was + QStringLiteral(": "), VerlaufText(e));
}

int VerlaufBefehl(const QStringList& argumente)
{
    QCommandLineParser parser;
    parser.addOptions({Option("kind", "Nur diese Filterart (Kennung).", "kennung"),
                       Option("setting", "Nur diese gespeicherte Einstellung.", "name"),
                       Option("rnr", "Nur dieser Rechner.", "nummer"),
                       Option("rtyp", "Nur dieser Rechnertyp.", "typ"),
                       Option("since", "Ab diesem Tag.", "datum"), Option("until", "Bis zu diesem Tag.", "datum"),
                       Option("before", "prune: der Verlauf vor diesem Tag wird entfernt.", "datum"),
                       Option("json", "Ausgabe als JSON.")});
    Parsen(parser, argumente);
    const QStringList positionen = parser.positionalArguments();
    if (positionen.value(0) == u"prune") {
        if (positionen.size() != 1 || !parser.isSet(QStringLiteral("before"))) {
            throw TAufrufFehler(QStringLiteral("history prune erwartet --before DATUM"));
        }
        const QDate vor = DatumWert(QStringLiteral("before"), parser.value(QStringLiteral("before")));
        const int entfernt = VerlaufKuerzen(TStore::Required(), vor);
        Aus(QStringLiteral("%1 Einträge vor dem %2 entfernt.\n").arg(entfernt).arg(vor.toString(QStringLiteral("dd.MM.yyyy"))));
        return exOk;
    }
    if (!positionen.isEmpty() || parser.isSet(QStringLiteral("before"))) {
        throw TAufrufFehler(QStringLiteral("history erwartet nur Optionen oder »prune --before DATUM«"));
    }
    if (parser.isSet(QStringLiteral("rnr")) && parser.isSet(QStringLiteral("rtyp"))) {
        throw TAufrufFehler(QStringLiteral("--rnr und --rtyp schließen einander aus"));
    }
    TVerlaufFilter filter;
    filter.Kennung = parser.value(QStringLiteral("kind"));
    filter.Bezeichnung = parser.value(QStringLiteral("setting"));
    if (parser.isSet(QStringLiteral("rnr"))) {
        filter.RNr = RNrWert(parser.value(QStringLiteral("rnr")));
    }
    if (parser.isSet(QStringLiteral("rtyp"))) {
        filter.RTyp = RTypWert(parser.value(QStringLiteral("rtyp")));
    }
    if (parser.isSet(QStringLiteral("since"))) {
        filter.Seit = DatumWert(QStringLiteral("since"), parser.value(QStringLiteral("since")));
    }
    if (parser.isSet(QStringLiteral("until"))) {
        filter.Bis = DatumWert(QStringLiteral("until"), parser.value(QStringLiteral("until")));
    }
    const QList<TVerlaufEintrag> eintraege = VerlaufLesen(TStore::Required(), filter);
    if (parser.isSet(QStringLiteral("json"))) {
        QJsonArray json;
        for (const TVerlaufEintrag& e : eintraege) {
            json.append(VerlaufJson(e));
        }
        JsonAus(QJsonObject{{QStringLiteral("verlauf"), json}});
        return exOk;
    }
    QString text;
    for (const TVerlaufEintrag& e : eintraege) {
        text += VerlaufZeile(e);
    }
    Aus(text);
    return exOk;
}

// --- export and import ------------------------------------------------------------

// Writes the text to the file, whole or not at all, or to stdout for "-".
void Schreiben(const QString& datei, const QByteArray& text)
{
    if (datei == u"-") {
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return;
    }
    QSaveFile aus(datei);
    if (!aus.open(QIODevice::WriteOnly) || aus.write(text) != text.size() || !aus.commit()) {
        throw KRNException(QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(datei, aus.errorString()));
    }
}

QByteArray Lesen(const QString& datei)
{
    QFile ein;
    const bool offen = datei == u"-" ? ein.open(stdin, QIODevice::ReadOnly)
                                     : (ein.setFileName(datei), ein.open(QIODevice::ReadOnly));
    if (!offen) {
        throw TEingabeFehler(QStringLiteral("%1 kann nicht gelesen werden: %2").arg(datei, ein.errorString()));
    }
    return ein.readAll();
}

int Exportieren(const QStringList& argumente)
{
    QCommandLineParser parser;
    parser.addOptions({Option("kind", "Nur diese Filterart (Kennung), auch mehrmals.", "kennung"),
                       Option("computers", "Mit den Rechnertabellen des Datenbestands.")});
    Parsen(parser, argumente);
    const QStringList positionen = parser.positionalArguments();
    if (positionen.size() > 1) {
        throw TAufrufFehler(QStringLiteral("export erwartet höchstens eine Datei"));
    }
    TAustausch austausch;
    try {
        austausch = AustauschLesen(TStore::Required(), parser.values(QStringLiteral("kind")),
                                   parser.isSet(QStringLiteral("computers")));
    } catch (const TAustauschFehler& e) {
        throw TAufrufFehler(e.Message());
    }
    Schreiben(positionen.value(0, QStringLiteral("-")), AustauschText(austausch));
    return exOk;
}

int ImportBefehl(const QStringList& argumente)
{
    QCommandLineParser parser;
    parser.addOptions({Option("dry-run", "Nur zeigen, was sich ändern würde."),
                       Option("replace", "Die Filterarten der Datei werden genau, was sie sagt."),
                       Option("map", "Rechnertypen und -nummern umschreiben (CSV).", "datei"),
                       Option("strict", "Unbekannte Rechner ablehnen.")});
    Parsen(parser, argumente);
    const QStringList positionen = parser.positionalArguments();
    if (positionen.size() != 1) {
        throw TAufrufFehler(QStringLiteral("import erwartet genau eine Datei"));
    }
    TImportOptionen optionen;
    optionen.Ersetzen = parser.isSet(QStringLiteral("replace"));
    optionen.Streng = parser.isSet(QStringLiteral("strict"));
    optionen.Quelle = positionen[0] == u"-" ? QStringLiteral("(Standardeingabe)") : positionen[0];
    try {
        if (parser.isSet(QStringLiteral("map"))) {
            const QString karte = parser.value(QStringLiteral("map"));
            optionen.Abbildung = RechnerAbbildungLesen(Lesen(karte), karte);
        }
        const TAustausch austausch = AustauschParsen(Lesen(positionen[0]), optionen.Quelle);
        const bool probe = parser.isSet(QStringLiteral("dry-run"));
        const TImportPlan plan = probe ? ImportPlanen(TStore::Required(), austausch, optionen)
                                       : Importieren(TStore::Required(), austausch, optionen);
        for (const QString& warnung : plan.Warnungen) {
            Meldung(QStringLiteral("Warnung: ") + warnung);
        }
        Aus(plan.Text());
        if (probe) {
            return plan.Leer() ? exOk : exUnterschiede;
        }
        Aus(plan.Leer() ? QStringLiteral("Nichts zu ändern.\n")
                        : QStringLiteral("%1 Einstellungen und %2 Zuordnungen importiert.\n")
                              .arg(plan.Einstellungen)
                              .arg(plan.Zuordnungen));
    } catch (const TAustauschFehler& e) {
        throw TEingabeFehler(e.Message());
    }
    return exOk;
}

// report (--html FILE | --json)
int BerichtBefehl(const QStringList& argumente)
{
    QCommandLineParser parser;
    parser.addOptions({Option("html", "Als HTML-Seite in diese Datei (- für die Ausgabe).", "datei"),
                       Option("json", "Als JSON auf die Ausgabe.")});
    Parsen(parser, argumente);
    if (!parser.positionalArguments().isEmpty() ||
        parser.isSet(QStringLiteral("html")) == parser.isSet(QStringLiteral("json"))) {
        throw TAufrufFehler(QStringLiteral("report erwartet genau eine der Angaben --html DATEI oder --json"));
    }
    const TBericht bericht = BerichtLesen(TStore::Required());
    if (parser.isSet(QStringLiteral("json"))) {
        JsonAus(BerichtJson(bericht));
    } else {
        Schreiben(parser.value(QStringLiteral("html")), BerichtHtml(bericht));
    }
    return exOk;
}

struct TBefehl
{
    const char* Name;
    int (*Ausfuehren)(const QStringList&);
    bool MitDatenbestand = true; // runs on the program's store
};

const TBefehl kBefehle[] = {
    {"explain", Erklaeren},
    {"transfer", Uebertragen},
    {"import-computers", RechnerEinlesen},
    {"store", DatenbestandBefehl, false},
    {"history", VerlaufBefehl},
    {"export", Exportieren},
    {"import", ImportBefehl},
    {"report", BerichtBefehl},
};

int Ausfuehren(const QStringList& argumente)
{
    QStringList rest = argumente;
    QString store;
    while (!rest.isEmpty() && rest.first().startsWith(u'-')) {
        const QString option = rest.takeFirst();
        if (option == u"--help" || option == u"-h") {
            Aus(AdminHilfe());
            return exOk;
        }
        if (option == u"--store" && !rest.isEmpty()) {
            store = rest.takeFirst();
        } else if (option.startsWith(u"--store=")) {
            store = option.mid(8);
        } else {
            throw TAufrufFehler(QStringLiteral("unbekannte Option %1").arg(option));
        }
    }
    if (rest.isEmpty()) {
        throw TAufrufFehler(QStringLiteral("kein Befehl angegeben"));
    }
    const QString name = rest.takeFirst();
    if (name == u"help" || rest.contains(QStringLiteral("--help"))) {
        Aus(AdminHilfe());
        return exOk;
    }
    for (const TBefehl& befehl : kBefehle) {
        if (name == QLatin1String(befehl.Name)) {
            if (befehl.MitDatenbestand || (name == u"store" && rest.value(0) == u"grant")) {
                DatenbestandOeffnen(store);
            }
            return befehl.Ausfuehren(rest);
        }
    }
    throw TAufrufFehler(QStringLiteral("unbekannter Befehl »%1«").arg(name));
}

} // namespace

QString AdminHilfe()
{
    return QStringLiteral(
        "Aufruf: veldrake-admin [--store DATENBESTAND] BEFEHL [OPTIONEN]\n"
        "\n"
        "Arbeitet auf dem Datenbestand des Programms (--store, sonst VELDRAKE_STORE,\n"
        "sonst die Vorgabedatei im Datenverzeichnis des Benutzers): ein Dateipfad oder\n"
        "die Adresse eines PostgreSQL-Servers, als URI (postgresql://benutzer@db1,db2/\n"
        "datenbank?target_session_attrs=read-write) oder als host=db1,db2 dbname=datenbank.\n"
        "\n"
        "Befehle:\n"
        "  explain [--rnr N | --rtyp T | --all] [--json]\n"
        "      Welche gespeicherte Einstellung jeder eingeschalteten Filterart einen\n"
        "      Rechner bedient, warum, was sie überschreibt und was sie mit einem Bild\n"
        "      macht (Vorgabe: alle Rechner).\n"
        "  export [--kind K ...] [--computers] [DATEI | -]\n"
        "      Schreibt die Filterarten mit Aktivität, Einstellungen, Werten und\n"
        "      Zuordnungen (mit --computers auch die Rechnertabellen) als JSON-Dokument,\n"
        "      stabil geordnet; ohne DATEI auf die Ausgabe.\n"
        "  import DATEI [--dry-run] [--replace] [--map KARTE.csv] [--strict]\n"
        "      Übernimmt ein solches Dokument als eine Arbeitseinheit: was die Datei\n"
        "      nennt, wird angelegt oder ersetzt, alles andere bleibt; --replace macht\n"
        "      die genannten Filterarten genau zu dem, was die Datei sagt; --map\n"
        "      schreibt Rechnertypen und -nummern um (Rechnertyp;QUELLE;ZIEL,\n"
        "      Rechner;QUELLE;ZIEL); --strict lehnt unbekannte Rechner ab. --dry-run\n"
        "      zeigt nur, was sich ändern würde: Rückgabewert 0, wenn nichts, 1, wenn\n"
        "      etwas.\n"
        "  report (--html DATEI | --json)\n"
        "      Der Bericht: jede Filterart, jede Einstellung mit ihren Werten in Worten,\n"
        "      welche Einstellung jeden Rechner bedient und warum, und die Prüfungen.\n"
        "  transfer --kind KENNUNG (--rnr N | --rtyp T | --all) --out ORDNER\n"
        "           (--in ORDNER | BILD...) [--json] [--threads N]\n"
        "      Wendet die bedienende Einstellung auf die Bilder eines Eintrags an und\n"
        "      schreibt sie nach ORDNER/<RNr>/. Jedes Bild wird je Einstellung einmal\n"
        "      bearbeitet. Fortschrittsbalken nur auf einem Terminal.\n"
        "  store copy QUELLE ZIEL\n"
        "      Kopiert einen Datenbestand (alle Tabellen, auch die Rechnertabellen und den\n"
        "      Verlauf) in einen leeren, z. B. eine SQLite-Datei in eine leere\n"
        "      PostgreSQL-Datenbank\n"
        "      (postgresql://benutzer@rechner:port/datenbank), und vergleicht beide\n"
        "      Zeile für Zeile. Ein Ziel, das nicht leer ist, wird abgelehnt (3).\n"
        "  store grant (--reader | --editor) ROLLE\n"
        "      Gibt einer Rolle des PostgreSQL-Servers die Rechte eines Lesers (nur\n"
        "      SELECT) oder eines Bearbeiters (Einstellungen, Zuordnungen, Aktivität\n"
        "      und neue Verlaufseinträge; den Verlauf ändern oder löschen nie).\n"
        "      Nur der Eigentümer der Tabellen darf das.\n"
        "  import-computers DATEI.csv\n"
        "      Liest Rechnertypen und Rechner ein (Rechnertyp;Typ;Name und\n"
        "      Rechner;Nummer;Name;Typ[;Master]). Eine fehlerhafte Zeile wird mit ihrer\n"
        "      Nummer gemeldet, und dann wird nichts eingelesen.\n"
        "  history [--kind K] [--setting NAME] [--rnr N | --rtyp T] [--since DATUM]\n"
        "          [--until DATUM] [--json]\n"
        "      Der Änderungsverlauf, neueste Einträge zuerst, in Ortszeit: wann, wer, an\n"
        "      welchem Arbeitsplatz, mit welchem Programm, was vorher und nachher war.\n"
        "      DATUM als JJJJ-MM-TT oder TT.MM.JJJJ, beide Tage eingeschlossen.\n"
        "  history prune --before DATUM\n"
        "      Entfernt den Verlauf vor dem Tag und vermerkt das im Verlauf. Auf einem\n"
        "      PostgreSQL-Server nur für den Eigentümer der Tabelle verlauf.\n"
        "  help\n"
        "\n"
        "Rückgabewerte:\n"
        "  0  erledigt (import --dry-run: nichts würde sich ändern)\n"
        "  1  erledigt, aber Bilder waren beschädigt oder nicht lesbar (auf stderr genannt);\n"
        "     import --dry-run: etwas würde sich ändern\n"
        "  2  falscher Aufruf\n"
        "  3  Eingabe abgelehnt (fehlerhafte Rechnerliste, unbekannter Rechner oder Typ,\n"
        "     keine Bilder, Ziel der Kopie nicht leer, Austauschdokument oder Karte\n"
        "     abgelehnt; dann wurde nichts importiert)\n"
        "  4  Datenbestand nicht zu öffnen oder zu lesen\n"
        "  5  Ausgabe nicht zu schreiben\n"
        "  6  Bildbearbeitung nicht zu laden (Installation unvollständig)\n");
}

int AdminAusfuehren(const QStringList& argumente)
{
    // The store closes before the application object goes.
    struct TSchliessen
    {
        ~TSchliessen()
        {
            KRNProgramm().Done();
            std::fflush(stdout);
        }
    } schliessen;
    try {
        return Ausfuehren(argumente);
    } catch (const TAufrufFehler& e) {
        Meldung(e.Message());
        Meldung(QStringLiteral("»veldrake-admin --help« zeigt die Befehle."));
        return exAufruf;
    } catch (const TEingabeFehler& e) {
        Meldung(e.Message());
        return exEingabe;
    } catch (const StoreError& e) {
        Meldung(e.Message());
        return exDatenbestand;
    } catch (const TBildEngineFehler& e) {
        Meldung(e.Message());
        return exBildmodul;
    } catch (const KRNException& e) {
        Meldung(e.Message());
        return exAusgabe;
    } catch (const std::exception& e) {
        Meldung(KRNExceptionText(e));
        return exAusgabe;
    }
}
