#include "host/core/VerlaufSeiten.h"

#include "host/store/Store.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

QList<TVerlaufEintrag> VerlaufSeite(TStore& store, const TVerlaufSuche& suche, qint64 vorId, int anzahl)
{
    // Only the conditions asked for, so that the store can use the index of
    // the narrowest one (verlauf_rechner, verlauf_einstellung, verlauf_zeit) and
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
    wenn(f.RNr.has_value(), "rtyp = ' ' AND rnr = ?", {f.RNr.value_or(0)});
    wenn(f.RTyp.has_value(), "rtyp = ? AND rnr = 0", {QString(f.RTyp.value_or(QLatin1Char(' ')))});
    wenn(!suche.Benutzer.isEmpty(), "benutzer = ?", {suche.Benutzer});
    wenn(!suche.Arbeitsplatz.isEmpty(), "arbeitsplatz = ?", {suche.Arbeitsplatz});
    wenn(f.Seit.isValid(), "zeit >= ?", {VerlaufTagBeginn(f.Seit)});
    wenn(f.Bis.isValid(), "zeit < ?", {VerlaufTagBeginn(f.Bis.addDays(1))});
    wenn(vorId > 0, "id < ?", {vorId});
    QString sql = QStringLiteral("SELECT ") + VerlaufSpalten() + QStringLiteral(" FROM verlauf");
    if (!bedingungen.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + bedingungen.join(QStringLiteral(" AND "));
    }
    sql += QStringLiteral(" ORDER BY id DESC LIMIT %1").arg(qMax(anzahl, 0));

    QSqlQuery query = store.Query(sql, werte);
    QList<TVerlaufEintrag> result;
    result.reserve(anzahl);
    while (query.next()) {
        result.append(VerlaufZeile(query));
    }
    query.finish();
    return result;
}
