#include "transfer/Austausch.h"

#include "host/core/KOMMFilter.h"
#include "host/core/KRNConvert.h"
#include "host/core/Verlauf.h"
#include "host/store/Store.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QSet>
#include <QSqlQuery>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QChar kBlank = QLatin1Char(' ');
constexpr int kBezeichnungLaenge = 16; // as the save dialog and the editor take it
constexpr int kBeschreibungLaenge = 80;
constexpr int kGroesseHoechstens = 99999; // the editor's width and height edits
constexpr int kViele = 1000;              // rows from which statistics matter

// --- the store's state of some kinds -----------------------------------------------

struct TGespeichert
{
    QString Beschreibung;
    QString Einstellungen;
    QSet<QChar> RTypen;
    QSet<qint32> RNummern;
};

struct TArtStand
{
    bool Aktiv = false;
    QMap<QString, TGespeichert> Einstellungen;
};

QString ListeJson(const QStringList& liste)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(liste)).toJson(QJsonDocument::Compact));
}

// Three statements whatever the number of rows.
QMap<QString, TArtStand> StandLesen(TStore& store, const QStringList& kennungen)
{
    QMap<QString, TArtStand> stand;
    for (const QString& kennung : kennungen) {
        stand.insert(kennung, TArtStand());
    }
    const QString liste = store.ListSql(TStoreListKind::Text);
    QSqlQuery fide = store.Query(
        QStringLiteral("SELECT Kennung, Bezeichnung, Beschreibung, Einstellungen FROM fidefile WHERE Kennung IN (%1)")
            .arg(liste),
        {ListeJson(kennungen)});
    while (fide.next()) {
        stand[fide.value(0).toString()].Einstellungen.insert(
            fide.value(1).toString(), TGespeichert{fide.value(2).toString(), fide.value(3).toString(), {}, {}});
    }
    fide.finish();
    QSqlQuery fiko = store.Query(
        QStringLiteral("SELECT Kennung, Bezeichnung, RTyp, RNr FROM fikofile WHERE Kennung IN (%1)").arg(liste),
        {ListeJson(kennungen)});
    while (fiko.next()) {
        TArtStand& art = stand[fiko.value(0).toString()];
        const QString bezeichnung = fiko.value(1).toString();
        const QString rtypText = fiko.value(2).toString();
        const QChar rtyp = rtypText.isEmpty() ? kBlank : rtypText[0];
        const qint32 rnr = fiko.value(3).toInt();
        if (bezeichnung.isEmpty()) {
            art.Aktiv = art.Aktiv || (rtyp == kBlank && rnr == 0);
            continue;
        }
        const auto einstellung = art.Einstellungen.find(bezeichnung);
        if (einstellung == art.Einstellungen.end()) {
            continue; // a row without its setting (an old store); not part of any setting
        }
        if (rtyp != kBlank && rnr == 0) {
            einstellung->RTypen.insert(rtyp);
        } else if (rtyp == kBlank && rnr > 0) {
            einstellung->RNummern.insert(rnr);
        }
    }
    return stand;
}

template <typename T> QList<T> Sortiert(const QSet<T>& menge)
{
    QList<T> liste(menge.cbegin(), menge.cend());
    std::sort(liste.begin(), liste.end());
    return liste;
}

QJsonObject WerteVon(const QString& einstellungen)
{
    return QJsonDocument::fromJson(einstellungen.toUtf8()).object();
}

QString EinstellungenText(const QJsonObject& werte)
{
    return QString::fromUtf8(QJsonDocument(werte).toJson(QJsonDocument::Compact));
}

// --- writing the document ------------------------------------------------------------

// JSON text of a string without surrogates: quotes, backslashes and control
// characters escaped, everything else as UTF-8.
void Zeichenkette(QByteArray& aus, const QString& text)
{
    aus += '"';
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            aus += '\\';
            aus += char(u);
        } else if (u == u'\n') {
            aus += "\\n";
        } else if (u == u'\t') {
            aus += "\\t";
        } else if (u < 0x20) {
            aus += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0')).toLatin1();
        } else if (u < 0x80) {
            aus += char(u);
        } else {
            aus += QString(c).toUtf8();
        }
    }
    aus += '"';
}

// The document's writer: one value per line, indented by four.
class TSchreiber
{
public:
    QByteArray Text;

    void Schluessel(int tiefe, const char* name)
    {
        Einruecken(tiefe);
        Text += '"';
        Text += name;
        Text += "\": ";
    }
    void Einruecken(int tiefe) { Text += QByteArray(4 * tiefe, ' '); }
    void Str(const QString& wert) { ZeichenketteGanz(wert); }
    void Zahl(qint64 wert) { Text += QByteArray::number(wert); }
    void Wahr(bool wert) { Text += wert ? "true" : "false"; }
    void Json(const QJsonValue& wert)
    {
        if (wert.isString()) {
            Str(wert.toString());
        } else {
            // Numbers, truth values and nested values of other programs in
            // Qt's compact form, which is stable.
            QByteArray kompakt = QJsonDocument(QJsonArray{wert}).toJson(QJsonDocument::Compact);
            Text += kompakt.mid(1, kompakt.size() - 2);
        }
    }
    void Ende(bool letztes) { Text += letztes ? "\n" : ",\n"; }

private:
    void ZeichenketteGanz(const QString& text)
    {
        // Characters outside the basic plane come as two halves; write them whole.
        if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); })) {
            const QByteArray kompakt = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
            Text += kompakt.mid(1, kompakt.size() - 2);
            return;
        }
        Zeichenkette(Text, text);
    }
};

