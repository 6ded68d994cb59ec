#include "host/store/StoreCopy.h"

#include "host/store/Store.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

namespace {

QString SelectSql(const TStoreTable& table)
{
    return QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
        .arg(table.Columns.join(QStringLiteral(", ")), table.Name,
             table.Columns.mid(0, table.KeyColumns).join(QStringLiteral(", ")));
}

QString InsertSql(const TStoreTable& table)
{
    const QStringList marks(table.Columns.size(), QStringLiteral("?"));
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table.Name, table.Columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
}

int CountRows(TStore& store, const QString& table)
{
    QSqlQuery query = store.Query(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table));
    return query.next() ? query.value(0).toInt() : 0;
}

// A value as both stores must agree on it: numbers as numbers, text as text.
QString Comparable(const QVariant& value)
{
    bool isNumber = false;
    const qlonglong number = value.toLongLong(&isNumber);
    if (isNumber && value.typeId() != QMetaType::QString) {
        return QString::number(number);
    }
    return value.toString();
}

int CopyTable(TStore& source, TStore& target, const TStoreTable& table)
{
    QSqlQuery read = source.Prepare(SelectSql(table));
    source.Run(read);
    QSqlQuery write = target.Prepare(InsertSql(table));
    int rows = 0;
    while (read.next()) {
        for (int i = 0; i < table.Columns.size(); ++i) {
            write.bindValue(i, read.value(i));
        }
        target.Run(write);
        ++rows;
    }
    return rows;
}

// Reads both tables in key order and compares them value for value.
void Compare(TStore& source, TStore& target, const TStoreTable& table)
{
    QSqlQuery left = source.Prepare(SelectSql(table));
    source.Run(left);
    QSqlQuery right = target.Prepare(SelectSql(table));
    target.Run(right);
    for (int row = 1;; ++row) {
        const bool hasLeft = left.next();
        const bool hasRight = right.next();
        if (!hasLeft && !hasRight) {
            return;
        }
        bool same = hasLeft == hasRight;
        for (int i = 0; same && i < table.Columns.size(); ++i) {
            same = Comparable(left.value(i)) == Comparable(right.value(i));
        }
        if (!same) {
            throw StoreError(QStringLiteral("Die Kopie der Tabelle %1 weicht in Zeile %2 vom Original ab. "
                                            "Es wurde nichts kopiert.")
                                 .arg(table.Name)
                                 .arg(row));
        }
    }
}

} // namespace

QList<TStoreCopyCount> CopyStore(TStore& source, TStore& target)
{
    QList<TStoreCopyCount> counts;
    // The copied rows bring their history along; the copy itself adds none.
    struct TQuiet
    {
        TStore& Store;
        explicit TQuiet(TStore& store) : Store(store) { Store.SetHistoryQuiet(true); }
        ~TQuiet() { Store.SetHistoryQuiet(false); }
        TQuiet(const TQuiet&) = delete;
        TQuiet& operator=(const TQuiet&) = delete;
    } quiet(target);
    TStoreTransaction transaction(target);
    for (const TStoreTable& table : TStore::Schema()) {
        const int present = CountRows(target, table.Name);
        if (present > 0) {
            throw TStoreCopyRefused(QStringLiteral("Der Ziel-Datenbestand ist nicht leer: die Tabelle %1 hat "
                                                   "%2 Zeilen. Es wurde nichts kopiert.")
                                        .arg(table.Name)
                                        .arg(present));
        }
    }
    for (const TStoreTable& table : TStore::Schema()) {
        counts.append({table.Name, CopyTable(source, target, table)});
        target.TableCopied(table.Name);
    }
    for (const TStoreTable& table : TStore::Schema()) {
        Compare(source, target, table);
    }
    transaction.Commit();
    return counts;
}
