#include "host/store/SchemaSql.h"

#include "host/core/KRNError.h"
#include "host/store/Store.h"

#include <QSqlQuery>
#include <QVariant>

QString TableSql(const QString& table, const TTableSpelling& spelling)
{
    QString columns;
    QString suffix = spelling.Suffix;
    if (table == QLatin1String("fidefile")) {
        columns =
            QStringLiteral("Kennung %1 NOT NULL, Bezeichnung %1 NOT NULL,"
                           " Beschreibung TEXT NOT NULL DEFAULT '', Einstellungen TEXT NOT NULL DEFAULT '',"
                           " PRIMARY KEY (Kennung, Bezeichnung)");
    } else if (table == QLatin1String("fikofile")) {
        columns = QStringLiteral("Kennung %1 NOT NULL, Bezeichnung %1 NOT NULL,"
                                 " RTyp %1 NOT NULL DEFAULT ' ', RNr INTEGER NOT NULL DEFAULT 0,"
                                 " PRIMARY KEY (Kennung, Bezeichnung, RTyp, RNr)");
    } else if (table == QLatin1String("rechnertyp")) {
        suffix.clear();
        columns = QStringLiteral("RTyp %1 NOT NULL PRIMARY KEY, Name TEXT NOT NULL DEFAULT ''");
    } else if (table == QLatin1String("rechner")) {
        suffix.clear();
        columns = QStringLiteral("RNr INTEGER NOT NULL PRIMARY KEY, Name TEXT NOT NULL DEFAULT '',"
                                 " RTyp %1 NOT NULL DEFAULT ' ', Master INTEGER NOT NULL DEFAULT 0");
    } else if (table == QLatin1String("verlauf")) {
        // Append-only; zeit is UTC text (ISO 8601), vorher and nachher JSON text.
        suffix.clear();
        columns = QStringLiteral("id ") + spelling.Serial +
                  QStringLiteral(", zeit %1 NOT NULL, arbeitseinheit %1 NOT NULL DEFAULT '',"
                                 " benutzer TEXT NOT NULL DEFAULT '', rolle TEXT NOT NULL DEFAULT '',"
                                 " arbeitsplatz TEXT NOT NULL DEFAULT '', programm TEXT NOT NULL DEFAULT '',"
                                 " version TEXT NOT NULL DEFAULT '', art %1 NOT NULL,"
                                 " kennung %1 NOT NULL DEFAULT '', bezeichnung %1 NOT NULL DEFAULT '',"
                                 " rtyp %1 NOT NULL DEFAULT ' ', rnr INTEGER NOT NULL DEFAULT 0,"
                                 " vorher TEXT, nachher TEXT");
    } else {
        throw StoreError(QStringLiteral("Unbekannte Tabelle %1.").arg(table));
    }
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)%3")
        .arg(table, columns.arg(spelling.KeyText), suffix);
}

QStringList VerlaufColumns()
{
    return {QStringLiteral("id"),         QStringLiteral("zeit"),      QStringLiteral("arbeitseinheit"),
            QStringLiteral("benutzer"),   QStringLiteral("rolle"),     QStringLiteral("arbeitsplatz"),
            QStringLiteral("programm"),   QStringLiteral("version"),   QStringLiteral("art"),
            QStringLiteral("kennung"),    QStringLiteral("bezeichnung"), QStringLiteral("rtyp"),
            QStringLiteral("rnr"),        QStringLiteral("vorher"),    QStringLiteral("nachher")};
}

QStringList ReadStrings(TStore& store, const QString& sql, const QVariantList& values)
{
    QSqlQuery query = store.Query(sql, values);
    QStringList result;
    while (query.next()) {
        result << query.value(0).toString();
    }
    return result;
}