template <typename T, typename Schreiben>
void Liste(TSchreiber& s, int tiefe, const QList<T>& liste, Schreiben schreiben)
{
    if (liste.isEmpty()) {
        s.Text += "[]";
        return;
    }
    s.Text += "[\n";
    for (qsizetype i = 0; i < liste.size(); ++i) {
        s.Einruecken(tiefe + 1);
        schreiben(liste[i]);
        s.Ende(i + 1 == liste.size());
    }
    s.Einruecken(tiefe);
    s.Text += ']';
}

void EinstellungSchreiben(TSchreiber& s, const TAustauschEinstellung& e)
{
    constexpr int t = 5;
    s.Text += "{\n";
    s.Schluessel(t, "bezeichnung");
    s.Str(e.Bezeichnung);
    s.Ende(false);
    s.Schluessel(t, "beschreibung");
    s.Str(e.Beschreibung);
    s.Ende(false);
    s.Schluessel(t, "werte");
    if (e.Werte.isEmpty()) {
        s.Text += "{}";
    } else {
        s.Text += "{\n";
        const QStringList schluessel = e.Werte.keys(); // sorted
        for (qsizetype i = 0; i < schluessel.size(); ++i) {
            s.Einruecken(t + 1);
            s.Str(schluessel[i]);
            s.Text += ": ";
            s.Json(e.Werte.value(schluessel[i]));
            s.Ende(i + 1 == schluessel.size());
        }
        s.Einruecken(t);
        s.Text += '}';
    }
    s.Ende(false);
    s.Schluessel(t, "rechnertypen");
    Liste(s, t, e.RTypen, [&s](QChar rtyp) { s.Str(QString(rtyp)); });
    s.Ende(false);
    s.Schluessel(t, "rechner");
    Liste(s, t, e.RNummern, [&s](qint32 rnr) { s.Zahl(rnr); });
    s.Ende(true);
    s.Einruecken(t - 1);
    s.Text += '}';
}

// --- reading the document ------------------------------------------------------------

// Where in the document a value sits, for messages.
class TStelle
{
public:
    TStelle(const QString& quelle) : m_quelle(quelle) {}
    TStelle(const TStelle& oben, const QString& teil) : m_quelle(oben.m_quelle), m_pfad(oben.m_pfad)
    {
        m_pfad += (m_pfad.isEmpty() || teil.startsWith(u'[') ? QString() : QStringLiteral(".")) + teil;
    }

    [[noreturn]] void Fehler(const QString& text) const
    {
        throw TAustauschFehler(QStringLiteral("%1, an der Stelle %2: %3")
                                   .arg(m_quelle, m_pfad.isEmpty() ? QStringLiteral("(oberste Ebene)") : m_pfad,
                                        text));
    }

private:
    QString m_quelle;
    QString m_pfad;
};

