#include "host/core/Verlauf.h"

#include "host/core/VerlaufSeiten.h"
#include "host/store/Store.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QTimeZone>
#include <QVariant>

#include <limits>

namespace {

// Times are stored as UTC text, so that both stores compare them alike.
QString UtcText(const QDate& tag)
{
    return QDateTime(tag, QTime(0, 0)).toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz'Z'"));
}

QJsonObject JsonObjekt(const QVariant& wert)
{
    return wert.isNull() ? QJsonObject() : QJsonDocument::fromJson(wert.toString().toUtf8()).object();
}

struct TWertName
{
    const char* Schluessel;
    const char* Name;
    bool JaNein;
};

// The image settings' values as the editor names them.
const TWertName kWerte[] = {
    {"BildLoeschen", "Bild nicht übertragen", true},
    {"OnlyFirstPicExp", "Nur ein Bild (erstes Bild) übertragen", true},
    {"GroesseBreite", "max. Breite", false},
    {"GroesseHoehe", "max. Höhe", false},
    {"Qualitaetsverlust", "Qualitätsverlust", false},
};

QString WertText(const QJsonValue& wert, bool jaNein)
{
    if (wert.isUndefined() || wert.isNull()) {
        return QStringLiteral("–");
    }
    if (jaNein || wert.isBool()) {
        return wert.toBool() ? QStringLiteral("ja") : QStringLiteral("nein");
    }
    if (wert.isDouble()) {
        return QString::number(wert.toDouble());
    }
    if (wert.isString()) {
        return QStringLiteral("„%1“").arg(wert.toString());
    }
    return QString::fromUtf8(QJsonDocument::fromVariant(wert.toVariant()).toJson(QJsonDocument::Compact));
}

} // namespace

QStringList FassungAenderungen(const QJsonObject& vorher, const QJsonObject& nachher)
{
    QStringList teile;
    if (vorher.value(QStringLiteral("Beschreibung")) != nachher.value(QStringLiteral("Beschreibung"))) {
        teile << QStringLiteral("Beschreibung: %1 → %2")
                     .arg(WertText(vorher.value(QStringLiteral("Beschreibung")), false),
                          WertText(nachher.value(QStringLiteral("Beschreibung")), false));
    }
    const QJsonObject alt = vorher.value(QStringLiteral("Werte")).toObject();
    const QJsonObject neu = nachher.value(QStringLiteral("Werte")).toObject();
    const bool lesbar =
        vorher.value(QStringLiteral("Werte")).isObject() && nachher.value(QStringLiteral("Werte")).isObject();
    if (!lesbar) {
        if (vorher.value(QStringLiteral("Einstellungen")) != nachher.value(QStringLiteral("Einstellungen"))) {
            teile << QStringLiteral("Einstellungen: %1 → %2")
                         .arg(WertText(vorher.value(QStringLiteral("Einstellungen")), false),
                              WertText(nachher.value(QStringLiteral("Einstellungen")), false));
        }
        return teile;
    }
    QStringList bekannt;
    for (const TWertName& wert : kWerte) {
        const QString schluessel = QString::fromLatin1(wert.Schluessel);
        bekannt << schluessel;
        if (alt.value(schluessel) != neu.value(schluessel)) {
            teile << QStringLiteral("%1: %2 → %3")
                         .arg(QString::fromUtf8(wert.Name), WertText(alt.value(schluessel), wert.JaNein),
                              WertText(neu.value(schluessel), wert.JaNein));
        }
    }
    QStringList andere = alt.keys() + neu.keys();
    andere.sort();
    andere.removeDuplicates();
    for (const QString& schluessel : andere) {
        if (!bekannt.contains(schluessel) && alt.value(schluessel) != neu.value(schluessel)) {
            teile << QStringLiteral("%1: %2 → %3")
                         .arg(schluessel, WertText(alt.value(schluessel), false),
                              WertText(neu.value(schluessel), false));
        }
    }
    return teile;
}

namespace {

QString Rechner(const TVerlaufEintrag& eintrag)
{
    return eintrag.RNr != 0 ? QStringLiteral("Rechner %1").arg(eintrag.RNr)
                            : QStringLiteral("Rechnertyp %1").arg(eintrag.RTyp);
}

} // namespace

QString FilterartName(const QString& kennung)
{
    if (kennung == u"ABIL") {
        return QStringLiteral("Artikelbilder");
    }
    if (kennung == u"KBIL") {
        return QStringLiteral("Katalogbilder");
    }
    return kennung;
}

