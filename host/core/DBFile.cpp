#include "host/core/DBFile.h"

#include "host/core/KRNError.h"
#include "host/store/Store.h"

#include <QSqlError>
#include <QSqlRecord>

#include <algorithm>

namespace {

// Binds in order. A null string is bound as an empty one: the columns hold
// no NULLs, and an empty name is a value of its own (the activity record).
void BindAll(QSqlQuery& query, const QVariantList& values)
{
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QVariant& value = values[i];
        if (value.typeId() == QMetaType::QString && value.toString().isNull()) {
            query.bindValue(int(i), QStringLiteral(""));
        } else {
            query.bindValue(int(i), value);
        }
    }
}

} // namespace

// --- fields -----------------------------------------------------------------

TDatenfeld_Gen::TDatenfeld_Gen(TVLT_DBFile& table, QString column, bool isKey)
    : m_table(table), m_column(std::move(column)), m_isKey(isKey)
{
    m_table.AddField(this);
}

void TDatenfeld_Gen::ResetSearch()
{
    m_keyValue.reset();
    m_filterMin.reset();
    m_filterMax.reset();
    m_allowed.reset();
    m_takenFilterValue.reset();
}

void TDatenfeld_Gen::FetchPending() const
{
    m_buffer = m_table.FetchPending(*this);
    m_pending = false;
}

QChar TCharDatenFeld::GetWert() const
{
    const QString text = Buffer().toString();
    return text.isEmpty() ? QLatin1Char(' ') : text.front();
}

void TCharDatenFeld::SetFilter(const QSet<QChar>& allowed)
{
    QList<QVariant> values;
    for (QChar c : allowed) {
        values.append(QString(c));
    }
    SetAllowed(std::move(values));
}

// --- table ------------------------------------------------------------------

TVLT_DBFile::TVLT_DBFile(QString tableName) : m_tableName(std::move(tableName)) {}

TVLT_DBFile::~TVLT_DBFile()
{
    CloseTable();
}

TStore& TVLT_DBFile::Store() const
{
    if (!m_store) {
        throw StoreError(QStringLiteral("Die Tabelle %1 ist nicht geöffnet.").arg(m_tableName));
    }
    return *m_store;
}

void TVLT_DBFile::OpenNew(qint16)
{
    TStore* store = TStore::Current();
    if (!store) {
        throw StoreError(
            QStringLiteral("Die Tabelle %1 kann nicht geöffnet werden: kein Datenbestand geöffnet.")
                .arg(m_tableName));
    }
    if (m_store == store) {
        return;
    }
    CloseTable();
    m_store = store;
    m_store->Attach(this);
    ClearRecord();
    // Fails now, with the driver's message, when the table is missing.
    QSqlQuery& probe = Prepared(QStringLiteral("SELECT count(*) FROM %1 WHERE 1 = 0").arg(m_tableName));
    Execute(probe);
    probe.finish();
}

void TVLT_DBFile::CloseTable()
{
    FinishCursor();
    DropStatements();
    m_found = false;
    if (m_store) {
        m_store->Detach(this);
        m_store = nullptr;
    }
}

void TVLT_DBFile::ResetSearch()
{
    FinishCursor();
    for (TDatenfeld_Gen* field : std::as_const(m_fields)) {
        field->ResetSearch();
    }
    m_extendedFilter.clear();
    m_found = false;
    ForgetCurrentKey();
}

// The key of the row in the buffers is copied only when the current key is
// forgotten while fields of that row are still pending (not once a row).
void TVLT_DBFile::ForgetCurrentKey()
{
    if (m_pendingKeyIsCurrent) {
        m_loadedKey = m_currentKey;
        m_pendingKeyIsCurrent = false;
    }
    m_currentKey.clear();
}

void TVLT_DBFile::UseKey(qint16 keyNr)
{
    if (keyNr != PrimaryKeyNr()) {
        throw StoreError(
            QStringLiteral("Die Tabelle %1 hat keinen Schlüssel %2.").arg(m_tableName).arg(keyNr));
    }
}

void TVLT_DBFile::FinishCursor()
{
    if (m_cursor) {
        m_cursor->finish();
        m_cursor = nullptr;
    }
    m_spilled.clear();
    m_spilledNext = 0;
    m_spilling = false;
}