QString JsonArt(const QJsonValue& wert)
{
    switch (wert.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("ein Wahrheitswert");
    case QJsonValue::Double:
        return QStringLiteral("eine Zahl");
    case QJsonValue::String:
        return QStringLiteral("eine Zeichenkette");
    case QJsonValue::Array:
        return QStringLiteral("eine Liste");
    case QJsonValue::Object:
        return QStringLiteral("ein Objekt");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nichts");
}

QJsonValue Feld(const QJsonObject& objekt, const TStelle& stelle, const char* name, QJsonValue::Type art,
                bool pflicht = true)
{
    const QJsonValue wert = objekt.value(QLatin1String(name));
    if (wert.isUndefined() && !pflicht) {
        return wert;
    }
    if (wert.type() != art) {
        static const QHash<int, QString> erwartet = {
            {QJsonValue::Bool, QStringLiteral("ein Wahrheitswert (true oder false)")},
            {QJsonValue::Double, QStringLiteral("eine ganze Zahl")},
            {QJsonValue::String, QStringLiteral("eine Zeichenkette")},
            {QJsonValue::Array, QStringLiteral("eine Liste")},
            {QJsonValue::Object, QStringLiteral("ein Objekt")}};
        TStelle(stelle, QLatin1String(name))
            .Fehler(wert.isUndefined()
                        ? QStringLiteral("fehlt, erwartet wird %1").arg(erwartet.value(art))
                        : QStringLiteral("erwartet wird %1, nicht %2").arg(erwartet.value(art), JsonArt(wert)));
    }
    return wert;
}

qint64 GanzeZahl(const QJsonValue& wert, const TStelle& stelle, qint64 von, qint64 bis)
{
    const double zahl = wert.toDouble();
    if (!wert.isDouble() || zahl != std::floor(zahl) || zahl < double(von) || zahl > double(bis)) {
        stelle.Fehler(QStringLiteral("%1 ist keine ganze Zahl von %2 bis %3")
                          .arg(wert.isDouble() ? QString::number(zahl, 'g', 17) : JsonArt(wert))
                          .arg(von)
                          .arg(bis));
    }
    return qint64(zahl);
}

// A text as the edits would take it.
QString Text(const QJsonValue& wert, const TStelle& stelle, int laenge, bool grossbuchstaben)
{
    const QString text = wert.toString();
    if (std::any_of(text.cbegin(), text.cend(), KRNVerbotenesZeichen)) {
        stelle.Fehler(QStringLiteral("„%1“ enthält Steuer- oder Richtungszeichen").arg(text));
    }
    if (text.size() > laenge) {
        stelle.Fehler(QStringLiteral("„%1“ ist länger als %2 Zeichen").arg(text).arg(laenge));
    }
    if (grossbuchstaben && text != text.toUpper()) {
        stelle.Fehler(QStringLiteral("„%1“ enthält Kleinbuchstaben").arg(text));
    }
    return text;
}

QChar RTypWert(const QJsonValue& wert, const TStelle& stelle)
{
    const QString text = wert.toString();
    if (!wert.isString() || text.size() != 1 || text[0] == kBlank || KRNVerbotenesZeichen(text[0])) {
        stelle.Fehler(QStringLiteral("ein Rechnertyp ist genau ein Zeichen außer dem Leerzeichen, nicht %1")
                          .arg(wert.isString() ? QStringLiteral("„%1“").arg(text) : JsonArt(wert)));
    }
    return text[0];
}

qint32 RNrWert(const QJsonValue& wert, const TStelle& stelle)
{
    return qint32(GanzeZahl(wert, stelle, 1, std::numeric_limits<qint32>::max()));
}

// The image settings' values; other keys (of other programs) pass as they are.
QJsonObject WerteParsen(const QJsonObject& werte, const TStelle& stelle)
{
    for (const char* name : {"BildLoeschen", "OnlyFirstPicExp"}) {
        Feld(werte, stelle, name, QJsonValue::Bool, false);
    }
    const std::pair<const char*, int> zahlen[] = {
        {"GroesseBreite", kGroesseHoechstens}, {"GroesseHoehe", kGroesseHoechstens}, {"Qualitaetsverlust", 255}};
    for (const auto& [name, bis] : zahlen) {
        const QJsonValue wert = werte.value(QLatin1String(name));
        if (!wert.isUndefined()) {
            GanzeZahl(wert, TStelle(stelle, QLatin1String(name)), 0, bis);
        }
    }
    return werte;
}

TAustauschEinstellung EinstellungParsen(const QJsonValue& wert, const TStelle& stelle)
{
    if (!wert.isObject()) {
        stelle.Fehler(QStringLiteral("erwartet wird ein Objekt, nicht %1").arg(JsonArt(wert)));
    }
    const QJsonObject objekt = wert.toObject();
    TAustauschEinstellung e;
    e.Bezeichnung = Text(Feld(objekt, stelle, "bezeichnung", QJsonValue::String),
                         TStelle(stelle, QStringLiteral("bezeichnung")), kBezeichnungLaenge, true);
    if (e.Bezeichnung.trimmed().isEmpty()) {
        TStelle(stelle, QStringLiteral("bezeichnung")).Fehler(QStringLiteral("die Bezeichnung ist leer"));
    }
    const TStelle hier(stelle, QStringLiteral("(„%1“)").arg(e.Bezeichnung));
    const QJsonValue beschreibung = Feld(objekt, hier, "beschreibung", QJsonValue::String, false);
    e.Beschreibung = Text(beschreibung, TStelle(hier, QStringLiteral("beschreibung")), kBeschreibungLaenge, false);
    const QJsonValue werte = Feld(objekt, hier, "werte", QJsonValue::Object, false);
    e.Werte = WerteParsen(werte.toObject(), TStelle(hier, QStringLiteral("werte")));
    QSet<QChar> typen;
    const QJsonArray rtypen = Feld(objekt, hier, "rechnertypen", QJsonValue::Array, false).toArray();
    for (qsizetype i = 0; i < rtypen.size(); ++i) {
        typen.insert(RTypWert(rtypen[i], TStelle(hier, QStringLiteral("rechnertypen[%1]").arg(i))));
    }
    QSet<qint32> nummern;
    const QJsonArray rnummern = Feld(objekt, hier, "rechner", QJsonValue::Array, false).toArray();
    for (qsizetype i = 0; i < rnummern.size(); ++i) {
        nummern.insert(RNrWert(rnummern[i], TStelle(hier, QStringLiteral("rechner[%1]").arg(i))));
    }
    e.RTypen = Sortiert(typen);
    e.RNummern = Sortiert(nummern);
    return e;
}

TAustauschArt ArtParsen(const QJsonValue& wert, const TStelle& stelle)
{
    if (!wert.isObject()) {
        stelle.Fehler(QStringLiteral("erwartet wird ein Objekt, nicht %1").arg(JsonArt(wert)));
    }
    const QJsonObject objekt = wert.toObject();
    TAustauschArt art;
    art.Kennung = Feld(objekt, stelle, "kennung", QJsonValue::String).toString();
    if (!AustauschArten().contains(art.Kennung)) {
        TStelle(stelle, QStringLiteral("kennung"))
            .Fehler(QStringLiteral("die Filterart „%1“ ist unbekannt (bekannt: %2)")
                        .arg(art.Kennung, AustauschArten().join(QStringLiteral(", "))));
    }
    const TStelle hier(stelle, QStringLiteral("(%1)").arg(art.Kennung));
    art.Aktiv = Feld(objekt, hier, "aktiv", QJsonValue::Bool).toBool();
    const QJsonArray einstellungen = Feld(objekt, hier, "einstellungen", QJsonValue::Array, false).toArray();
    QSet<QString> namen;
    for (qsizetype i = 0; i < einstellungen.size(); ++i) {
        const TStelle stelleI(hier, QStringLiteral("einstellungen[%1]").arg(i));
        TAustauschEinstellung e = EinstellungParsen(einstellungen[i], stelleI);
        if (namen.contains(e.Bezeichnung)) {
            stelleI.Fehler(QStringLiteral("die Einstellung „%1“ steht zweimal in der Filterart").arg(e.Bezeichnung));
        }
        namen.insert(e.Bezeichnung);
        art.Einstellungen.append(std::move(e));
    }
    std::sort(art.Einstellungen.begin(), art.Einstellungen.end(),
              [](const TAustauschEinstellung& a, const TAustauschEinstellung& b) { return a.Bezeichnung < b.Bezeichnung; });
    return art;
}

QString ParseFehlerText(QJsonParseError::ParseError fehler)
{
    switch (fehler) {
    case QJsonParseError::UnterminatedObject:
        return QStringLiteral("ein Objekt ist nicht abgeschlossen");
    case QJsonParseError::MissingNameSeparator:
        return QStringLiteral("nach einem Namen fehlt der Doppelpunkt");
    case QJsonParseError::UnterminatedArray:
        return QStringLiteral("eine Liste ist nicht abgeschlossen");
    case QJsonParseError::MissingValueSeparator:
        return QStringLiteral("zwischen zwei Werten fehlt das Komma");
    case QJsonParseError::IllegalValue:
        return QStringLiteral("hier steht kein gültiger Wert");
    case QJsonParseError::TerminationByNumber:
        return QStringLiteral("der Text endet mitten in einer Zahl");
    case QJsonParseError::IllegalNumber:
        return QStringLiteral("die Zahl ist ungültig");
    case QJsonParseError::IllegalEscapeSequence:
    case QJsonParseError::IllegalUTF8String:
        return QStringLiteral("die Zeichenkette enthält ungültige Zeichen");
    case QJsonParseError::UnterminatedString:
        return QStringLiteral("eine Zeichenkette ist nicht abgeschlossen");
    case QJsonParseError::MissingObject:
        return QStringLiteral("erwartet wird ein Objekt");
    case QJsonParseError::DeepNesting:
        return QStringLiteral("die Werte sind zu tief geschachtelt");
    case QJsonParseError::DocumentTooLarge:
        return QStringLiteral("die Datei ist zu groß");
    case QJsonParseError::GarbageAtEnd:
        return QStringLiteral("nach dem Ende des Dokuments folgt noch Text");
    case QJsonParseError::NoError:
        break;
    }
    return QStringLiteral("die Datei ist kein gültiges JSON");
}

// --- the plan --------------------------------------------------------------------------

QString RechnerName(QChar rtyp, qint32 rnr)
{
    return rnr != 0 ? QStringLiteral("Rechner %1").arg(rnr) : QStringLiteral("Rechnertyp %1").arg(rtyp);
}

QJsonArray Zeile(std::initializer_list<QJsonValue> werte)
{
    return QJsonArray(werte);
}

// What the import writes: rows as JSON arrays, one statement per list.
struct TSchreiben
{
    QJsonArray FikoWeg, FideWeg, FideAendern, FideNeu, FikoNeu, TypenNeu, RechnerNeu;
};

struct TPlanung
{
    TImportPlan Plan;
    TSchreiben Schreiben;
};

TPlanung Planen(TStore& store, const TAustausch& a, const TImportOptionen& o)
{
    TPlanung ergebnis;
    TImportPlan& plan = ergebnis.Plan;
    TSchreiben& w = ergebnis.Schreiben;
    QStringList kennungen;
    for (const TAustauschArt& art : a.Arten) {
        kennungen << art.Kennung;
    }
    const QMap<QString, TArtStand> stand = StandLesen(store, kennungen);

    // The computers the target knows after the import.
    QSet<QChar> typenBekannt;
    QSet<qint32> rechnerBekannt;
    const QList<TRechnerTyp> typenJetzt = ReadRechnerTypen(store);
    const QList<TRechner> rechnerJetzt = ReadRechner(store, false);
    for (const TRechnerTyp& t : typenJetzt) {
        typenBekannt.insert(t.RTyp);
    }
    for (const TRechner& r : rechnerJetzt) {
        rechnerBekannt.insert(r.RNr);
    }
    if (a.MitRechnern) {
        QHash<char16_t, QString> typName;
        for (const TRechnerTyp& t : typenJetzt) {
            typName.insert(t.RTyp.unicode(), t.Name);
        }
        for (const TRechnerTyp& t : a.RechnerTypen) {
            const auto jetzt = typName.constFind(t.RTyp.unicode());
            if (jetzt == typName.cend() || *jetzt != t.Name) {
                plan.Aenderungen.append({QString(), QString(),
                                         QStringLiteral("Rechnertyp %1 „%2“ %3")
                                             .arg(t.RTyp)
                                             .arg(t.Name, jetzt == typName.cend() ? QStringLiteral("neu")
                                                                                  : QStringLiteral("umbenannt")),
                                         {}});
                w.TypenNeu.append(Zeile({QString(t.RTyp), t.Name}));
            }
            typenBekannt.insert(t.RTyp);
        }
        QHash<qint32, TRechner> rechnerWar;
        for (const TRechner& r : rechnerJetzt) {
            rechnerWar.insert(r.RNr, r);
        }
        for (const TRechner& r : a.Rechner) {
            const auto jetzt = rechnerWar.constFind(r.RNr);
            if (jetzt == rechnerWar.cend() || jetzt->Name != r.Name || jetzt->RTyp != r.RTyp ||
                jetzt->Master != r.Master) {
                plan.Aenderungen.append(
                    {QString(), QString(),
                     QStringLiteral("Rechner %1 „%2“ (Typ %3%4) %5")
                         .arg(r.RNr)
                         .arg(r.Name)
                         .arg(r.RTyp)
                         .arg(r.Master ? QStringLiteral(", Master") : QString(),
                              jetzt == rechnerWar.cend() ? QStringLiteral("neu") : QStringLiteral("geändert")),
                     {}});
                w.RechnerNeu.append(Zeile({r.RNr, r.Name, QString(r.RTyp), r.Master ? 1 : 0}));
            }
            rechnerBekannt.insert(r.RNr);
        }
    }

    QStringList unbekannt;
    QStringList doppelt;
    for (const TAustauschArt& art : a.Arten) {
        const TArtStand& jetzt = stand[art.Kennung];
        const QString artName = FilterartName(art.Kennung);
        const auto aenderung = [&](const QString& bezeichnung, const QString& text, const QStringList& felder = {}) {
            plan.Aenderungen.append({art.Kennung, bezeichnung,
                                     bezeichnung.isEmpty()
                                         ? QStringLiteral("%1: %2").arg(artName, text)
                                         : QStringLiteral("%1 „%2“: %3").arg(artName, bezeichnung, text),
                                     felder});
        };
        if (art.Aktiv != jetzt.Aktiv) {
            aenderung(QString(), art.Aktiv ? QStringLiteral("Filterart wird eingeschaltet")
                                           : QStringLiteral("Filterart wird ausgeschaltet"));
            (art.Aktiv ? w.FikoNeu : w.FikoWeg).append(Zeile({art.Kennung, QString(), QStringLiteral(" "), 0}));
        }
        // Who serves which computer afterwards: a number, or a type as its
        // negative code -> settings.
        QHash<qint64, QStringList> dienste;
        QSet<QString> ausDatei;
        const auto dienen = [&dienste](const QString& bezeichnung, const QSet<QChar>& typen,
                                       const QSet<qint32>& nummern) {
            for (const QChar t : typen) {
                dienste[-qint64(t.unicode())].append(bezeichnung);
            }
            for (const qint32 n : nummern) {
                dienste[n].append(bezeichnung);
            }
        };
        for (const TAustauschEinstellung& e : art.Einstellungen) {
            ausDatei.insert(e.Bezeichnung);
            QSet<QChar> typen;
            QSet<qint32> nummern;
            for (const QChar t : e.RTypen) {
                typen.insert(o.Abbildung.Typen.value(t.unicode(), t));
            }
            for (const qint32 n : e.RNummern) {
                nummern.insert(o.Abbildung.Nummern.value(n, n));
            }
            for (const QChar t : typen) {
                if (!typenBekannt.contains(t)) {
                    unbekannt << QStringLiteral("Rechnertyp %1 (%2 „%3“)").arg(t).arg(artName, e.Bezeichnung);
                }
            }
            for (const qint32 n : nummern) {
                if (!rechnerBekannt.contains(n)) {
                    unbekannt << QStringLiteral("Rechner %1 (%2 „%3“)").arg(n).arg(artName, e.Bezeichnung);
                }
            }
            dienen(e.Bezeichnung, typen, nummern);

            const QString text = EinstellungenText(e.Werte);
            const auto war = jetzt.Einstellungen.constFind(e.Bezeichnung);
            const QJsonObject nachher{{QStringLiteral("Beschreibung"), e.Beschreibung},
                                      {QStringLiteral("Einstellungen"), text},
                                      {QStringLiteral("Werte"), e.Werte}};
            QSet<QChar> typenWar;
            QSet<qint32> nummernWar;
            if (war == jetzt.Einstellungen.cend()) {
                aenderung(e.Bezeichnung, QStringLiteral("Einstellung wird angelegt"),
                          FassungAenderungen({{QStringLiteral("Werte"), QJsonObject()}}, nachher));
                w.FideNeu.append(Zeile({art.Kennung, e.Bezeichnung, e.Beschreibung, text}));
                ++plan.Einstellungen;
            } else {
                typenWar = war->RTypen;
                nummernWar = war->RNummern;
                const QJsonObject werteWar = WerteVon(war->Einstellungen);
                if (war->Beschreibung != e.Beschreibung || werteWar != e.Werte) {
                    const QJsonObject vorher{{QStringLiteral("Beschreibung"), war->Beschreibung},
                                             {QStringLiteral("Einstellungen"), war->Einstellungen},
                                             {QStringLiteral("Werte"), werteWar}};
                    aenderung(e.Bezeichnung, QStringLiteral("Einstellung wird geändert"),
                              FassungAenderungen(vorher, nachher));
                    w.FideAendern.append(Zeile({art.Kennung, e.Bezeichnung, e.Beschreibung, text}));
                    ++plan.Einstellungen;
                }
            }
            for (const QChar t : Sortiert(typen - typenWar)) {
                aenderung(e.Bezeichnung, RechnerName(t, 0) + QStringLiteral(" wird zugeordnet"));
                w.FikoNeu.append(Zeile({art.Kennung, e.Bezeichnung, QString(t), 0}));
            }
            for (const qint32 n : Sortiert(nummern - nummernWar)) {
                aenderung(e.Bezeichnung, RechnerName(kBlank, n) + QStringLiteral(" wird zugeordnet"));
                w.FikoNeu.append(Zeile({art.Kennung, e.Bezeichnung, QStringLiteral(" "), n}));
            }
            for (const QChar t : Sortiert(typenWar - typen)) {
                aenderung(e.Bezeichnung, RechnerName(t, 0) + QStringLiteral(" wird nicht mehr zugeordnet"));
                w.FikoWeg.append(Zeile({art.Kennung, e.Bezeichnung, QString(t), 0}));
            }
            for (const qint32 n : Sortiert(nummernWar - nummern)) {
                aenderung(e.Bezeichnung, RechnerName(kBlank, n) + QStringLiteral(" wird nicht mehr zugeordnet"));
                w.FikoWeg.append(Zeile({art.Kennung, e.Bezeichnung, QStringLiteral(" "), n}));
            }
            plan.Zuordnungen += int((typen - typenWar).size() + (nummern - nummernWar).size() +
                                    (typenWar - typen).size() + (nummernWar - nummern).size());
        }
        for (auto war = jetzt.Einstellungen.cbegin(); war != jetzt.Einstellungen.cend(); ++war) {
            if (ausDatei.contains(war.key())) {
                continue;
            }
            if (!o.Ersetzen) {
                dienen(war.key(), war->RTypen, war->RNummern);
                continue;
            }
            const int zuordnungen = int(war->RTypen.size() + war->RNummern.size());
            aenderung(war.key(),
                      zuordnungen == 0 ? QStringLiteral("Einstellung wird gelöscht")
                                       : QStringLiteral("Einstellung wird mit ihren %1 Zuordnungen gelöscht")
                                             .arg(zuordnungen));
            for (const QChar t : Sortiert(war->RTypen)) {
                w.FikoWeg.append(Zeile({art.Kennung, war.key(), QString(t), 0}));
            }
            for (const qint32 n : Sortiert(war->RNummern)) {
                w.FikoWeg.append(Zeile({art.Kennung, war.key(), QStringLiteral(" "), n}));
            }
            w.FideWeg.append(Zeile({art.Kennung, war.key()}));
            ++plan.Einstellungen;
            plan.Zuordnungen += zuordnungen;
        }
        QList<qint64> rechner;
        for (auto dienst = dienste.cbegin(); dienst != dienste.cend(); ++dienst) {
            if (dienst->size() > 1 && std::any_of(dienst->cbegin(), dienst->cend(),
                                                  [&](const QString& b) { return ausDatei.contains(b); })) {
                rechner.append(dienst.key());
            }
        }
        std::sort(rechner.begin(), rechner.end());
        for (const qint64 r : std::as_const(rechner)) {
            QStringList namen;
            for (const QString& b : dienste.value(r)) {
                namen << QStringLiteral("„%1“%2").arg(b, ausDatei.contains(b) ? QStringLiteral(" (Datei)")
                                                                                : QStringLiteral(" (Datenbestand)"));
            }
            doppelt << QStringLiteral("%1 (%2): %3")
                           .arg(r < 0 ? RechnerName(QChar(char16_t(-r)), 0) : RechnerName(kBlank, qint32(r)), artName,
                                namen.join(QStringLiteral(", ")));
        }
    }
    if (!doppelt.isEmpty()) {
        throw TAustauschFehler(
            QStringLiteral("%1: Der Import würde einen Rechnertyp oder Rechner mehreren Einstellungen einer "
                           "Filterart zuordnen:\n%2\nEin Rechnertyp oder Rechner kann nur einer Einstellung je "
                           "Filterart zugeordnet werden. Es wurde nichts importiert.")
                .arg(o.Quelle, doppelt.join(QLatin1Char('\n'))));
    }
    if (!unbekannt.isEmpty() && o.Streng) {
        throw TAustauschFehler(QStringLiteral("%1: Diese Rechner kennt der Datenbestand nicht:\n%2\nEs wurde "
                                              "nichts importiert.")
                                   .arg(o.Quelle, unbekannt.join(QLatin1Char('\n'))));
    }
    for (const QString& u : std::as_const(unbekannt)) {
        plan.Warnungen << QStringLiteral("%1 ist im Datenbestand nicht angelegt.").arg(u);
    }
    return ergebnis;
}

QString Json(const QJsonArray& zeilen)
{
    return QString::fromUtf8(QJsonDocument(zeilen).toJson(QJsonDocument::Compact));
}

// One statement per list, in the order the store's rules need: assignments
// go before their settings, settings come before their assignments.
void Schreiben(TStore& store, const TSchreiben& w)
{
    const auto zeilen = [&store](int spalten) { return QStringLiteral("(%1) l").arg(store.RowsSql(spalten)); };
    const auto ausfuehren = [&store](const QJsonArray& liste, const QString& sql) {
        if (!liste.isEmpty()) {
            store.Query(sql, {Json(liste)});
        }
    };
    // The server would match the rows to remove one by one against a table
    // it still takes for small after a large import.
    if (w.FikoWeg.size() > kViele) {
        store.RefreshStatistics(QStringLiteral("fikofile"));
    }
    ausfuehren(w.FikoWeg, QStringLiteral("DELETE FROM fikofile WHERE (Kennung, Bezeichnung, RTyp, RNr) IN"
                                         " (SELECT l.c0, l.c1, l.c2, CAST(l.c3 AS INTEGER) FROM %1)")
                              .arg(zeilen(4)));
    ausfuehren(w.FideWeg, QStringLiteral("DELETE FROM fidefile WHERE (Kennung, Bezeichnung) IN"
                                         " (SELECT l.c0, l.c1 FROM %1)")
                              .arg(zeilen(2)));
    ausfuehren(w.FideAendern, QStringLiteral("UPDATE fidefile SET Beschreibung = l.c2, Einstellungen = l.c3 FROM %1"
                                             " WHERE fidefile.Kennung = l.c0 AND fidefile.Bezeichnung = l.c1")
                                  .arg(zeilen(4)));
    ausfuehren(w.FideNeu, QStringLiteral("INSERT INTO fidefile (Kennung, Bezeichnung, Beschreibung, Einstellungen)"
                                         " SELECT l.c0, l.c1, l.c2, l.c3 FROM %1")
                              .arg(zeilen(4)));
    ausfuehren(w.FikoNeu, QStringLiteral("INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr)"
                                         " SELECT l.c0, l.c1, l.c2, CAST(l.c3 AS INTEGER) FROM %1")
                              .arg(zeilen(4)));
    ausfuehren(w.TypenNeu, QStringLiteral("INSERT INTO rechnertyp (RTyp, Name) SELECT l.c0, l.c1 FROM %1 WHERE 1 = 1"
                                          " ON CONFLICT (RTyp) DO UPDATE SET Name = excluded.Name")
                               .arg(zeilen(2)));
    ausfuehren(w.RechnerNeu,
               QStringLiteral("INSERT INTO rechner (RNr, Name, RTyp, Master) SELECT CAST(l.c0 AS INTEGER), l.c1, l.c2,"
                              " CAST(l.c3 AS INTEGER) FROM %1 WHERE 1 = 1 ON CONFLICT (RNr) DO UPDATE SET"
                              " Name = excluded.Name, RTyp = excluded.RTyp, Master = excluded.Master")
                   .arg(zeilen(4)));
}

} // namespace

