#pragma once

#include "host/store/StoreCursorOwner.h"

#include <QChar>
#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

class TStore;
class TVLT_DBFile;

// Modes of WriteRecord.
inline constexpr qint16 wrdonInsert = 1;
inline constexpr qint16 wrdonUpdate = 2;
inline constexpr qint16 wrdonDelete = 3;

// Comparison and logic codes of ExtendedFilterAdd; only "equal" joined by
// "and" is offered.
using TDBComparisonCode = quint8;
using TDBLogicConnection = quint8;
inline constexpr TDBComparisonCode dbcEqual = 1;
inline constexpr TDBLogicConnection dblAnd = 0;

// One column of a record store table: the row buffer (SetWert / GetWert)
// and this field's part of the search state.
class TDatenfeld_Gen
{
public:
    TDatenfeld_Gen(TVLT_DBFile& table, QString column, bool isKey);
    virtual ~TDatenfeld_Gen() = default;
    TDatenfeld_Gen(const TDatenfeld_Gen&) = delete;
    TDatenfeld_Gen& operator=(const TDatenfeld_Gen&) = delete;

    const QString& Column() const { return m_column; }
    bool IsKey() const { return m_isKey; }

    // Takes the buffered value as this field's value for ExtendedFilterAdd.
    void TakeFilterValue() { m_takenFilterValue = Buffer(); }

    // A bulky field that lists never show: the row reads (ReadFirst,
    // Get_first_extMode and their next) leave it out and fetch its value
    // from the row when it is first used. FindKey reads it at once.
    void SetLoadOnDemand(bool onDemand) { m_onDemand = onDemand; }

protected:
    friend class TVLT_DBFile;

    void SetBuffer(const QVariant& value)
    {
        m_buffer = value;
        m_pending = false;
    }
    // The buffered value; a field loaded on demand fetches it first.
    const QVariant& Buffer() const
    {
        if (m_pending) {
            FetchPending();
        }
        return m_buffer;
    }
    void SetKeyValue(const QVariant& value) { m_keyValue = value; }
    void SetRange(std::optional<QVariant> min, std::optional<QVariant> max);
    void SetMin(const QVariant& value) { m_filterMin = value; }
    void SetMax(const QVariant& value) { m_filterMax = value; }
    void SetAllowed(QList<QVariant> values) { m_allowed = std::move(values); }
    // The value a new row gets when SetWert was not called.
    virtual QVariant EmptyValue() const = 0;

    void ResetSearch();
    void ClearBuffer() { SetBuffer(EmptyValue()); }

private:
    void FetchPending() const;

    TVLT_DBFile& m_table;
    QString m_column;
    bool m_isKey;
    mutable QVariant m_buffer;
    mutable bool m_pending = false; // loaded on demand, not fetched yet
    bool m_onDemand = false;
    std::optional<QVariant> m_keyValue;
    std::optional<QVariant> m_filterMin;
    std::optional<QVariant> m_filterMax;
    std::optional<QList<QVariant>> m_allowed;
    std::optional<QVariant> m_takenFilterValue;
};

class TStringDatenFeld : public TDatenfeld_Gen
{
public:
    TStringDatenFeld(TVLT_DBFile& table, QString column, bool isKey = false)
        : TDatenfeld_Gen(table, std::move(column), isKey)
    {
    }
    void SetWert(const QString& value) { SetBuffer(value); }
    QString GetWert() const { return Buffer().toString(); }
    // Inclusive range; equal bounds select one value. Compared exactly.
    void SetFilterMin(const QString& value) { SetMin(value); }
    void SetFilterMax(const QString& value) { SetMax(value); }

protected:
    QVariant EmptyValue() const override { return QString(); }
};

class TStringDatenKeyFeld : public TStringDatenFeld
{
public:
    TStringDatenKeyFeld(TVLT_DBFile& table, QString column) : TStringDatenFeld(table, std::move(column), true) {}
    void SetKeyWert(const QString& value) { SetKeyValue(value); }
};

class TCharDatenFeld : public TDatenfeld_Gen
{
public:
    TCharDatenFeld(TVLT_DBFile& table, QString column, bool isKey = false)
        : TDatenfeld_Gen(table, std::move(column), isKey)
    {
    }
    void SetWert(QChar value) { SetBuffer(QString(value)); }
    QChar GetWert() const;
    // The row's character must be one of these.
    void SetFilter(const QSet<QChar>& allowed);

protected:
    QVariant EmptyValue() const override { return QStringLiteral(" "); }
};

class TCharDatenKeyFeld : public TCharDatenFeld
{
public:
    TCharDatenKeyFeld(TVLT_DBFile& table, QString column) : TCharDatenFeld(table, std::move(column), true) {}
    void SetKeyWert(QChar value) { SetKeyValue(QString(value)); }
};

class TIntegerDatenFeld : public TDatenfeld_Gen
{
public:
    TIntegerDatenFeld(TVLT_DBFile& table, QString column, bool isKey = false)
        : TDatenfeld_Gen(table, std::move(column), isKey)
    {
    }
    void SetWert(qint32 value) { SetBuffer(value); }
    qint32 GetWert() const { return Buffer().toInt(); }
    void SetFilterMin(qint32 value) { SetMin(value); }
    void SetFilterMax(qint32 value) { SetMax(value); }

protected:
    QVariant EmptyValue() const override { return qint32(0); }
};

