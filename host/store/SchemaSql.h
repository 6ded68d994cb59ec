#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

class TStore;

// What the dialects share of the schema: the table layouts, spelt with the
// dialect's type for key text and its table suffix.
struct TTableSpelling
{
    QString KeyText; // the type of text key columns, with its collation
    QString Suffix;  // after the closing parenthesis of fidefile and fikofile
    QString Serial;  // the key column of verlauf, numbered by the store
};

// The columns of verlauf, in table order.
QStringList VerlaufColumns();

// CREATE TABLE IF NOT EXISTS for one of the store's tables; throws
// StoreError for an unknown table.
QString TableSql(const QString& table, const TTableSpelling& spelling);

// The first column of every row of a read-only statement.
QStringList ReadStrings(TStore& store, const QString& sql, const QVariantList& values = {});