QString AustauschFormat()
{
    return QStringLiteral("veldrake-filtereinstellungen");
}

QStringList AustauschArten()
{
    return {TABILKommFilter::Filter_Kennung(), TKBILKommFilter::Filter_Kennung()};
}

TAustausch AustauschLesen(TStore& store, const QStringList& kennungen, bool mitRechnern)
{
    QStringList arten = kennungen.isEmpty() ? AustauschArten() : kennungen;
    arten.sort();
    arten.removeDuplicates();
    for (const QString& kennung : std::as_const(arten)) {
        if (!AustauschArten().contains(kennung)) {
            throw TAustauschFehler(QStringLiteral("Die Filterart „%1“ ist unbekannt (bekannt: %2).")
                                       .arg(kennung, AustauschArten().join(QStringLiteral(", "))));
        }
    }
    TAustausch a;
    a.Programm = TStore::Identity().Programm + QStringLiteral(" ") + TStore::Identity().Version;
    a.Datenbestand = store.Path();
    const QMap<QString, TArtStand> stand = StandLesen(store, arten);
    for (auto art = stand.cbegin(); art != stand.cend(); ++art) {
        TAustauschArt aus{art.key(), art->Aktiv, {}};
        for (auto e = art->Einstellungen.cbegin(); e != art->Einstellungen.cend(); ++e) {
            aus.Einstellungen.append({e.key(), e->Beschreibung, WerteVon(e->Einstellungen), Sortiert(e->RTypen),
                                      Sortiert(e->RNummern)});
        }
        a.Arten.append(std::move(aus));
    }
    a.MitRechnern = mitRechnern;
    if (mitRechnern) {
        a.RechnerTypen = ReadRechnerTypen(store);
        a.Rechner = ReadRechner(store, false);
    }
    return a;
}

