#pragma once

#include "host/core/KRNError.h"
#include "host/core/KRNInfo.h"
#include "host/store/StoreCursorOwner.h"
#include "host/store/StoreDialect.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QObject;

// Told while the store waits for another workstation to release it. The
// program installs one that shows the wait; the store itself knows no
// widgets.
class TStoreWaitObserver
{
public:
    virtual ~TStoreWaitObserver() = default;
    virtual void WaitBegins() = 0;
    // Called again and again while the wait lasts.
    virtual void StillWaiting(int elapsedMs, int limitMs) = 0;
    virtual void WaitEnds() = 0;
};

// One computer type or number that serves more than one saved setting of a
// filter kind.
struct TDoubleService
{
    QString Kennung;
    QChar RTyp;
    qint32 RNr = 0;
    QStringList Bezeichnungen; // in table order
};

// Another connection to the store: its name as its program gave it (on a
// server the application_name, "program user@host") and since when it is
// there (invalid where the store does not say).
struct TStoreConnection
{
    QString Name;
    QDateTime Seit;
};

// A table as this program reads and writes it: its columns, the first
// KeyColumns of them its primary key.
struct TStoreTable
{
    QString Name;
    QStringList Columns;
    int KeyColumns = 1;
    // false: the host may add columns of its own.
    bool Exact = true;
};

// One connection to the record store. What differs between database
// products lives in the dialect; this class keeps the promises: an existing
// store is checked before anything is written, a unit of work is committed
// or rolled back whole, waits are bounded and failures come with a kind and
// a German text.
class TStore
{
public:
    // The tables, in the order in which rows can be written (a setting
    // before its assignments).
    static const QList<TStoreTable>& Schema();

    // Opens the store at the location: a PostgreSQL connection URI
    // (postgresql://user@host:port/database) or the path of an SQLite file.
    // A missing file or an empty database gets the whole schema. An existing
    // store is only read unless something the data allows is missing.
    // Throws StoreError; a failed open leaves an existing store as it was
    // and removes what it created.
    static std::unique_ptr<TStore> Open(const QString& location);
    static std::unique_ptr<TStore> Open(const QString& location, std::unique_ptr<TStoreDialect> dialect);
    ~TStore();
    TStore(const TStore&) = delete;
    TStore& operator=(const TStore&) = delete;

    QSqlDatabase Database() const;
    // The location as it may be shown: the file path, or the server and
    // database without a password.
    const QString& Path() const { return m_path; }
    // Counts the connections made; a statement prepared under an earlier
    // one must be prepared again.
    int Generation() const { return m_generation; }
    // After a lost server connection the next statement connects anew; call
    // before comparing generations.
    void EnsureConnected();
    // Why this program may only read the store (German; empty: it may
    // write). Found at the open; nothing is written then, and a unit of
    // work is refused with this reason.
    const QString& ReadOnlyReason() const { return m_readOnlyReason; }
    bool ReadOnly() const { return !m_readOnlyReason.isEmpty(); }
    // Whether the store was created by this Open (it held no tables before).
    bool CreatedNew() const { return m_createdNew; }
    // Computers served twice, as found when the store was opened.
    const QList<TDoubleService>& DoubleServed() const { return m_doubleServed; }
    // One German line per computer served twice; empty when there are none.
    QString DoubleServedLines() const;
    // Whether every rule of the store is in place (false while computers are
    // served twice).
    bool RulesComplete() const { return !m_uniqueRulesPending; }

    // Runs one statement without bound values (schema and pragmas only;
    // never with user text). Throws StoreError.
    void Exec(const QString& sql);
    // A statement on this connection; throws StoreError. Its rows are read
    // whole where a result would not survive other statements. On a server
    // dropping a prepared statement is a statement too: drop it before a
    // table's cursor is started.
    QSqlQuery Prepare(const QString& sql);
    // A statement whose rows are read one by one as the cursor moves (for
    // the tables' cursors, which spill, see SpillCursors).
    QSqlQuery PrepareCursor(const QString& sql);
    // Prepares the statement, binds the values in order and runs it; the
    // rows are read from the query returned. Throws StoreError.
    QSqlQuery Query(const QString& sql, const QVariantList& values = {});
    // Executes a prepared statement. Outside a transaction a busy store is
    // waited for (bounded, visibly); throws StoreError with the kind.
    void Run(QSqlQuery& query);
    // The subquery for a list bound as one parameter (see TStoreDialect).
    QString ListSql(TStoreListKind kind) const { return m_dialect->ListSql(kind); }
    QString RowsSql(int columns) const { return m_dialect->RowsSql(columns); }
    // See TStoreDialect::StatisticsSql; the table is a name of the schema.
    void RefreshStatistics(const QString& table)
    {
        const QString sql = m_dialect->StatisticsSql(table);
        if (!sql.isEmpty()) {
            Exec(sql);
        }
    }
    // Statements sent on this connection so far (prepared, executed, begun,
    // ended); a round trip each on a server.
    qint64 StatementCount() const { return m_statementCount; }
    // The exception for a driver failure.
    StoreError Failure(const QSqlError& error);