QString VerlaufText(const TVerlaufEintrag& e)
{
    const QString einstellung = QStringLiteral("Einstellung „%1“").arg(e.Bezeichnung);
    if (e.Art == u"einstellung_angelegt") {
        return einstellung + QStringLiteral(" angelegt");
    }
    if (e.Art == u"einstellung_geloescht") {
        return einstellung + QStringLiteral(" gelöscht");
    }
    if (e.Art == u"einstellung_geaendert") {
        const QStringList teile = FassungAenderungen(e.Vorher, e.Nachher);
        return teile.isEmpty() ? einstellung + QStringLiteral(" überschrieben (unverändert)")
                               : teile.join(QStringLiteral("; "));
    }
    if (e.Art == u"zuordnung_hinzu") {
        return Rechner(e) + QStringLiteral(" zugeordnet");
    }
    if (e.Art == u"zuordnung_entfernt") {
        return Rechner(e) + QStringLiteral(" nicht mehr zugeordnet");
    }
    if (e.Art == u"filterart_an") {
        return QStringLiteral("Filterart %1 eingeschaltet").arg(FilterartName(e.Kennung));
    }
    if (e.Art == u"filterart_aus") {
        return QStringLiteral("Filterart %1 ausgeschaltet").arg(FilterartName(e.Kennung));
    }
    if (e.Art == u"rechner_importiert") {
        return QStringLiteral("%1 Rechnertypen und %2 Rechner eingelesen aus %3")
            .arg(e.Nachher.value(QStringLiteral("Rechnertypen")).toInt())
            .arg(e.Nachher.value(QStringLiteral("Rechner")).toInt())
            .arg(e.Nachher.value(QStringLiteral("Quelle")).toString());
    }
    if (e.Art == u"verlauf_gekuerzt") {
        return QStringLiteral("Verlauf vor dem %1 gekürzt: %2 Einträge entfernt")
            .arg(QDate::fromString(e.Nachher.value(QStringLiteral("vor")).toString(), Qt::ISODate)
                     .toString(QStringLiteral("dd.MM.yyyy")))
            .arg(e.Nachher.value(QStringLiteral("entfernt")).toInt());
    }
    if (e.Art == u"einstellungen_importiert") {
        return QStringLiteral("%1 Einstellungen und %2 Zuordnungen importiert aus %3%4")
            .arg(e.Nachher.value(QStringLiteral("Einstellungen")).toInt())
            .arg(e.Nachher.value(QStringLiteral("Zuordnungen")).toInt())
            .arg(e.Nachher.value(QStringLiteral("Quelle")).toString(),
                 e.Nachher.value(QStringLiteral("Ersetzen")).toBool() ? QStringLiteral(" (ersetzend)") : QString());
    }
    // The restores' own entries.
    const auto ortszeit = [&e](const char* feld) {
        QDateTime zeit =
            QDateTime::fromString(e.Nachher.value(QLatin1String(feld)).toString(), Qt::ISODateWithMs);
        zeit.setTimeZone(QTimeZone::utc());
        return zeit.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    };
    if (e.Art == u"einstellung_wiederhergestellt") {
        return QStringLiteral("Einstellung „%1“ wiederhergestellt aus der Fassung vom %2")
            .arg(e.Bezeichnung, ortszeit("Wiederhergestellt"));
    }
    if (e.Art == u"zuordnungen_zurueckgesetzt") {
        return QStringLiteral("Zuordnungen der Bestätigung vom %1 zurückgesetzt (%2 Zuordnungen)")
            .arg(ortszeit("Zeit"))
            .arg(e.Nachher.value(QStringLiteral("Zuordnungen")).toInt());
    }
    return e.Art;
}

QString VerlaufSpalten(QStringView nachher)
{
    return QStringLiteral("id, zeit, arbeitseinheit, benutzer, rolle, arbeitsplatz, programm, version, art,"
                          " kennung, bezeichnung, rtyp, rnr, vorher, ")
        .append(nachher);
}