QByteArray AustauschText(const TAustausch& a)
{
    TSchreiber s;
    s.Text.reserve(1 << 16);
    s.Text += "{\n";
    s.Schluessel(1, "format");
    s.Str(AustauschFormat());
    s.Ende(false);
    s.Schluessel(1, "version");
    s.Zahl(kAustauschFassung);
    s.Ende(false);
    s.Schluessel(1, "programm");
    s.Str(a.Programm);
    s.Ende(false);
    s.Schluessel(1, "datenbestand");
    s.Str(a.Datenbestand);
    s.Ende(false);
    s.Schluessel(1, "filterarten");
    Liste(s, 1, a.Arten, [&s](const TAustauschArt& art) {
        s.Text += "{\n";
        s.Schluessel(3, "kennung");
        s.Str(art.Kennung);
        s.Ende(false);
        s.Schluessel(3, "name");
        s.Str(FilterartName(art.Kennung));
        s.Ende(false);
        s.Schluessel(3, "aktiv");
        s.Wahr(art.Aktiv);
        s.Ende(false);
        s.Schluessel(3, "einstellungen");
        Liste(s, 3, art.Einstellungen, [&s](const TAustauschEinstellung& e) { EinstellungSchreiben(s, e); });
        s.Ende(true);
        s.Einruecken(2);
        s.Text += '}';
    });
    if (a.MitRechnern) {
        s.Ende(false);
        s.Schluessel(1, "rechnertypen");
        Liste(s, 1, a.RechnerTypen, [&s](const TRechnerTyp& t) {
            s.Text += "{\"rtyp\": ";
            s.Str(QString(t.RTyp));
            s.Text += ", \"name\": ";
            s.Str(t.Name);
            s.Text += '}';
        });
        s.Ende(false);
        s.Schluessel(1, "rechner");
        Liste(s, 1, a.Rechner, [&s](const TRechner& r) {
            s.Text += "{\"rnr\": ";
            s.Zahl(r.RNr);
            s.Text += ", \"name\": ";
            s.Str(r.Name);
            s.Text += ", \"rtyp\": ";
            s.Str(QString(r.RTyp));
            s.Text += ", \"master\": ";
            s.Wahr(r.Master);
            s.Text += '}';
        });
    }
    s.Ende(true);
    s.Text += "}\n";
    return s.Text;
}