class TIntegerDatenKeyFeld : public TIntegerDatenFeld
{
public:
    TIntegerDatenKeyFeld(TVLT_DBFile& table, QString column) : TIntegerDatenFeld(table, std::move(column), true) {}
    void SetKeyWert(qint32 value) { SetKeyValue(value); }
};

// A table of the record store. Reads run in primary-key order; every
// statement is prepared with bound values. Failures throw StoreError with
// the driver's message.
class TVLT_DBFile : public TStoreCursorOwner
{
public:
    explicit TVLT_DBFile(QString tableName);
    virtual ~TVLT_DBFile();
    TVLT_DBFile(const TVLT_DBFile&) = delete;
    TVLT_DBFile& operator=(const TVLT_DBFile&) = delete;

    const QString& TableName() const { return m_tableName; }
    qint16 PrimaryKeyNr() const { return 1; }

    // Opens the table on the current store; the number is not used.
    void OpenNew(qint16 number);
    void CloseTable() override;
    bool IsOpen() const { return m_store != nullptr; }

    // Forgets every key value, filter and current row of earlier searches.
    void ResetSearch();
    void UseKey(qint16 keyNr);
    // Exact lookup by the SetKeyWert values; loads the row when found.
    bool FindKey();
    // Rows passing all field filters, in table order.
    bool ReadFirst();
    bool ReadNext();
    // Restricts the extended-mode reads to rows whose field equals the value
    // taken with TakeFilterValue (or, without it, the buffered value).
    void ExtendedFilterAdd(TDatenfeld_Gen& field, TDBComparisonCode comparison, TDBLogicConnection logic);
    bool Get_first_extMode();
    bool Get_next_extMode();
    // wrdonInsert: a new row from the buffer; wrdonUpdate: the current row's
    // data fields from the buffer; wrdonDelete: the current row.
    void WriteRecord(qint16 mode, qint32 flags);
    bool Found() const { return m_found; }

    // Ends an open cursor (a finished search holds no read lock).
    void FinishCursor() override;
    // Reads the open cursor's remaining rows into memory, so that the
    // connection is free for another statement; the reads go on from there.
    void SpillCursor() override;
    // Forgets the prepared statements (they are prepared again when used).
    void DropStatements() override;

protected:
    // Fills every field's buffer with its empty value (a fresh row).
    void ClearRecord();

private:
    friend class TDatenfeld_Gen;
    void AddField(TDatenfeld_Gen* field) { m_fields.append(field); }

    TStore& Store() const;
    QSqlQuery& Prepared(const QString& sql, bool cursor = false);
    void Execute(QSqlQuery& query);
    void FixSearchedValues(bool extended);
    QString SelectSql(bool extended, QVariantList& values) const;
    bool StartCursor(bool extended);
    bool Advance();
    // Fills the buffers from the query's row. A row read leaves the fields
    // loaded on demand pending and takes the values its search fixes.
    template <class Row> void LoadRow(const Row& row, bool rowRead);
    // The value of a pending field, from the row read last.
    QVariant FetchPending(const TDatenfeld_Gen& field);
    QString KeyWhere(QVariantList& values, const QList<QVariant>& keyValues) const;
    void ForgetCurrentKey();

    QString m_tableName;
    QList<TDatenfeld_Gen*> m_fields;
    QList<TDatenfeld_Gen*> m_extendedFilter;
    TStore* m_store = nullptr;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_statements; // prepared once per SQL text
    QSqlQuery* m_cursor = nullptr;
    // Rows of the cursor read ahead by SpillCursor, row after row.
    std::vector<QVariant> m_spilled;
    size_t m_spilledNext = 0;
    int m_spilledColumns = 0;
    bool m_spilling = false; // the cursor reads from m_spilled
    int m_generation = 0; // of the store's connection the statements belong to
    bool m_found = false;
    QList<QVariant> m_currentKey; // key of the current row, for update and delete
    std::vector<std::optional<QVariant>> m_fixed; // per field: the value the row search fixes
    // Key of the row in the buffers, for pending fields: m_currentKey while
    // that is still the same row's, else m_loadedKey.
    QList<QVariant> m_loadedKey;
    bool m_pendingKeyIsCurrent = false;
};

// Saved filter settings: one row per saved setting of a filter kind.
class Tfidefile : public TVLT_DBFile
{
public:
    Tfidefile();
    TStringDatenKeyFeld Kennung;
    TStringDatenKeyFeld Bezeichnung;
    TStringDatenFeld Beschreibung;
    // The kind-specific settings, as the filter object writes them.
    TStringDatenFeld Einstellungen;
};

// Activity records and assignment records.
class Tfikofile : public TVLT_DBFile
{
public:
    Tfikofile();
    TStringDatenKeyFeld Kennung;
    TStringDatenKeyFeld Bezeichnung;
    TCharDatenKeyFeld RTyp;
    TIntegerDatenKeyFeld RNr;
};
