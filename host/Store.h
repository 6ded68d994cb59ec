#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <memory>

class TVLT_DBFile;

// One connection to the record store. SQLite is the embedded default; the
// driver-specific statements live here so that a server backend can follow
// without touching the tables or their callers.
class TStore
{
public:
    // Opens (and, when new, creates) the store at the given path. Throws
    // StoreError with a clear message when it cannot be opened. Nothing of an
    // existing store is changed but missing tables being added.
    static std::unique_ptr<TStore> Open(const QString& path);
    ~TStore();
    TStore(const TStore&) = delete;
    TStore& operator=(const TStore&) = delete;

    QSqlDatabase Database() const;
    const QString& Path() const { return m_path; }
    // Whether the store was created by this Open (it held no tables before).
    bool CreatedNew() const { return m_createdNew; }

    // Runs one statement without bound values (schema and pragmas only;
    // never with user text). Throws StoreError.
    void Exec(const QString& sql);

    // Unit of work that reads and then writes: takes the write lock at once.
    void BeginImmediate();
    void Commit();
    void Rollback();
    bool InTransaction() const { return m_inTransaction; }

    // The store that tables open on (set by the program object at start-up
    // and by tests). Not owned.
    static TStore* Current();
    static void SetCurrent(TStore* store);
    // The current store; throws StoreError when none is open.
    static TStore& Required();

    // Tables register while open so that a commit can end their cursors.
    void Attach(TVLT_DBFile* table);
    void Detach(TVLT_DBFile* table);

private:
    TStore(QString path, QString connectionName);
    void Configure();
    void CreateSchema();
    void FinishCursors();

    QString m_path;
    QString m_connectionName;
    bool m_createdNew = false;
    bool m_inTransaction = false;
    QList<TVLT_DBFile*> m_tables;
};

// Commits on Commit(); rolls back when left without.
class TStoreTransaction
{
public:
    explicit TStoreTransaction(TStore& store);
    ~TStoreTransaction();
    TStoreTransaction(const TStoreTransaction&) = delete;
    TStoreTransaction& operator=(const TStoreTransaction&) = delete;
    void Commit();

private:
    TStore& m_store;
    bool m_open = true;
};