TAustausch AustauschParsen(const QByteArray& text, const QString& quelle)
{
    QJsonParseError fehler;
    const QJsonDocument dokument = QJsonDocument::fromJson(text, &fehler);
    if (fehler.error != QJsonParseError::NoError) {
        const QByteArray davor = text.left(fehler.offset);
        const qsizetype zeile = davor.count('\n') + 1;
        const qsizetype spalte = fehler.offset - (davor.lastIndexOf('\n') + 1) + 1;
        throw TAustauschFehler(QStringLiteral("%1, Zeile %2, Spalte %3: %4. Es wurde nichts importiert.")
                                   .arg(quelle)
                                   .arg(zeile)
                                   .arg(spalte)
                                   .arg(ParseFehlerText(fehler.error)));
    }
    const TStelle oben(quelle);
    if (!dokument.isObject()) {
        oben.Fehler(QStringLiteral("erwartet wird ein Objekt"));
    }
    const QJsonObject objekt = dokument.object();
    const QString format = Feld(objekt, oben, "format", QJsonValue::String).toString();
    if (format != AustauschFormat()) {
        TStelle(oben, QStringLiteral("format"))
            .Fehler(QStringLiteral("„%1“ ist nicht das Format „%2“").arg(format, AustauschFormat()));
    }
    const qint64 fassung = GanzeZahl(Feld(objekt, oben, "version", QJsonValue::Double),
                                     TStelle(oben, QStringLiteral("version")), 1, std::numeric_limits<int>::max());
    if (fassung > kAustauschFassung) {
        TStelle(oben, QStringLiteral("version"))
            .Fehler(QStringLiteral("die Datei hat die Fassung %1 des Formats, dieses Programm liest nur bis zur "
                                   "Fassung %2; bitte ein neueres Programm verwenden")
                        .arg(fassung)
                        .arg(kAustauschFassung));
    }
    TAustausch a;
    a.Programm = objekt.value(QStringLiteral("programm")).toString();
    a.Datenbestand = objekt.value(QStringLiteral("datenbestand")).toString();
    const QJsonArray arten = Feld(objekt, oben, "filterarten", QJsonValue::Array).toArray();
    QSet<QString> kennungen;
    for (qsizetype i = 0; i < arten.size(); ++i) {
        const TStelle stelle(oben, QStringLiteral("filterarten[%1]").arg(i));
        TAustauschArt art = ArtParsen(arten[i], stelle);
        if (kennungen.contains(art.Kennung)) {
            stelle.Fehler(QStringLiteral("die Filterart %1 steht zweimal in der Datei").arg(art.Kennung));
        }
        kennungen.insert(art.Kennung);
        a.Arten.append(std::move(art));
    }
    std::sort(a.Arten.begin(), a.Arten.end(),
              [](const TAustauschArt& x, const TAustauschArt& y) { return x.Kennung < y.Kennung; });
    const QJsonValue typen = Feld(objekt, oben, "rechnertypen", QJsonValue::Array, false);
    const QJsonValue rechner = Feld(objekt, oben, "rechner", QJsonValue::Array, false);
    a.MitRechnern = !typen.isUndefined() || !rechner.isUndefined();
    QSet<QChar> typMenge;
    for (qsizetype i = 0; i < typen.toArray().size(); ++i) {
        const TStelle stelle(oben, QStringLiteral("rechnertypen[%1]").arg(i));
        const QJsonObject t = typen.toArray()[i].toObject();
        const QChar rtyp = RTypWert(t.value(QStringLiteral("rtyp")), TStelle(stelle, QStringLiteral("rtyp")));
        a.RechnerTypen.append({rtyp, Feld(t, stelle, "name", QJsonValue::String, false).toString()});
        typMenge.insert(rtyp);
    }
    for (qsizetype i = 0; i < rechner.toArray().size(); ++i) {
        const TStelle stelle(oben, QStringLiteral("rechner[%1]").arg(i));
        const QJsonObject r = rechner.toArray()[i].toObject();
        TRechner eintrag;
        eintrag.RNr = RNrWert(r.value(QStringLiteral("rnr")), TStelle(stelle, QStringLiteral("rnr")));
        eintrag.Name = Feld(r, stelle, "name", QJsonValue::String, false).toString();
        eintrag.RTyp = RTypWert(r.value(QStringLiteral("rtyp")), TStelle(stelle, QStringLiteral("rtyp")));
        eintrag.Master = Feld(r, stelle, "master", QJsonValue::Bool, false).toBool(false);
        a.Rechner.append(eintrag);
    }
    return a;
}