    // The history (table verlauf). Who works on the store: the login, the
    // host, and the program with its version (the application's name and
    // version unless set).
    static const TStoreIdentity& Identity();
    static void SetProgramm(const QString& programm, const QString& version);
    // The id of the open unit of work; the history groups its rows by it.
    const QString& UnitOfWork() const { return m_unitOfWork; }
    // The next units of work record nothing (a copy of a whole store; on a
    // server only the owner of verlauf may ask for it).
    void SetHistoryQuiet(bool quiet) { m_historyQuiet = quiet; }
    // Writes one history row of the open unit of work under its identity.
    void RecordHistory(const QString& art, const QString& kennung, const QString& bezeichnung, QChar rtyp,
                       qint32 rnr, const QString& vorher, const QString& nachher);
    // Adds (hinzu) or removes many assignments with one statement
    // (`change`, binding `values`), its history written with a few
    // statements however many rows it changes. Outside a unit of work it is
    // one of its own.
    void ChangeAssignments(bool hinzu, const QString& change, const QVariantList& values);
    // The condition that a history row that lists computers (see
    // kHistoryListAbove) lists the computer number, or the type, bound once.
    QString HistoryListHasSql(bool typ) const;
    // Gives a role of the server the rights of a reader or an editor (see
    // TStoreDialect::GrantSql), as one unit of work; only the owner of the
    // tables may. Returns false where the store knows no roles; throws
    // KRNException for a role the server does not know.
    bool Grant(bool editor, const QString& role);
    // Changes committed by other connections. Where the server tells of
    // them, the handler gets the id of each such unit of work (never one of
    // this store's own) from the event loop, and the store listens again
    // after a reconnect; false where the program must look itself
    // (ChangeCounter). An empty handler ends the listening. Throws
    // StoreError.
    bool ListenForChanges(std::function<void(const QString& unitOfWork)> handler);
    // Where the program looks itself: a number that changes whenever
    // another connection committed, and never with this store's own
    // commits; nullopt where the server tells. Throws StoreError.
    std::optional<qint64> ChangeCounter();
    // The other connections to the store, oldest first; nullopt where the
    // store cannot know (a file). Throws StoreError.
    std::optional<QList<TStoreConnection>> OtherConnections();
    // Whether the unit of work is one of this store's recent ones.
    bool OwnUnitOfWork(const QString& id) const;

    // Inside a unit of work: lets it delete old history (on a server only
    // for the owner of verlauf).
    void AllowHistoryPrune();
    // After a copy filled the table with the rows' own keys.
    void TableCopied(const QString& table);

    // Unit of work that reads and then writes: takes the write lock at once.
    void BeginWrite();
    void Commit();
    void Rollback();
    bool InTransaction() const { return m_inTransaction; }

    // The store that tables open on (set by the program object at start-up
    // and by tests). Not owned.
    static TStore* Current();
    static void SetCurrent(TStore* store);
    // The current store; throws StoreError when none is open.
    static TStore& Required();

    // How long a busy store is waited for before the work fails (ms), and
    // who is told while it lasts (nullptr: nobody; not owned).
    static void SetWaitLimit(int ms);
    static int WaitLimit();
    static void SetWaitObserver(TStoreWaitObserver* observer);

    // Tables register while open so that a commit can end their cursors.
    void Attach(TStoreCursorOwner* table);
    void Detach(TStoreCursorOwner* table);
    // Where a result does not survive other statements on the connection,
    // the open table cursors read their remaining rows into memory. Runs
    // before every statement; tables call it before dropping statements.
    void SpillCursors();

private:
    TStore(QString path, QString connectionName, std::unique_ptr<TStoreDialect> dialect);
    void Connect();
    void CheckSchema();
    void CompleteSchema(const QStringList& tables, const QList<TStoreRule>& rules);
    void CreateUniqueRulesWhenClean();
    QList<TDoubleService> ReadDoubleServed();
    void FinishCursors();
    void PrepareHistory();
    void PrepareHistoryFor(const QString& sql);
    void BeginUnitOfWork();
    void EndUnitOfWork();
    void Subscribe();
    QSqlQuery NewQuery(const QString& sql, bool forwardOnly);
    template <class Attempt> void WithRetry(Attempt attempt);

    QString m_path;
    QString m_connectionName;
    std::unique_ptr<TStoreDialect> m_dialect;
    bool m_createdNew = false;
    bool m_inTransaction = false;
    bool m_writesPrepared = false;
    bool m_connectionLost = false;
    int m_generation = 0;
    qint64 m_statementCount = 0;
    bool m_uniqueRulesPending = false;
    bool m_waitAllowed = true;
    bool m_historyReady = false;    // the store records history
    bool m_historyPrepared = false; // this connection is set up for it
    bool m_historyPreparedInTransaction = false;
    bool m_preparingHistory = false;
    bool m_historyQuiet = false;
    QString m_unitOfWork;
    std::optional<QSqlQuery> m_unitOfWorkQuery;
    int m_unitOfWorkGeneration = 0;
    QList<TDoubleService> m_doubleServed;
    QString m_readOnlyReason;
    QList<TStoreCursorOwner*> m_tables;
    QStringList m_ownUnits; // oldest first
    std::function<void(const QString&)> m_changeHandler;
    std::unique_ptr<QObject> m_listenContext; // ends the driver's connection with the store
};

// One unit of work: takes the write lock, commits on Commit() and rolls back
// when left without. Failure reports registered while it is open are shown
// only after it has ended, so that no workstation waits on a message box.
class TStoreTransaction
{
public:
    explicit TStoreTransaction(TStore& store);
    ~TStoreTransaction();
    TStoreTransaction(const TStoreTransaction&) = delete;
    TStoreTransaction& operator=(const TStoreTransaction&) = delete;
    void Commit();

private:
    std::optional<TKRNUserReportHold> m_hold; // released after the transaction
    TStore& m_store;
    bool m_open = true;
};
