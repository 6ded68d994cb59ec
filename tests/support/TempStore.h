#pragma once

#include "host/store/Store.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A fresh store (an SQLite file in a temporary directory, or a new database
// on the test server), made the current store for the test's lifetime.
class TempStore
{
public:
    TempStore();
    ~TempStore();
    // The next TempStore opens this location instead of a fresh one and
    // leaves it in place (a server of the test's own).
    static void UseNext(const QString& location);

    TStore& Store() { return *m_store; }
    // The store's location: a file path or a server URI.
    QString Path() const;
    QString Dir() const { return m_dir.path(); }

    // Number of rows a statement without parameters yields (first column of
    // the first row when it is a count).
    int Count(const QString& sql);
    // Runs a statement directly on the store (test set-up only).
    void Exec(const QString& sql);

    // Makes the store refuse every insert into the table for which the
    // condition (an SQL expression over NEW.<column>) holds, with the message
    // as the driver's text and the kind Constraint. One failure per table.
    void FailWhen(const QString& table, const QString& condition, const QString& message);
    // Lets the table take inserts again.
    void DropFailure(const QString& table);

private:
    QTemporaryDir m_dir;
    QString m_location;
    std::unique_ptr<TStore> m_store;
    TStore* m_previous = nullptr;
    bool m_own = true;
};

// Runs the statements as one unit of work of the store.
inline void InEinheit(TStore& store, const QStringList& statements)
{
    TStoreTransaction transaktion(store);
    for (const QString& sql : statements) {
        store.Exec(sql);
    }
    transaktion.Commit();
}

// Writes a store at the path in which computers are served by two saved
// settings of one kind, as two workstations booking without a store-held
// rule leave it: number 5 by S1 and S2, type A by S1 and S3 (kind ABIL);
// number 6 by S1 alone.
void WriteDoubleServedStore(const QString& path);