TRechnerAbbildung RechnerAbbildungLesen(const QByteArray& text, const QString& quelle)
{
    TRechnerAbbildung abbildung;
    const QStringList zeilen = QString::fromUtf8(text).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < zeilen.size(); ++i) {
        const QString zeile = zeilen[i].trimmed();
        if (zeile.isEmpty() || zeile.startsWith(u'#')) {
            continue;
        }
        const auto fehler = [&](const QString& was) {
            throw TAustauschFehler(
                QStringLiteral("%1, Zeile %2: %3. Es wurde nichts importiert.").arg(quelle).arg(i + 1).arg(was));
        };
        QStringList felder = zeile.split(QLatin1Char(';'));
        for (QString& feld : felder) {
            feld = feld.trimmed();
        }
        if (felder.size() != 3) {
            fehler(QStringLiteral("erwartet werden drei Felder „Rechnertyp;QUELLE;ZIEL“ oder „Rechner;QUELLE;ZIEL“"));
        }
        if (felder[0] == u"Rechnertyp") {
            for (int f : {1, 2}) {
                if (felder[f].size() != 1 || felder[f][0] == kBlank) {
                    fehler(QStringLiteral("„%1“ ist kein Rechnertyp (genau ein Zeichen)").arg(felder[f]));
                }
            }
            abbildung.Typen.insert(felder[1][0].unicode(), felder[2][0]);
        } else if (felder[0] == u"Rechner") {
            qint32 nummern[2] = {};
            for (int f : {1, 2}) {
                bool ok = false;
                nummern[f - 1] = felder[f].toInt(&ok);
                if (!ok || nummern[f - 1] < 1) {
                    fehler(QStringLiteral("„%1“ ist keine Rechnernummer ab 1").arg(felder[f]));
                }
            }
            abbildung.Nummern.insert(nummern[0], nummern[1]);
        } else {
            fehler(QStringLiteral("„%1“ ist weder „Rechnertyp“ noch „Rechner“").arg(felder[0]));
        }
    }
    return abbildung;
}