TVerlaufEintrag VerlaufZeile(const QSqlQuery& query)
{
    TVerlaufEintrag e;
    e.Id = query.value(0).toLongLong();
    e.Zeit = QDateTime::fromString(query.value(1).toString(), Qt::ISODateWithMs);
    e.Zeit.setTimeZone(QTimeZone::utc());
    e.Arbeitseinheit = query.value(2).toString();
    e.Benutzer = query.value(3).toString();
    e.Rolle = query.value(4).toString();
    e.Arbeitsplatz = query.value(5).toString();
    e.Programm = query.value(6).toString();
    e.Version = query.value(7).toString();
    e.Art = query.value(8).toString();
    e.Kennung = query.value(9).toString();
    e.Bezeichnung = query.value(10).toString();
    const QString rtyp = query.value(11).toString();
    e.RTyp = rtyp.isEmpty() ? QLatin1Char(' ') : rtyp.front();
    e.RNr = query.value(12).toInt();
    e.Vorher = JsonObjekt(query.value(13));
    e.Nachher = JsonObjekt(query.value(14));
    return e;
}

void VerlaufZeilen(const QSqlQuery& query, QList<TVerlaufEintrag>& ziel, const TVerlaufFilter& filter, int ab,
                   qsizetype hoechstens)
{
    TVerlaufEintrag e = VerlaufZeile(query);
    const bool hinzu = e.Art == u"zuordnungen_hinzu";
    if (!hinzu && e.Art != u"zuordnungen_entfernt") {
        if (ab == 0 && hoechstens != 0) {
            ziel.append(std::move(e));
        }
        return;
    }
    const QJsonArray typen = e.Nachher.value(QStringLiteral("Rechnertypen")).toArray();
    const QJsonArray nummern = e.Nachher.value(QStringLiteral("Rechner")).toArray();
    e.Art = hinzu ? QStringLiteral("zuordnung_hinzu") : QStringLiteral("zuordnung_entfernt");
    e.Nachher = QJsonObject();
    const qsizetype ende = hoechstens < 0 ? std::numeric_limits<qsizetype>::max() : ziel.size() + hoechstens;
    const qsizetype anzahl = typen.size() + nummern.size();
    for (qsizetype stelle = ab; stelle < anzahl && ziel.size() < ende; ++stelle) {
        const bool typ = stelle < typen.size();
        const QString text = typ ? typen.at(stelle).toString() : QString();
        const QChar rtyp = text.isEmpty() ? QLatin1Char(' ') : text.front();
        const qint32 rnr = typ ? 0 : nummern.at(stelle - typen.size()).toInt();
        if ((!filter.RNr || (rtyp == u' ' && rnr == *filter.RNr)) &&
            (!filter.RTyp || (rtyp == *filter.RTyp && rnr == 0))) {
            e.RTyp = rtyp;
            e.RNr = rnr;
            e.Stelle = static_cast<int>(stelle);
            ziel.append(e);
        }
    }
}

QString VerlaufTagBeginn(const QDate& tag)
{
    return UtcText(tag);
}

QList<TVerlaufEintrag> VerlaufLesen(TStore& store, const TVerlaufFilter& filter)
{
    TVerlaufSuche suche{filter, {}, {}};
    if (suche.Filter.RNr == 0) {
        suche.Filter.RNr.reset(); // no number asked for
    }
    return VerlaufSeite(store, suche, {}, -1);
}

int VerlaufKuerzen(TStore& store, const QDate& vor)
{
    TStoreTransaction transaktion(store);
    store.AllowHistoryPrune();
    // A row that lists many computers is as many entries as it lists.
    int entfernt = 0;
    QSqlQuery listen = store.Query(
        QStringLiteral("SELECT nachher FROM verlauf WHERE %1 AND zeit < ?").arg(QLatin1StringView(kHistoryListed)),
        {UtcText(vor)});
    while (listen.next()) {
        const QJsonObject liste = JsonObjekt(listen.value(0));
        entfernt += static_cast<int>(liste.value(QStringLiteral("Rechner")).toArray().size() +
                                     liste.value(QStringLiteral("Rechnertypen")).toArray().size()) -
                    1;
    }
    listen.finish();
    QSqlQuery query = store.Query(QStringLiteral("DELETE FROM verlauf WHERE zeit < ?"), {UtcText(vor)});
    entfernt += query.numRowsAffected();
    store.RecordHistory(
        QStringLiteral("verlauf_gekuerzt"), QString(), QString(), QLatin1Char(' '), 0, QString(),
        QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("vor"), vor.toString(Qt::ISODate)},
                                                    {QStringLiteral("entfernt"), entfernt}})
                              .toJson(QJsonDocument::Compact)));
    transaktion.Commit();
    return entfernt;
}