void TVLT_DBFile::SpillCursor()
{
    if (!m_cursor || m_spilling) {
        return;
    }
    m_spilledColumns = m_cursor->record().count();
    while (m_cursor->next()) {
        for (int i = 0; i < m_spilledColumns; ++i) {
            m_spilled.push_back(m_cursor->value(i));
        }
    }
    const QSqlError error = m_cursor->lastError();
    m_cursor->finish();
    m_spilling = true;
    if (error.isValid()) {
        FinishCursor();
        m_found = false;
        throw Store().Failure(error);
    }
}

// Dropping a prepared statement is a statement of its own on a server, so
// the other tables' cursors are spilled first.
void TVLT_DBFile::DropStatements()
{
    if (m_store && !m_statements.isEmpty()) {
        m_store->SpillCursors();
    }
    m_cursor = nullptr;
    m_statements.clear();
}

void TVLT_DBFile::ClearRecord()
{
    for (TDatenfeld_Gen* field : std::as_const(m_fields)) {
        field->ClearBuffer();
    }
}

QSqlQuery& TVLT_DBFile::Prepared(const QString& sql, bool cursor)
{
    Store().EnsureConnected();
    if (m_generation != Store().Generation()) {
        // Prepared on a connection that has been replaced.
        FinishCursor();
        DropStatements();
        m_generation = Store().Generation();
    }
    std::shared_ptr<QSqlQuery>& slot = m_statements[sql];
    if (!slot) {
        try {
            slot = std::make_shared<QSqlQuery>(cursor ? Store().PrepareCursor(sql) : Store().Prepare(sql));
        } catch (const StoreError&) {
            m_statements.remove(sql);
            throw;
        }
    }
    return *slot;
}

void TVLT_DBFile::Execute(QSqlQuery& query)
{
    Store().Run(query);
}

QString TVLT_DBFile::KeyWhere(QVariantList& values, const QList<QVariant>& keyValues) const
{
    QStringList terms;
    qsizetype k = 0;
    for (const TDatenfeld_Gen* field : m_fields) {
        if (field->IsKey()) {
            terms << field->Column() + QStringLiteral(" = ?");
            values << keyValues.value(k++);
        }
    }
    return terms.join(QStringLiteral(" AND "));
}

bool TVLT_DBFile::FindKey()
{
    FinishCursor();
    m_found = false;
    QStringList columns;
    QStringList terms;
    QVariantList values;
    for (const TDatenfeld_Gen* field : std::as_const(m_fields)) {
        columns << field->Column();
        if (field->IsKey() && field->m_keyValue) {
            terms << field->Column() + QStringLiteral(" = ?");
            values << *field->m_keyValue;
        }
    }
    if (terms.isEmpty()) {
        throw StoreError(QStringLiteral("FindKey auf %1 ohne Schlüsselwert.").arg(m_tableName));
    }
    QSqlQuery& query = Prepared(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3 LIMIT 1")
            .arg(columns.join(QStringLiteral(", ")), m_tableName, terms.join(QStringLiteral(" AND "))));
    BindAll(query, values);
    Execute(query);
    if (query.next()) {
        LoadRow(query, false);
        m_found = true;
    }
    query.finish();
    return m_found;
}

QString TVLT_DBFile::SelectSql(bool extended, QVariantList& values) const
{
    QStringList columns;
    QStringList keys;
    QStringList terms;
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        const TDatenfeld_Gen* field = m_fields[i];
        const QString& column = field->Column();
        if (!field->m_onDemand && !m_fixed[static_cast<size_t>(i)]) {
            columns << column;
        }
        if (field->IsKey()) {
            keys << column;
        }
        if (field->m_filterMin && field->m_filterMax && *field->m_filterMin == *field->m_filterMax) {
            // One value: an equality, so that an index on the column serves it.
            terms << column + QStringLiteral(" = ?");
            values << *field->m_filterMin;
        } else {
            if (field->m_filterMin) {
                terms << column + QStringLiteral(" >= ?");
                values << *field->m_filterMin;
            }
            if (field->m_filterMax) {
                terms << column + QStringLiteral(" <= ?");
                values << *field->m_filterMax;
            }
        }
        if (field->m_allowed) {
            if (field->m_allowed->isEmpty()) {
                terms << QStringLiteral("1 = 0");
            } else {
                QStringList marks(field->m_allowed->size(), QStringLiteral("?"));
                terms << column + QStringLiteral(" IN (") + marks.join(QStringLiteral(", ")) +
                             QLatin1Char(')');
                values << *field->m_allowed;
            }
        }
    }
    if (extended) {
        for (const TDatenfeld_Gen* field : m_extendedFilter) {
            terms << field->Column() + QStringLiteral(" = ?");
            values << (field->m_takenFilterValue ? *field->m_takenFilterValue : field->Buffer());
        }
    }
    if (columns.isEmpty()) {
        columns << QStringLiteral("1"); // every value is known; the rows still count
    }
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QStringLiteral(", ")), m_tableName);
    if (!terms.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
    }
    return sql + QStringLiteral(" ORDER BY ") + keys.join(QStringLiteral(", "));
}

