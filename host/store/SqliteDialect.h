#pragma once

#include "host/store/StoreDialect.h"

// The embedded SQLite store in one local file, in WAL journal mode.
class TSqliteDialect final : public TStoreDialect
{
public:
    QString DriverName() const override { return QStringLiteral("QSQLITE"); }
    void CheckLocation(const QString& location) override;
    QString CanonicalLocation(const QString& location) const override;
    void DiscardCreated() override;
    QString ReadOnlyReason(TStore&) override { return m_readOnly; }
    void Configure(QSqlDatabase& db, const QString& location, int busyStepMs) const override;
    TStoreFailure Classify(const QSqlError& error) const override;
    QStringList Tables(TStore& store) const override;
    QStringList Columns(TStore& store, const QString& table) const override;
    bool HasRule(TStore& store, TStoreRule rule) const override;
    void PrepareWrites(TStore& store) override;
    void CreateTable(TStore& store, const QString& table) const override;
    void CreateRule(TStore& store, TStoreRule rule) const override;
    void PrepareConnection(TStore& store) const override;
    QString UnitOfWorkSql() const override;
    QString UnitOfWorkEndSql() const override;
    QString HistoryInsertSql() const override;
    TAssignmentChangeSql AssignmentChangeSql(bool hinzu) const override;
    QString HistoryListHasSql(bool typ) const override;
    QStringList HistoryPruneSql() const override { return {}; }
    QStringList GrantSql(TStore&, bool, const QString&) const override { return {}; }
    void TableCopied(TStore&, const QString&) const override {}
    QString ChangeChannel() const override { return QString(); }
    // Changes with every commit of another connection, never with this
    // connection's own; read from the shared memory of the WAL, not the disk.
    QString ChangeCounterSql() const override { return QStringLiteral("PRAGMA data_version"); }
    QString OtherConnectionsSql() const override;
    QStringList BeginWriteSql() const override { return {QStringLiteral("BEGIN IMMEDIATE")}; }
    bool ResultsSurviveOtherStatements() const override { return true; }
    QString ListSql(TStoreListKind) const override
    {
        return QStringLiteral("SELECT value FROM json_each(?)");
    }
    QString RowsSql(int columns) const override;
    QString StatisticsSql(const QString&) const override { return QString(); }

private:
    QString m_file;
    QStringList m_created; // files and directories this open created
    QString m_readOnly;    // why the file can only be read (found by CheckLocation)
    bool m_immutable = false; // nothing beside the file can be created either
};
