#include "host/core/VerlaufWiederherstellen.h"

#include "host/core/KRNError.h"
#include "host/core/KRNInfo.h"
#include "host/store/Store.h"

#include <QJsonArray>
#include <QHash>
#include <QJsonDocument>
#include <QMap>
#include <QSet>
#include <QSqlQuery>
#include <QTimeZone>

#include <optional>

namespace {

const QString kKatalog = QStringLiteral("VELDRAKE");
const QString kWiederhergestellt = QStringLiteral("einstellung_wiederhergestellt");
const QString kZurueckgesetzt = QStringLiteral("zuordnungen_zurueckgesetzt");
const QChar kBlank = QLatin1Char(' ');

QString Json(const QJsonObject& objekt)
{
    return QString::fromUtf8(QJsonDocument(objekt).toJson(QJsonDocument::Compact));
}

QDateTime UtcZeit(const QString& text)
{
    QDateTime zeit = QDateTime::fromString(text, Qt::ISODateWithMs);
    zeit.setTimeZone(QTimeZone::utc());
    return zeit;
}

QString Ortszeit(const QDateTime& utc)
{
    return utc.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

// Description and settings text of a setting, as the history records them
// (a NULL column as JSON null).
struct TFassung
{
    QJsonValue Beschreibung;
    QJsonValue Einstellungen;
    bool operator==(const TFassung&) const = default;
};

QJsonValue Spalte(const QVariant& wert)
{
    return wert.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(wert.toString());
}

QVariant Spaltenwert(const QJsonValue& wert)
{
    return wert.isString() ? QVariant(wert.toString()) : QVariant();
}

std::optional<TFassung> JetzigeFassung(TStore& store, const QString& kennung, const QString& bezeichnung)
{
    QSqlQuery query = store.Query(
        QStringLiteral(
            "SELECT Beschreibung, Einstellungen FROM fidefile WHERE Kennung = ? AND Bezeichnung = ?"),
        {kennung, bezeichnung});
    if (!query.next()) {
        return std::nullopt;
    }
    return TFassung{Spalte(query.value(0)), Spalte(query.value(1))};
}

struct TQuelle
{
    QString Kennung;
    QString Bezeichnung;
    QDateTime Zeit;
    TFassung Fassung;
};

TQuelle QuelleLesen(TStore& store, qint64 eintragId)
{
    QSqlQuery query = store.Query(
        QStringLiteral("SELECT zeit, art, kennung, bezeichnung, vorher, nachher FROM verlauf WHERE id = ?"),
        {eintragId});
    TVerlaufEintrag e;
    if (query.next()) {
        e.Zeit = UtcZeit(query.value(0).toString());
        e.Art = query.value(1).toString();
        e.Kennung = query.value(2).toString();
        e.Bezeichnung = query.value(3).toString();
        const auto objekt = [](const QVariant& wert) {
            return QJsonDocument::fromJson(wert.toString().toUtf8()).object();
        };
        e.Vorher = objekt(query.value(4));
        e.Nachher = objekt(query.value(5));
    }
    query.finish();
    if (!FassungWiederherstellbar(e)) {
        throw KRNException(TKRNInfo::MeldungsText(1041, kKatalog));
    }
    const QJsonObject& fassung = e.Art == u"einstellung_geloescht" ? e.Vorher : e.Nachher;
    return {e.Kennung,
            e.Bezeichnung,
            e.Zeit,
            {fassung.value(QStringLiteral("Beschreibung")), fassung.value(QStringLiteral("Einstellungen"))}};
}

// One unit of work; false, with nothing written, when the setting is no
// longer as it was when the user was asked.
bool FassungSchreiben(TStore& store, qint64 eintragId, const TQuelle& quelle,
                      const std::optional<TFassung>& gefragt)
{
    TStoreTransaction transaktion(store);
    const std::optional<TFassung> jetzt = JetzigeFassung(store, quelle.Kennung, quelle.Bezeichnung);
    if (jetzt != gefragt) {
        return false;
    }
    const QVariantList werte = {Spaltenwert(quelle.Fassung.Beschreibung),
                                Spaltenwert(quelle.Fassung.Einstellungen), quelle.Kennung,
                                quelle.Bezeichnung};
    store.Query(
        jetzt ? QStringLiteral("UPDATE fidefile SET Beschreibung = ?, Einstellungen = ?"
                               " WHERE Kennung = ? AND Bezeichnung = ?")
              : QStringLiteral("INSERT INTO fidefile (Beschreibung, Einstellungen, Kennung, Bezeichnung)"
                               " VALUES (?, ?, ?, ?)"),
        werte);
    store.RecordHistory(kWiederhergestellt, quelle.Kennung, quelle.Bezeichnung, kBlank, 0, QString(),
                        Json({{QStringLiteral("Wiederhergestellt"),
                               quelle.Zeit.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz'Z'"))},
                              {QStringLiteral("Eintrag"), eintragId}}));
    transaktion.Commit();
    return true;
}

// One assignment row of fikofile.
struct TZuordnung
{
    QString Kennung;
    QString Bezeichnung;
    QChar RTyp;
    qint32 RNr = 0;
    bool IstTyp() const { return RNr == 0; }
    // The computer within its kind.
    QString Rechner() const { return IstTyp() ? QStringLiteral("T") + RTyp : QString::number(RNr); }
    QString Schluessel() const { return Bezeichnung + QChar(0) + Rechner(); }
};

QString RechnerText(const TZuordnung& z)
{
    return z.IstTyp() ? TKRNInfo::MeldungsText(131, QStringLiteral("DATENBESTAND"), {QString(z.RTyp)})
                      : TKRNInfo::MeldungsText(132, QStringLiteral("DATENBESTAND"), {QString::number(z.RNr)});
}

QString ListeJson(const QList<TZuordnung>& zeilen, bool typen)
{
    QJsonArray liste;
    for (const TZuordnung& z : zeilen) {
        if (z.IstTyp() == typen) {
            liste.append(typen ? QJsonValue(QString(z.RTyp)) : QJsonValue(z.RNr));
        }
    }
    return QString::fromUtf8(QJsonDocument(liste).toJson(QJsonDocument::Compact));
}

// Removes and inserts the rows of one setting: three statements however
// many rows, each recorded as a change of many assignments.
void ZuordnungenBuchen(TStore& store, const QString& kennung, const QString& bezeichnung,
                       const QList<TZuordnung>& entfernen, const QList<TZuordnung>& hinzu)
{
    const QString typen = store.ListSql(TStoreListKind::Text);
    const QString nummern = store.ListSql(TStoreListKind::Integer);
    if (!entfernen.isEmpty()) {
        store.ChangeAssignments(false,
                                QStringLiteral("DELETE FROM fikofile WHERE Kennung = ? AND Bezeichnung = ?"
                                               " AND ((RNr = 0 AND RTyp IN (%1)) OR (RTyp = ' ' AND RNr IN (%2)))")
                                    .arg(typen, nummern),
                                {kennung, bezeichnung, ListeJson(entfernen, true), ListeJson(entfernen, false)});
    }
    if (hinzu.isEmpty()) {
        return;
    }
    const QString einfuegen =
        QStringLiteral("INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr)"
                       " SELECT DISTINCT CAST(? AS TEXT), CAST(? AS TEXT), %1 FROM (%2) l");
    store.ChangeAssignments(true, einfuegen.arg(QStringLiteral("l.value, 0"), typen),
                            {kennung, bezeichnung, ListeJson(hinzu, true)});
    store.ChangeAssignments(true, einfuegen.arg(QStringLiteral("' ', l.value"), nummern),
                            {kennung, bezeichnung, ListeJson(hinzu, false)});
}

} // namespace

bool FassungWiederherstellbar(const TVerlaufEintrag& e)
{
    const QJsonObject& fassung = e.Art == u"einstellung_geloescht" ? e.Vorher : e.Nachher;
    return (e.Art == u"einstellung_angelegt" || e.Art == u"einstellung_geaendert" ||
            e.Art == u"einstellung_geloescht") &&
           fassung.contains(QStringLiteral("Einstellungen"));
}

TWiederherstellung FassungWiederherstellen(TStore& store, qint64 eintragId)
{
    const TQuelle quelle = QuelleLesen(store, eintragId);
    // Asked outside the transaction; asked again when the setting changed
    // meanwhile.
    for (;;) {
        const std::optional<TFassung> jetzt = JetzigeFassung(store, quelle.Kennung, quelle.Bezeichnung);
        if (jetzt == quelle.Fassung) {
            return TWiederherstellung::Unveraendert;
        }
        if (jetzt && KRNInfo().ShowMeldung(mtQuestion, 1040, kKatalog,
                                           {quelle.Bezeichnung, Ortszeit(quelle.Zeit)}) != mrYes) {
            return TWiederherstellung::Abgelehnt;
        }
        if (FassungSchreiben(store, eintragId, quelle, jetzt)) {
            return TWiederherstellung::Wiederhergestellt;
        }
    }
}

bool ArbeitseinheitZuruecksetzbar(const TVerlaufEintrag& e)
{
    return !e.Arbeitseinheit.isEmpty() && (e.Art == u"zuordnung_hinzu" || e.Art == u"zuordnung_entfernt");
}

int ArbeitseinheitZuruecksetzen(TStore& store, const QString& arbeitseinheit)
{
    TStoreTransaction transaktion(store);
    // What the unit of work did to each assignment: present before it when
    // its first change removed it, present after it when its last one added it.
    QSqlQuery query = store.Query(
        QStringLiteral("SELECT %1 FROM verlauf WHERE arbeitseinheit = ? AND art IN ('zuordnung_hinzu',"
                       " 'zuordnung_entfernt', 'zuordnungen_hinzu', 'zuordnungen_entfernt') ORDER BY id")
            .arg(VerlaufSpalten()),
        {arbeitseinheit});
    QList<TVerlaufEintrag> eintraege;
    while (query.next()) {
        VerlaufZeilen(query, eintraege);
    }
    query.finish();
    QDateTime zeit;
    QList<TZuordnung> reihenfolge;
    QMap<QString, std::pair<bool, bool>> vorherNachher; // by Kennung + Schluessel
    for (const TVerlaufEintrag& e : std::as_const(eintraege)) {
        if (!zeit.isValid()) {
            zeit = e.Zeit;
        }
        const bool hinzu = e.Art == u"zuordnung_hinzu";
        const TZuordnung z{e.Kennung, e.Bezeichnung, e.RTyp, e.RNr};
        const QString schluessel = z.Kennung + QChar(0) + z.Schluessel();
        if (!vorherNachher.contains(schluessel)) {
            vorherNachher.insert(schluessel, {!hinzu, hinzu});
            reihenfolge.append(z);
        }
        vorherNachher[schluessel].second = hinzu;
    }
    if (reihenfolge.isEmpty()) {
        throw KRNException(TKRNInfo::MeldungsText(1043, kKatalog));
    }

    // Per filter kind: what is there now (by key, and the settings that hold
    // each computer), and what must change. Looked up by hash, so that a
    // confirmation of thousands of marks is set back in one pass.
    struct TJetzt
    {
        QSet<QString> Schluessel;
        QHash<QString, QStringList> Einstellungen; // by computer
    };
    QMap<QString, QMap<QString, QList<TZuordnung>>> entfernen, hinzu; // Kennung, Bezeichnung
    QStringList konflikte;
    QSet<QString> fehlend;
    QMap<QString, TJetzt> jetztJeKennung;
    for (const TZuordnung& z : std::as_const(reihenfolge)) {
        if (!jetztJeKennung.contains(z.Kennung)) {
            QSqlQuery jetzt = store.Query(
                QStringLiteral(
                    "SELECT Bezeichnung, RTyp, RNr FROM fikofile WHERE Kennung = ? AND Bezeichnung <> ''"),
                {z.Kennung});
            TJetzt& da = jetztJeKennung[z.Kennung];
            while (jetzt.next()) {
                const QString rtyp = jetzt.value(1).toString();
                const TZuordnung j{z.Kennung, jetzt.value(0).toString(), rtyp.isEmpty() ? kBlank : rtyp[0],
                                   jetzt.value(2).toInt()};
                da.Schluessel.insert(j.Schluessel());
                da.Einstellungen[j.Rechner()].append(j.Bezeichnung);
            }
        }
    }
    QMap<QString, QSet<QString>> gehen; // by Kennung: the keys removed
    for (const TZuordnung& z : std::as_const(reihenfolge)) {
        const auto [vorher, nachher] = vorherNachher.value(z.Kennung + QChar(0) + z.Schluessel());
        if (vorher == nachher) {
            continue;
        }
        const bool da = jetztJeKennung[z.Kennung].Schluessel.contains(z.Schluessel());
        if (vorher != da) {
            (vorher ? hinzu : entfernen)[z.Kennung][z.Bezeichnung].append(z);
            if (!vorher) {
                gehen[z.Kennung].insert(z.Schluessel());
            }
        }
    }
    for (auto kennung = hinzu.cbegin(); kennung != hinzu.cend(); ++kennung) {
        for (auto einstellung = kennung->cbegin(); einstellung != kennung->cend(); ++einstellung) {
            if (!JetzigeFassung(store, kennung.key(), einstellung.key())) {
                fehlend.insert(einstellung.key());
            }
            for (const TZuordnung& z : *einstellung) {
                const QSet<QString>& geht = gehen[z.Kennung];
                for (const QString& bezeichnung :
                     jetztJeKennung[z.Kennung].Einstellungen.value(z.Rechner())) {
                    if (bezeichnung != z.Bezeichnung && !geht.contains(bezeichnung + QChar(0) + z.Rechner())) {
                        konflikte << QStringLiteral("%1 (%2): Einstellung „%3“")
                                         .arg(RechnerText(z), FilterartName(z.Kennung), bezeichnung);
                    }
                }
            }
        }
    }
    if (!konflikte.isEmpty()) {
        throw KRNException(TKRNInfo::MeldungsText(1042, kKatalog, {konflikte.join(QLatin1Char('\n'))}));
    }
    if (!fehlend.isEmpty()) {
        QStringList namen = fehlend.values();
        namen.sort();
        throw KRNException(TKRNInfo::MeldungsText(1044, kKatalog, {namen.join(QStringLiteral("“, „"))}));
    }

    int geaendert = 0;
    QSet<QString> einstellungen;
    for (const auto* art : {&entfernen, &hinzu}) {
        for (auto kennung = art->cbegin(); kennung != art->cend(); ++kennung) {
            for (auto einstellung = kennung->cbegin(); einstellung != kennung->cend(); ++einstellung) {
                einstellungen.insert(kennung.key() + QChar(0) + einstellung.key());
                geaendert += int(einstellung->size());
            }
        }
    }
    if (geaendert == 0) {
        return 0;
    }
    for (const QString& einstellung : std::as_const(einstellungen)) {
        const QString kennung = einstellung.section(QChar(0), 0, 0);
        const QString bezeichnung = einstellung.section(QChar(0), 1);
        ZuordnungenBuchen(store, kennung, bezeichnung, entfernen.value(kennung).value(bezeichnung),
                          hinzu.value(kennung).value(bezeichnung));
    }
    const TZuordnung& erste = reihenfolge.front();
    store.RecordHistory(
        kZurueckgesetzt, erste.Kennung, erste.Bezeichnung, kBlank, 0, QString(),
        Json({{QStringLiteral("Arbeitseinheit"), arbeitseinheit},
              {QStringLiteral("Zeit"), zeit.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz'Z'"))},
              {QStringLiteral("Zuordnungen"), geaendert}}));
    transaktion.Commit();
    return geaendert;
}