// Fields whose value a search fixes to one value (an extended filter or
// equal filter bounds): the row reads take the value from here instead of
// reading the column.
void TVLT_DBFile::FixSearchedValues(bool extended)
{
    m_fixed.assign(static_cast<size_t>(m_fields.size()), std::nullopt);
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        const TDatenfeld_Gen* field = m_fields[i];
        std::optional<QVariant> value;
        if (field->m_filterMin && field->m_filterMax && *field->m_filterMin == *field->m_filterMax) {
            value = *field->m_filterMin;
        }
        if (extended && m_extendedFilter.contains(field)) {
            const QVariant taken = field->m_takenFilterValue ? *field->m_takenFilterValue : field->Buffer();
            if (value && *value != taken) {
                continue; // no row can pass; read the column as usual
            }
            value = taken;
        }
        if (value && value->typeId() == QMetaType::QString && value->toString().isNull()) {
            value = QStringLiteral(""); // bound as empty, so read as empty
        }
        m_fixed[static_cast<size_t>(i)] = std::move(value);
    }
}

bool TVLT_DBFile::StartCursor(bool extended)
{
    FinishCursor();
    m_found = false;
    FixSearchedValues(extended);
    QVariantList values;
    QSqlQuery& query = Prepared(SelectSql(extended, values), true);
    BindAll(query, values);
    Execute(query);
    m_cursor = &query;
    return Advance();
}

namespace {

// One row that SpillCursor read ahead, read like a query's row.
struct TSpilledRow
{
    const QVariant* Values;
    const QVariant& value(int column) const { return Values[column]; }
};

} // namespace

bool TVLT_DBFile::Advance()
{
    if (!m_cursor) {
        m_found = false;
        return false;
    }
    if (m_spilling) {
        m_found = m_spilledNext < m_spilled.size();
        if (m_found) {
            LoadRow(TSpilledRow{m_spilled.data() + m_spilledNext}, true);
            m_spilledNext += static_cast<size_t>(m_spilledColumns);
        } else {
            FinishCursor();
        }
        return m_found;
    }
    if (m_cursor->next()) {
        LoadRow(*m_cursor, true);
        m_found = true;
    } else {
        const QSqlError error = m_cursor->lastError();
        FinishCursor();
        m_found = false;
        if (error.isValid()) {
            throw Store().Failure(error);
        }
    }
    return m_found;
}

template <class Row> void TVLT_DBFile::LoadRow(const Row& row, bool rowRead)
{
    // Every field of the row before is replaced: nothing of it stays pending.
    m_pendingKeyIsCurrent = false;
    m_currentKey.clear();
    int column = 0;
    bool pending = false;
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        TDatenfeld_Gen* field = m_fields[i];
        QVariant value;
        if (rowRead && field->m_onDemand) {
            field->m_buffer = field->EmptyValue();
            field->m_pending = pending = true;
            continue;
        }
        if (rowRead && m_fixed[static_cast<size_t>(i)]) {
            value = *m_fixed[static_cast<size_t>(i)];
        } else {
            value = row.value(column++);
        }
        if (value.isNull()) {
            value = field->EmptyValue();
        }
        if (field->IsKey()) {
            m_currentKey << value;
        }
        field->m_buffer = std::move(value);
        field->m_pending = false;
    }
    m_pendingKeyIsCurrent = pending;
}

