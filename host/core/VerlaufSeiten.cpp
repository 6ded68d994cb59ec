#include "host/core/VerlaufSeiten.h"

#include "host/store/Store.h"

#include <QJsonDocument>
#include <QSqlQuery>
#include <QStringList>
#include <QTimeZone>
#include <QVariant>

namespace {

QString UtcText(const QDate& tag)
{
    return QDateTime(tag, QTime(0, 0)).toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz'Z'"));
}

QJsonObject JsonObjekt(const QVariant& wert)
{
    return wert.isNull() ? QJsonObject() : QJsonDocument::fromJson(wert.toString().toUtf8()).object();
}

} // namespace

QList<TVerlaufEintrag> VerlaufSeite(TStore& store, const TVerlaufSuche& suche, qint64 vorId, int anzahl)
{
    // Only the conditions asked for, so that the store can use the index of
    // the narrowest one (verlauf_rnr, verlauf_rtyp, verlauf_einstellung) and
    // walk it in id order; the values are bound.
    QStringList bedingungen;
    QVariantList werte;
    const auto wenn = [&](bool gesetzt, const char* bedingung, const QVariantList& dazu) {
        if (gesetzt) {
            bedingungen << QString::fromLatin1(bedingung);
            werte += dazu;
        }
    };
    const TVerlaufFilter& f = suche.Filter;
    wenn(!f.Kennung.isEmpty(), "kennung = ?", {f.Kennung});
    wenn(!f.Bezeichnung.isEmpty(), "bezeichnung = ?", {f.Bezeichnung});
    wenn(f.RNr.has_value(), "rnr = ?", {f.RNr.value_or(0)});
    wenn(f.RTyp.has_value(), "rtyp = ? AND rnr = 0", {QString(f.RTyp.value_or(QLatin1Char(' ')))});
    wenn(!suche.Benutzer.isEmpty(), "benutzer = ?", {suche.Benutzer});
    wenn(!suche.Arbeitsplatz.isEmpty(), "arbeitsplatz = ?", {suche.Arbeitsplatz});
    wenn(f.Seit.isValid(), "zeit >= ?", {UtcText(f.Seit)});
    wenn(f.Bis.isValid(), "zeit < ?", {UtcText(f.Bis.addDays(1))});
    wenn(vorId > 0, "id < ?", {vorId});
    QString sql = QStringLiteral("SELECT id, zeit, arbeitseinheit, benutzer, rolle, arbeitsplatz, programm, version,"
                                 " art, kennung, bezeichnung, rtyp, rnr, vorher, nachher FROM verlauf");
    if (!bedingungen.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + bedingungen.join(QStringLiteral(" AND "));
    }
    sql += QStringLiteral(" ORDER BY id DESC LIMIT %1").arg(qMax(anzahl, 0));

    QSqlQuery query = store.Query(sql, werte);
    QList<TVerlaufEintrag> result;
    result.reserve(anzahl);
    while (query.next()) {
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
        result.append(e);
    }
    query.finish();
    return result;
}