QString TImportPlan::Text() const
{
    QString text;
    for (const TImportAenderung& a : Aenderungen) {
        text += a.Text + QLatin1Char('\n');
        for (const QString& feld : a.Felder) {
            text += QStringLiteral("    ") + feld + QLatin1Char('\n');
        }
    }
    return text;
}

TImportPlan ImportPlanen(TStore& store, const TAustausch& austausch, const TImportOptionen& optionen)
{
    return Planen(store, austausch, optionen).Plan;
}

TImportPlan Importieren(TStore& store, const TAustausch& austausch, const TImportOptionen& optionen)
{
    TStoreTransaction transaktion(store);
    const TPlanung planung = Planen(store, austausch, optionen);
    if (planung.Plan.Leer()) {
        return planung.Plan;
    }
    Schreiben(store, planung.Schreiben);
    store.RecordHistory(QStringLiteral("einstellungen_importiert"), QString(), QString(), kBlank, 0, QString(),
                        QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("Quelle"), optionen.Quelle},
                                                                    {QStringLiteral("Einstellungen"),
                                                                     planung.Plan.Einstellungen},
                                                                    {QStringLiteral("Zuordnungen"),
                                                                     planung.Plan.Zuordnungen},
                                                                    {QStringLiteral("Ersetzen"), optionen.Ersetzen}})
                                              .toJson(QJsonDocument::Compact)));
    transaktion.Commit();
    return planung.Plan;
}