QVariant TVLT_DBFile::FetchPending(const TDatenfeld_Gen& field)
{
    QVariantList values;
    QSqlQuery& query = Prepared(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                                    .arg(field.Column(), m_tableName,
                                         KeyWhere(values, m_pendingKeyIsCurrent ? m_currentKey : m_loadedKey)));
    BindAll(query, values);
    Execute(query);
    QVariant value = query.next() ? query.value(0) : QVariant();
    query.finish();
    return value.isNull() ? field.EmptyValue() : value;
}

bool TVLT_DBFile::ReadFirst()
{
    return StartCursor(false);
}

bool TVLT_DBFile::ReadNext()
{
    return Advance();
}

void TVLT_DBFile::ExtendedFilterAdd(TDatenfeld_Gen& field, TDBComparisonCode comparison,
                                    TDBLogicConnection logic)
{
    if (comparison != dbcEqual || logic != dblAnd) {
        throw StoreError(QStringLiteral("Nicht unterstützter erweiterter Filter (%1, %2) auf %3.")
                             .arg(comparison)
                             .arg(logic)
                             .arg(m_tableName));
    }
    if (!m_fields.contains(&field)) {
        throw StoreError(
            QStringLiteral("Das Feld %1 gehört nicht zur Tabelle %2.").arg(field.Column(), m_tableName));
    }
    m_extendedFilter.append(&field);
}

bool TVLT_DBFile::Get_first_extMode()
{
    return StartCursor(true);
}

bool TVLT_DBFile::Get_next_extMode()
{
    return Advance();
}

void TVLT_DBFile::WriteRecord(qint16 mode, qint32)
{
    switch (mode) {
    case wrdonInsert: {
        QStringList columns;
        QVariantList values;
        for (const TDatenfeld_Gen* field : std::as_const(m_fields)) {
            columns << field->Column();
            values << field->Buffer();
        }
        QStringList marks(columns.size(), QStringLiteral("?"));
        QSqlQuery& query = Prepared(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(m_tableName, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
        BindAll(query, values);
        Execute(query);
        query.finish();
        return;
    }
    case wrdonUpdate:
    case wrdonDelete: {
        if (!m_found || m_currentKey.isEmpty()) {
            throw StoreError(QStringLiteral("Kein aktueller Datensatz in Tabelle %1.").arg(m_tableName));
        }
        QVariantList values;
        QString sql;
        if (mode == wrdonUpdate) {
            QStringList sets;
            for (const TDatenfeld_Gen* field : std::as_const(m_fields)) {
                if (!field->IsKey()) {
                    sets << field->Column() + QStringLiteral(" = ?");
                    values << field->Buffer();
                }
            }
            if (sets.isEmpty()) {
                return;
            }
            sql = QStringLiteral("UPDATE %1 SET %2 WHERE ").arg(m_tableName, sets.join(QStringLiteral(", ")));
        } else {
            sql = QStringLiteral("DELETE FROM %1 WHERE ").arg(m_tableName);
        }
        FinishCursor();
        sql += KeyWhere(values, m_currentKey);
        QSqlQuery& query = Prepared(sql);
        BindAll(query, values);
        Execute(query);
        query.finish();
        if (mode == wrdonDelete) {
            m_found = false;
            ForgetCurrentKey();
        }
        return;
    }
    default:
        throw StoreError(
            QStringLiteral("Unbekannter Schreibmodus %1 für Tabelle %2.").arg(mode).arg(m_tableName));
    }
}

// --- the two tables ---------------------------------------------------------

Tfidefile::Tfidefile()
    : TVLT_DBFile(QStringLiteral("fidefile")), Kennung(*this, QStringLiteral("Kennung")),
      Bezeichnung(*this, QStringLiteral("Bezeichnung")), Beschreibung(*this, QStringLiteral("Beschreibung")),
      Einstellungen(*this, QStringLiteral("Einstellungen"))
{
    Einstellungen.SetLoadOnDemand(true);
}

Tfikofile::Tfikofile()
    : TVLT_DBFile(QStringLiteral("fikofile")), Kennung(*this, QStringLiteral("Kennung")),
      Bezeichnung(*this, QStringLiteral("Bezeichnung")), RTyp(*this, QStringLiteral("RTyp")),
      RNr(*this, QStringLiteral("RNr"))
{
}
