#pragma once

#include "host/store/PostgresAddress.h"
#include "host/store/StoreDialect.h"

// A store shared by several workstations on a PostgreSQL server. Text keys
// compare exactly and sort by code point (collation "C"). Units of work are
// serialised against every other workstation by one transaction-scoped
// advisory lock taken first thing, so a consistency pass and the booking
// after it see one state and nothing has to be retried (no question is ever
// asked twice). Lock waits end after a short step and are repeated by the
// store, visibly and bounded, as with SQLite's busy store.
class TPostgresDialect final : public TStoreDialect
{
public:
    QString DriverName() const override { return QStringLiteral("QPSQL"); }
    void CheckLocation(const QString& location) override;
    void DiscardCreated() override {}
    QString CanonicalLocation(const QString&) const override { return m_address.Display(); }
    QString ReadOnlyReason(TStore& store) override;
    QStringList GrantSql(TStore& store, bool editor, const QString& role) const override;
    void Configure(QSqlDatabase& db, const QString& location, int busyStepMs) const override;
    TStoreFailure Classify(const QSqlError& error) const override;
    QStringList Tables(TStore& store) const override;
    QStringList Columns(TStore& store, const QString& table) const override;
    bool HasRule(TStore& store, TStoreRule rule) const override;
    void PrepareWrites(TStore&) override {}
    void CreateTable(TStore& store, const QString& table) const override;
    void CreateRule(TStore& store, TStoreRule rule) const override;
    void PrepareConnection(TStore&) const override {}
    QString UnitOfWorkSql() const override;
    QString UnitOfWorkEndSql() const override { return QString(); }
    QString HistoryInsertSql() const override;
    // The statement-level triggers record a change's rows at once.
    TAssignmentChangeSql AssignmentChangeSql(bool) const override { return {}; }
    QString HistoryListHasSql(bool typ) const override;
    QStringList HistoryPruneSql() const override;
    void TableCopied(TStore& store, const QString& table) const override;
    // A standby neither listens nor announces (LISTEN is refused during
    // recovery); what it replays is seen in the history's growing ids.
    QString ChangeChannel() const override
    {
        return m_standby ? QString() : QStringLiteral("veldrake_aenderung");
    }
    QString ChangeCounterSql() const override
    {
        return m_standby ? QStringLiteral("SELECT coalesce(max(id), 0) FROM verlauf") : QString();
    }
    QString OtherConnectionsSql() const override;
    QStringList BeginWriteSql() const override;
    // QPSQL reads a forward-only result from the connection row by row, and
    // the next statement on the connection discards what is left of it.
    bool ResultsSurviveOtherStatements() const override { return false; }
    QString ListSql(TStoreListKind kind) const override;
    QString RowsSql(int columns) const override;
    // ANALYZE; a role that does not own the table is skipped with a warning.
    QString StatisticsSql(const QString& table) const override { return QStringLiteral("ANALYZE ") + table; }

private:
    TPostgresAddress m_address;
    bool m_standby = false;
};
