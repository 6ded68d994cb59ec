#pragma once

#include "host/store/StoreFailure.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

class TStore;

// The named rules the store holds beside its tables. The dialect decides how
// it holds each one (an index, a trigger, a constraint).
enum class TStoreRule
{
    OneSettingPerType,      // unique: a computer type serves one setting per kind
    OneSettingPerNumber,    // unique: a computer number serves one setting per kind
    LookupByNumber,         // plain index
    LookupByType,           // plain index
    AssignmentNeedsSetting, // an assignment row refers to an existing saved setting
    HistoryRecorded,        // changes of fidefile and fikofile are written to verlauf
    HistoryAppendOnly,      // verlauf refuses UPDATE and DELETE (pruning by its owner aside)
    HistoryLookup,          // indexes of verlauf by computer and by setting (and by time on a server)
    ChangesAnnounced,       // a committed change of fidefile or fikofile tells the other connections
};

// Who works on the store, as the history names it.
struct TStoreIdentity
{
    QString Benutzer;     // operating-system login
    QString Arbeitsplatz; // host name
    QString Programm;
    QString Version;
};

// The element type of a list bound as one parameter.
enum class TStoreListKind
{
    Text,
    Integer,
};

// What one database product needs beyond standard SQL. The store calls it
// in this order when it opens: CheckLocation, Configure (connection options
// only), the read-only inspection (Tables, Columns, HasRule), and only when
// something must be written: PrepareWrites, then CreateTable / CreateRule
// inside a write transaction. Nothing here talks to a person.
// A change of many assignments with its history, statement by statement,
// in this order: Clear empties a table of the connection, Collect turns the
// row recording into collecting the rows changed into that table, the change
// itself runs, Record restores the row recording and writes the history of
// the rows collected (added or removed), and Clear runs again. None binds
// anything.
struct TAssignmentChangeSql
{
    QString Clear;
    QString Collect;
    QStringList Record;
    bool Empty() const { return Collect.isEmpty(); }
};

// A statement that adds or removes more assignments than this records them
// as one entry per setting that lists its computers (on SQLite, whose
// statements record themselves, when they are all of one setting) (art zuordnungen_hinzu
// or zuordnungen_entfernt, nachher {"Rechner": [RNr, ...], "Rechnertypen":
// [RTyp, ...]}; the partial index verlauf_listen holds their ids); a
// smaller one, a filter kind switched and a row with both or neither of
// type and number record a row per assignment. Readers show both alike (see
// VerlaufZeilen).
inline constexpr int kHistoryListAbove = 100;
// Which rows of verlauf list computers, spelt once for the partial index
// verlauf_listen and every query that walks it.
inline constexpr char kHistoryListed[] = "art IN ('zuordnungen_hinzu', 'zuordnungen_entfernt')";

class TStoreDialect
{
public:
    virtual ~TStoreDialect() = default;

    // The Qt SQL driver name.
    virtual QString DriverName() const = 0;
    // Refuses a location that cannot be used exactly as given; throws
    // StoreError. May note what it creates, for DiscardCreated.
    virtual void CheckLocation(const QString& location) = 0;
    // The location as the store names it in messages and Path(); never
    // with a password.
    virtual QString CanonicalLocation(const QString& location) const = 0;
    // Removes what this open created when the open failed.
    virtual void DiscardCreated() = 0;
    // Why this program may only read the store, in German; empty when it
    // may write. Asked once right after the connection opens, before the
    // schema is looked at; reads only.
    virtual QString ReadOnlyReason(TStore& store) = 0;
    // Database name and connection options, before the connection opens.
    virtual void Configure(QSqlDatabase& db, const QString& location, int busyStepMs) const = 0;

    // The kind of a driver failure.
    virtual TStoreFailure Classify(const QSqlError& error) const = 0;

    // Read-only inspection of an open connection.
    virtual QStringList Tables(TStore& store) const = 0;
    virtual QStringList Columns(TStore& store, const QString& table) const = 0;
    virtual bool HasRule(TStore& store, TStoreRule rule) const = 0;

