#include "host/core/VerlaufSeiten.h"

#include "host/store/Store.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

// Conditions with their values, in the order they are bound.
struct TBedingungen
{
    QStringList Sql;
    QVariantList Werte;

    void Wenn(bool gesetzt, const QString& bedingung, const QVariantList& werte)
    {
        if (gesetzt) {
            Sql << bedingung;
            Werte += werte;
        }
    }
    QString Where() const
    {
        return Sql.isEmpty() ? QString() : QStringLiteral(" WHERE ") + Sql.join(QStringLiteral(" AND "));
    }
};

// A row's own computer.
void Rechner(TBedingungen& b, const TVerlaufFilter& f)
{
    b.Wenn(f.RNr.has_value(), QStringLiteral("rtyp = ' ' AND rnr = ?"), {f.RNr.value_or(0)});
    b.Wenn(f.RTyp.has_value(), QStringLiteral("rtyp = ? AND rnr = 0"), {QString(f.RTyp.value_or(QLatin1Char(' ')))});
}

} // namespace

QList<TVerlaufEintrag> VerlaufSeite(TStore& store, const TVerlaufSuche& suche, const TVerlaufStelle& vor, int anzahl)
{
    const qint64 vorId = vor.Id;
    // Only the conditions asked for, so that the store can use the index of
    // the narrowest one (verlauf_rechner, verlauf_einstellung, verlauf_zeit) and
    // walk it in id order; the values are bound.
    const TVerlaufFilter& f = suche.Filter;
    TBedingungen andere;
    andere.Wenn(!f.Kennung.isEmpty(), QStringLiteral("kennung = ?"), {f.Kennung});
    andere.Wenn(!f.Bezeichnung.isEmpty(), QStringLiteral("bezeichnung = ?"), {f.Bezeichnung});
    andere.Wenn(!suche.Benutzer.isEmpty(), QStringLiteral("benutzer = ?"), {suche.Benutzer});
    andere.Wenn(!suche.Arbeitsplatz.isEmpty(), QStringLiteral("arbeitsplatz = ?"), {suche.Arbeitsplatz});
    andere.Wenn(f.Seit.isValid(), QStringLiteral("zeit >= ?"), {VerlaufTagBeginn(f.Seit)});
    andere.Wenn(f.Bis.isValid(), QStringLiteral("zeit < ?"), {VerlaufTagBeginn(f.Bis.addDays(1))});
    const QString reihe = anzahl >= 0 ? QStringLiteral(" ORDER BY id DESC LIMIT %1").arg(anzahl)
                                      : QStringLiteral(" ORDER BY id DESC");

    TBedingungen eigene = andere;
    Rechner(eigene, f);
    eigene.Wenn(vorId > 0, QStringLiteral("id < ?"), {vorId});
    QString sql = QStringLiteral("SELECT ") + VerlaufSpalten() + QStringLiteral(" FROM verlauf") + eigene.Where();
    QVariantList werte = eigene.Werte;
    if (f.RNr || f.RTyp) {
        // Beside the computer's own rows, the rows that list it among many:
        // each side walked newest first by its own index (verlauf_listen).
        // Each side reads verlauf alone, so the conditions both share name
        // its columns bare.
        // A list holds a computer once, and the store found it there: such a
        // row is read as listing that computer alone, without its whole
        // list (some 25 kB of JSON for 5,000 computers), and a page that
        // ends in it goes on with the next row.
        QJsonObject allein{{QStringLiteral("Rechner"), QJsonArray()}, {QStringLiteral("Rechnertypen"), QJsonArray()}};
        allein[f.RNr ? QStringLiteral("Rechner") : QStringLiteral("Rechnertypen")] =
            QJsonArray{f.RNr ? QJsonValue(*f.RNr) : QJsonValue(QString(*f.RTyp))};
        werte << QString::fromUtf8(QJsonDocument(allein).toJson(QJsonDocument::Compact));
        TBedingungen gelistet = andere;
        gelistet.Sql << QLatin1StringView(kHistoryListed);
        gelistet.Wenn(f.RNr.has_value(), store.HistoryListHasSql(false), {f.RNr.value_or(0)});
        gelistet.Wenn(f.RTyp.has_value(), store.HistoryListHasSql(true),
                      {QString(f.RTyp.value_or(QLatin1Char(' ')))});
        gelistet.Wenn(vorId > 0, QStringLiteral("id < ?"), {vorId});
        sql = QStringLiteral("SELECT * FROM (%1%2) a UNION ALL SELECT * FROM (SELECT %3 FROM verlauf%4%2) b")
                  .arg(sql, reihe, VerlaufSpalten(u"CAST(? AS TEXT) AS nachher"), gelistet.Where());
        werte += gelistet.Werte;
    }
    sql += reihe;

    QList<TVerlaufEintrag> result;
    result.reserve(qMax(anzahl, 0));
    const auto bisVoll = [&] { return anzahl < 0 ? qsizetype(-1) : anzahl - result.size(); };
    if (vorId > 0 && vor.Stelle >= 0 && !f.RNr && !f.RTyp) {
        // The rest of the list the previous page ended in.
        QSqlQuery rest = store.Query(
            QStringLiteral("SELECT ") + VerlaufSpalten() + QStringLiteral(" FROM verlauf WHERE id = ?"), {vorId});
        if (rest.next()) {
            VerlaufZeilen(rest, result, f, vor.Stelle + 1, bisVoll());
        }
    }
    QSqlQuery query = store.Query(sql, werte);
    while (bisVoll() != 0 && query.next()) {
        VerlaufZeilen(query, result, f, 0, bisVoll());
    }
    query.finish();
    return result;
}