    // Called once before the first write of this connection (outside a
    // transaction), after the existing store has been checked.
    virtual void PrepareWrites(TStore& store) = 0;
    virtual void CreateTable(TStore& store, const QString& table) const = 0;
    virtual void CreateRule(TStore& store, TStoreRule rule) const = 0;
    // Once per connection after the schema check: what the history needs on
    // this connection only (SQLite's TEMP triggers); nothing is written to
    // the store.
    virtual void PrepareConnection(TStore& store) const = 0;

    // The history. One statement, run right after the transaction began,
    // hands the unit of work to the recording: it binds the unit-of-work id,
    // login, host, program, version and 1 for a unit of work that records
    // nothing (a store copy).
    virtual QString UnitOfWorkSql() const = 0;
    // Run before COMMIT where the hand-over outlives the transaction; empty
    // where it does not.
    virtual QString UnitOfWorkEndSql() const = 0;
    // An entry written by the program itself, under the unit of work's
    // identity: binds art, kennung, bezeichnung, rtyp, rnr, vorher, nachher.
    virtual QString HistoryInsertSql() const = 0;
    // Where the history is written row by row (SQLite's row triggers), a
    // change of many assignments collects its rows and records them with a
    // few statements afterwards: see TAssignmentChangeSql. Empty where the
    // store records a statement's rows at once.
    virtual TAssignmentChangeSql AssignmentChangeSql(bool hinzu) const = 0;
    // A condition on a row of verlauf that lists computers: its list holds
    // the number (typ false) or the type bound once.
    virtual QString HistoryListHasSql(bool typ) const = 0;
    // The statements that give a role of the server the rights of a reader
    // (SELECT only) or of an editor (books settings, assignments and
    // activity, adds history; never changes or deletes it). Empty where the
    // store knows no roles; throws KRNException for a role it does not know.
    virtual QStringList GrantSql(TStore& store, bool editor, const QString& role) const = 0;
    // Run inside the unit of work before old history is deleted.
    virtual QStringList HistoryPruneSql() const = 0;
    // After a table was filled by a copy with its own keys.
    virtual void TableCopied(TStore& store, const QString& table) const = 0;

    // Changes of other connections. Where the server tells of them, the
    // channel on which a committed unit of work announces its id (the rule
    // ChangesAnnounced sends it); empty where the program looks itself.
    // Asked after ReadOnlyReason.
    virtual QString ChangeChannel() const = 0;
    // Where the program looks itself: a statement whose one value changes
    // whenever another connection committed; empty where the server tells.
    virtual QString ChangeCounterSql() const = 0;
    // The other connections to the same store: a statement whose rows are
    // the connection's name as its program gave it (text) and since when it
    // is connected (time, may be NULL); empty where the store cannot know.
    virtual QString OtherConnectionsSql() const = 0;

    // The statements, run one by one, that start a transaction holding the
    // write lock from its first statement on. (QPSQL reports only the first
    // of several statements sent at once, so they are not joined.)
    virtual QStringList BeginWriteSql() const = 0;

    // Whether a result read row by row survives other statements on the
    // same connection. Where it does not, a result is read whole, except a
    // table's cursor, which keeps its remaining rows in memory before
    // another statement runs (see TStore::SpillCursors).
    virtual bool ResultsSurviveOtherStatements() const = 0;

    // A subquery with one column "value": the elements of a JSON array that
    // is bound as one parameter, so that a statement's size and number do
    // not grow with the list.
    virtual QString ListSql(TStoreListKind kind) const = 0;
    // The same for a table: a subquery with text columns c0 .. c(n-1) from
    // a JSON array of arrays of n strings or numbers bound as one parameter.
    virtual QString RowsSql(int columns) const = 0;
    // Before one statement changes many rows of a table that has just grown:
    // brings the planner's statistics of the table up to date, where stale
    // ones would make it join row by row. Empty where nothing is needed.
    virtual QString StatisticsSql(const QString& table) const = 0;
};
