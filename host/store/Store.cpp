#include "host/store/Store.h"
#include "host/core/KRNMeldungen.h"

#include "host/store/PostgresAddress.h"
#include "host/store/PostgresDialect.h"
#include "host/store/SchemaSql.h"
#include "host/store/SqliteDialect.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QSysInfo>
#include <QScopeGuard>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QUuid>
#include <QVariant>

#include <algorithm>
#include <utility>

#include <pwd.h>
#include <unistd.h>

namespace {

TStore* g_current = nullptr;
TStoreWaitObserver* g_observer = nullptr;
int g_waitLimitMs = 10000;
// How long the driver itself waits for a lock before the store looks again.
constexpr int kBusyStepMs = 100;

const QString kCatalogue = QStringLiteral("DATENBESTAND");

const QList<TStoreRule> kRules = {TStoreRule::OneSettingPerType,     TStoreRule::OneSettingPerNumber,
                                  TStoreRule::LookupByNumber,        TStoreRule::LookupByType,
                                  TStoreRule::AssignmentNeedsSetting, TStoreRule::HistoryRecorded,
                                  TStoreRule::HistoryAppendOnly,     TStoreRule::HistoryLookup,
                                  TStoreRule::ChangesAnnounced};
// How many of its own recent units of work a store recognises.
constexpr int kOwnUnitsKept = 64;

QString Login()
{
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name) {
        return QString::fromLocal8Bit(entry->pw_name);
    }
    return qEnvironmentVariable("USER");
}

TStoreIdentity& IdentityHeld()
{
    static TStoreIdentity identity{Login(), QSysInfo::machineHostName(), QString(), QString()};
    return identity;
}

bool IsUnique(TStoreRule rule)
{
    return rule == TStoreRule::OneSettingPerType || rule == TStoreRule::OneSettingPerNumber;
}

QString Sorted(QStringList names)
{
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names.join(QStringLiteral(", "));
}

// Column names compare as the databases do: without regard to letter case.
bool FitColumns(const QStringList& found, const TStoreTable& table)
{
    if (table.Exact) {
        return Sorted(found).compare(Sorted(table.Columns), Qt::CaseInsensitive) == 0;
    }
    return std::all_of(table.Columns.cbegin(), table.Columns.cend(),
                       [&](const QString& column) { return found.contains(column, Qt::CaseInsensitive); });
}

StoreError SchemaError(int number, const QStringList& arguments)
{
    return StoreError(KRNMeldungsText(number, kCatalogue, arguments), TStoreFailure::Schema);
}

// Tells the observer for the lifetime of one wait.
class TWait
{
public:
    TWait()
    {
        if (g_observer) {
            g_observer->WaitBegins();
        }
        m_timer.start();
    }
    ~TWait()
    {
        if (g_observer) {
            g_observer->WaitEnds();
        }
    }
    TWait(const TWait&) = delete;
    TWait& operator=(const TWait&) = delete;
    // False once the limit is reached.
    bool Continue() const
    {
        const int elapsed = int(m_timer.elapsed());
        if (elapsed >= g_waitLimitMs) {
            return false;
        }
        if (g_observer) {
            g_observer->StillWaiting(elapsed, g_waitLimitMs);
        }
        return true;
    }

private:
    QElapsedTimer m_timer;
};

} // namespace

TStore::TStore(QString path, QString connectionName, std::unique_ptr<TStoreDialect> dialect)
    : m_path(std::move(path)), m_connectionName(std::move(connectionName)), m_dialect(std::move(dialect))
{
}

std::unique_ptr<TStore> TStore::Open(const QString& location)
{
    if (IsPostgresAddress(location)) {
        return Open(location, std::make_unique<TPostgresDialect>());
    }
    return Open(location, std::make_unique<TSqliteDialect>());
}

std::unique_ptr<TStore> TStore::Open(const QString& location, std::unique_ptr<TStoreDialect> dialect)
{
    TStoreDialect& theDialect = *dialect;
    theDialect.CheckLocation(location);
    const QString name = QStringLiteral("veldrake-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString path = theDialect.CanonicalLocation(location);
    std::unique_ptr<TStore> store(new TStore(path, name, std::move(dialect)));
    try {
        store->Connect();
        store->m_readOnlyReason = store->m_dialect->ReadOnlyReason(*store);
        store->CheckSchema();
        store->m_historyReady = true;
    } catch (const StoreError& e) {
        // The dialect outlives the connection so that it can remove what
        // this open created.
        std::unique_ptr<TStoreDialect> keep = std::move(store->m_dialect);
        store.reset();
        keep->DiscardCreated();
        throw StoreError(
            QStringLiteral("Der Datenbestand %1 kann nicht geöffnet werden.\n%2").arg(path, e.Text()),
            e.Kind(), e.DriverText());
    }
    return store;
}

TStore::~TStore()
{
    if (g_current == this) {
        g_current = nullptr;
    }
    const QList<TStoreCursorOwner*> tables = m_tables; // CloseTable detaches
    for (TStoreCursorOwner* table : tables) {
        table->CloseTable();
    }
    m_unitOfWorkQuery.reset();
    m_listenContext.reset();
    if (m_inTransaction) {
        QSqlQuery(QStringLiteral("ROLLBACK"), Database());
    }
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

void TStore::Connect()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(m_dialect->DriverName(), m_connectionName);
    if (!db.isValid()) {
        throw StoreError(
            QStringLiteral("Der Datenbanktreiber %1 ist nicht verfügbar.").arg(m_dialect->DriverName()),
            TStoreFailure::CannotOpen);
    }
    m_dialect->Configure(db, m_path, kBusyStepMs);
    if (!db.open()) {
        throw Failure(db.lastError());
    }
    ++m_generation;
}

void TStore::EnsureConnected()
{
    QSqlDatabase db = Database();
    if (!m_connectionLost && db.isOpen()) {
        return;
    }
    // Whatever was open on the lost connection is gone with it.
    m_inTransaction = false;
    m_writesPrepared = false;
    for (TStoreCursorOwner* table : std::as_const(m_tables)) {
        table->FinishCursor();
    }
    db.close();
    // The statements prepared on the old connection go while none is open:
    // dropping one on the new connection fails there and would spoil the
    // unit of work it runs in.
    for (TStoreCursorOwner* table : std::as_const(m_tables)) {
        table->DropStatements();
    }
    m_unitOfWorkQuery.reset();
    if (!db.open()) {
        throw Failure(db.lastError());
    }
    m_connectionLost = false;
    ++m_generation;
    m_historyPrepared = false;
    // A new connection listens to nothing yet.
    if (m_changeHandler) {
        Subscribe();
    }
}

bool TStore::ListenForChanges(std::function<void(const QString&)> handler)
{
    if (m_dialect->ChangeChannel().isEmpty()) {
        return false;
    }
    if (!handler) {
        // Ends the listening without a word: the connection may be gone.
        m_changeHandler = nullptr;
        if (Database().isOpen()) {
            Database().driver()->unsubscribeFromNotification(m_dialect->ChangeChannel());
        }
        return true;
    }
    EnsureConnected();
    m_changeHandler = std::move(handler);
    if (!m_listenContext) {
        // The driver object stays the same across reconnects.
        m_listenContext = std::make_unique<QObject>();
        QObject::connect(Database().driver(), &QSqlDriver::notification, m_listenContext.get(),
                         [this](const QString& name, QSqlDriver::NotificationSource source, const QVariant& payload) {
                             const QString einheit = payload.toString();
                             if (name != m_dialect->ChangeChannel() || source == QSqlDriver::SelfSource ||
                                 OwnUnitOfWork(einheit) || !m_changeHandler) {
                                 return;
                             }
                             m_changeHandler(einheit);
                         });
    }
    Subscribe();
    return true;
}

void TStore::Subscribe()
{
    QSqlDriver* driver = Database().driver();
    const QString channel = m_dialect->ChangeChannel();
    if (driver->subscribedToNotifications().contains(channel)) {
        return;
    }
    ++m_statementCount;
    if (!driver->subscribeToNotification(channel)) {
        throw Failure(driver->lastError());
    }
}

std::optional<qint64> TStore::ChangeCounter()
{
    const QString sql = m_dialect->ChangeCounterSql();
    if (sql.isEmpty()) {
        return std::nullopt;
    }
    QSqlQuery query = Query(sql);
    return query.next() ? query.value(0).toLongLong() : 0;
}

std::optional<QList<TStoreConnection>> TStore::OtherConnections()
{
    const QString sql = m_dialect->OtherConnectionsSql();
    if (sql.isEmpty()) {
        return std::nullopt;
    }
    QSqlQuery query = Query(sql);
    QList<TStoreConnection> connections;
    while (query.next()) {
        connections.append({query.value(0).toString(), query.value(1).toDateTime()});
    }
    return connections;
}

bool TStore::OwnUnitOfWork(const QString& id) const
{
    return !id.isEmpty() && m_ownUnits.contains(id);
}

// The tables and their columns, as this program reads and writes them. The
// host's computer tables may carry further columns of the host's own.
const QList<TStoreTable>& TStore::Schema()
{
    static const QList<TStoreTable> schema = {
        {QStringLiteral("fidefile"),
         {QStringLiteral("Kennung"), QStringLiteral("Bezeichnung"), QStringLiteral("Beschreibung"),
          QStringLiteral("Einstellungen")},
         2},
        {QStringLiteral("fikofile"),
         {QStringLiteral("Kennung"), QStringLiteral("Bezeichnung"), QStringLiteral("RTyp"),
          QStringLiteral("RNr")},
         4},
        {QStringLiteral("rechnertyp"), {QStringLiteral("RTyp"), QStringLiteral("Name")}, 1, false},
        {QStringLiteral("rechner"),
         {QStringLiteral("RNr"), QStringLiteral("Name"), QStringLiteral("RTyp"), QStringLiteral("Master")},
         1,
         false},
        {QStringLiteral("verlauf"), VerlaufColumns(), 1},
    };
    return schema;
}

// Reads what the store holds and compares it with what the program needs.
// Writes only when something is missing that may be added.
void TStore::CheckSchema()
{
    const QStringList present = m_dialect->Tables(*this);
    const auto has = [&](const QString& table) { return present.contains(table, Qt::CaseInsensitive); };
    m_createdNew = present.isEmpty();
    QStringList missing;
    for (const TStoreTable& table : Schema()) {
        if (!has(table.Name)) {
            missing << table.Name;
            continue;
        }
        const QStringList columns = m_dialect->Columns(*this, table.Name);
        if (!FitColumns(columns, table)) {
            throw SchemaError(120, {table.Name, Sorted(columns), Sorted(table.Columns)});
        }
    }
    const bool fide = has(QStringLiteral("fidefile"));
    const bool fiko = has(QStringLiteral("fikofile"));
    if (fide != fiko) {
        throw SchemaError(121, fide ? QStringList{QStringLiteral("fikofile"), QStringLiteral("fidefile")}
                                    : QStringList{QStringLiteral("fidefile"), QStringLiteral("fikofile")});
    }
    QList<TStoreRule> rules;
    for (TStoreRule rule : kRules) {
        if (!fiko || !m_dialect->HasRule(*this, rule)) {
            rules << rule;
        }
    }
    if (fiko) {
        m_doubleServed = ReadDoubleServed();
    }
    if (!m_doubleServed.isEmpty()) {
        rules.removeIf(IsUnique);
        m_uniqueRulesPending = true;
    }
    if (ReadOnly()) {
        // Read as it is: a missing rule stays missing. Missing tables are
        // tried all the same, so that the failure is the store's own.
        if (!missing.isEmpty()) {
            const QString reason = std::exchange(m_readOnlyReason, QString());
            CompleteSchema(missing, rules);
            m_readOnlyReason = reason;
        }
        return;
    }
    if (!missing.isEmpty() || !rules.isEmpty()) {
        CompleteSchema(missing, rules);
    }
}

// Adds tables and rules under the write lock. The unique rules are added
// only when no computer is served twice at that moment.
void TStore::CompleteSchema(const QStringList& tables, const QList<TStoreRule>& rules)
{
    BeginWrite();
    try {
        for (const QString& table : tables) {
            m_dialect->CreateTable(*this, table);
        }
        const bool clean =
            std::none_of(rules.cbegin(), rules.cend(), IsUnique) || ReadDoubleServed().isEmpty();
        for (TStoreRule rule : rules) {
            if (clean || !IsUnique(rule)) {
                m_dialect->CreateRule(*this, rule);
            }
        }
        FinishCursors();
        EndUnitOfWork();
        Exec(QStringLiteral("COMMIT"));
        m_inTransaction = false;
        m_uniqueRulesPending = !clean;
    } catch (...) {
        Rollback();
        throw;
    }
}

// After a unit of work that may have repaired a store whose computers were
// served twice. Failing here changes nothing: the next commit tries again.
void TStore::CreateUniqueRulesWhenClean()
{
    // Nobody waits for this: when the store is busy, a later commit tries.
    m_waitAllowed = false;
    try {
        if (ReadDoubleServed().isEmpty()) {
            CompleteSchema({}, {TStoreRule::OneSettingPerType, TStoreRule::OneSettingPerNumber});
        }
    } catch (const StoreError&) {
    }
    m_waitAllowed = true;
}

QList<TDoubleService> TStore::ReadDoubleServed()
{
    QSqlQuery query = Query(QStringLiteral(
        // Grouped once instead of a lookup per row: on a large store every
        // number row shares the blank type, which no index narrows.
        "SELECT a.Kennung, a.RTyp, a.RNr, a.Bezeichnung FROM fikofile a"
        " JOIN (SELECT Kennung, RTyp, RNr FROM fikofile WHERE Bezeichnung <> ''"
        " AND ((RTyp <> ' ' AND RNr = 0) OR (RTyp = ' ' AND RNr <> 0))"
        " GROUP BY Kennung, RTyp, RNr HAVING COUNT(*) > 1) d"
        " ON a.Kennung = d.Kennung AND a.RTyp = d.RTyp AND a.RNr = d.RNr"
        " WHERE a.Bezeichnung <> ''"
        " ORDER BY a.Kennung, a.RTyp, a.RNr, a.Bezeichnung"));
    QList<TDoubleService> result;
    while (query.next()) {
        const QString kennung = query.value(0).toString();
        const QString rtypText = query.value(1).toString();
        const QChar rtyp = rtypText.isEmpty() ? QLatin1Char(' ') : rtypText.front();
        const qint32 rnr = query.value(2).toInt();
        if (result.isEmpty() || result.last().Kennung != kennung || result.last().RTyp != rtyp ||
            result.last().RNr != rnr) {
            result.append(TDoubleService{kennung, rtyp, rnr, {}});
        }
        result.last().Bezeichnungen << query.value(3).toString();
    }
    return result;
}

QString TStore::DoubleServedLines() const
{
    QStringList lines;
    for (const TDoubleService& entry : m_doubleServed) {
        const QString computer = entry.RNr != 0
                                     ? KRNMeldungsText(132, kCatalogue, {QString::number(entry.RNr)})
                                     : KRNMeldungsText(131, kCatalogue, {QString(entry.RTyp)});
        QStringList names;
        for (const QString& name : entry.Bezeichnungen) {
            names << QStringLiteral("„%1“").arg(name);
        }
        lines << QStringLiteral("%1 – %2: %3").arg(entry.Kennung, computer, names.join(QStringLiteral(", ")));
    }
    return lines.join(QLatin1Char('\n'));
}

QSqlDatabase TStore::Database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

StoreError TStore::Failure(const QSqlError& error)
{
    const TStoreFailure kind = m_dialect ? m_dialect->Classify(error) : TStoreFailure::Other;
    if (kind == TStoreFailure::ConnectionLost) {
        m_connectionLost = true;
    }
    QString driver = error.text().trimmed();
    if (driver.isEmpty()) {
        driver = QStringLiteral("unbekannter Fehler");
    }
    return StoreError(StoreFailureText(kind), kind, driver);
}

template <class Attempt> void TStore::WithRetry(Attempt attempt)
{
    QSqlError error = attempt();
    if (!error.isValid()) {
        return;
    }
    // Inside a unit of work a statement cannot simply be repeated.
    if (m_inTransaction || !m_waitAllowed || m_dialect->Classify(error) != TStoreFailure::Busy) {
        throw Failure(error);
    }
    const TWait wait;
    while (wait.Continue()) {
        error = attempt();
        if (!error.isValid()) {
            return;
        }
        if (m_dialect->Classify(error) != TStoreFailure::Busy) {
            break;
        }
    }
    throw Failure(error);
}

void TStore::Exec(const QString& sql)
{
    PrepareHistoryFor(sql);
    EnsureConnected();
    SpillCursors();
    ++m_statementCount;
    QSqlQuery query(Database());
    WithRetry([&] { return query.exec(sql) ? QSqlError() : query.lastError(); });
}

QSqlQuery TStore::Prepare(const QString& sql)
{
    return NewQuery(sql, m_dialect->ResultsSurviveOtherStatements());
}

QSqlQuery TStore::PrepareCursor(const QString& sql)
{
    return NewQuery(sql, true);
}

QSqlQuery TStore::NewQuery(const QString& sql, bool forwardOnly)
{
    PrepareHistoryFor(sql);
    EnsureConnected();
    SpillCursors();
    ++m_statementCount;
    QSqlQuery query(Database());
    query.setForwardOnly(forwardOnly);
    if (!query.prepare(sql)) {
        throw Failure(query.lastError());
    }
    return query;
}

QSqlQuery TStore::Query(const QString& sql, const QVariantList& values)
{
    QSqlQuery query = Prepare(sql);
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    Run(query);
    return query;
}

void TStore::Run(QSqlQuery& query)
{
    SpillCursors();
    ++m_statementCount;
    WithRetry([&] {
        if (query.exec()) {
            return QSqlError();
        }
        QSqlError error = query.lastError();
        query.finish();
        return error;
    });
}

void TStore::BeginWrite()
{
    if (m_inTransaction) {
        throw StoreError(QStringLiteral("Es ist bereits eine Transaktion offen."));
    }
    if (ReadOnly()) {
        throw StoreError(QStringLiteral("Der Datenbestand kann nur gelesen werden.\n") + m_readOnlyReason,
                         TStoreFailure::ReadOnly);
    }
    if (!m_writesPrepared) {
        m_dialect->PrepareWrites(*this);
        m_writesPrepared = true;
    }
    EnsureConnected();
    SpillCursors();
    PrepareHistory();
    ++m_statementCount;
    // A begin that failed half way (the lock not granted) leaves a failed
    // transaction behind on some servers; it is rolled back before the next
    // attempt.
    QSqlQuery query(Database());
    WithRetry([&] {
        for (const QString& sql : m_dialect->BeginWriteSql()) {
            if (!query.exec(sql)) {
                QSqlError error = query.lastError();
                QSqlQuery(QStringLiteral("ROLLBACK"), Database());
                return error;
            }
        }
        return QSqlError();
    });
    m_inTransaction = true;
    try {
        BeginUnitOfWork();
    } catch (...) {
        Rollback();
        throw;
    }
}

// Hands the unit of work to the history: one statement, prepared once per
// connection.
void TStore::BeginUnitOfWork()
{
    m_unitOfWork = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_ownUnits.append(m_unitOfWork);
    if (m_ownUnits.size() > kOwnUnitsKept) {
        m_ownUnits.removeFirst();
    }
    if (!m_historyReady) {
        return;
    }
    if (!m_unitOfWorkQuery || m_unitOfWorkGeneration != m_generation) {
        m_unitOfWorkQuery.reset();
        m_unitOfWorkQuery = Prepare(m_dialect->UnitOfWorkSql());
        m_unitOfWorkGeneration = m_generation;
    }
    const TStoreIdentity& wer = Identity();
    const QVariantList values = {m_unitOfWork, wer.Benutzer,           wer.Arbeitsplatz,
                                 wer.Programm, wer.Version, m_historyQuiet ? 1 : 0};
    for (int i = 0; i < values.size(); ++i) {
        m_unitOfWorkQuery->bindValue(i, values[i]);
    }
    Run(*m_unitOfWorkQuery);
    m_unitOfWorkQuery->finish();
}

void TStore::EndUnitOfWork()
{
    const QString sql = m_dialect->UnitOfWorkEndSql();
    if (m_historyReady && !sql.isEmpty()) {
        Exec(sql);
    }
}

const TStoreIdentity& TStore::Identity()
{
    TStoreIdentity& identity = IdentityHeld();
    if (identity.Programm.isEmpty()) {
        identity.Programm = QCoreApplication::applicationName();
        identity.Version = QCoreApplication::applicationVersion();
        if (identity.Version.isEmpty()) {
            identity.Version = QStringLiteral(VELDRAKE_VERSION);
        }
    }
    return identity;
}

void TStore::SetProgramm(const QString& programm, const QString& version)
{
    IdentityHeld().Programm = programm;
    IdentityHeld().Version = version;
}

void TStore::RecordHistory(const QString& art, const QString& kennung, const QString& bezeichnung, QChar rtyp,
                           qint32 rnr, const QString& vorher, const QString& nachher)
{
    if (m_historyQuiet) {
        return;
    }
    // A null string would be bound as NULL.
    const auto text = [](const QString& wert) { return wert.isNull() ? QStringLiteral("") : wert; };
    Query(m_dialect->HistoryInsertSql(),
          {art, text(kennung), text(bezeichnung), QString(rtyp), rnr, vorher.isNull() ? QVariant() : QVariant(vorher),
           nachher.isNull() ? QVariant() : QVariant(nachher)});
}

// Where the store records row by row, the rows the change makes are
// collected while it runs and recorded afterwards; the unit of work makes
// them one, and a rollback takes the collecting back with it. The rows are
// cleared before, whatever an earlier failure left, and after. Outside a unit
// of work the change is one of its own, so that a failed change leaves no
// history either.
void TStore::ChangeAssignments(bool hinzu, const QString& change, const QVariantList& values)
{
    if (!m_inTransaction) {
        TStoreTransaction transaktion(*this);
        ChangeAssignments(hinzu, change, values);
        transaktion.Commit();
        return;
    }
    const TAssignmentChangeSql sql = m_dialect->AssignmentChangeSql(hinzu);
    if (sql.Empty() || !m_historyReady || m_historyQuiet) {
        Query(change, values);
        return;
    }
    Exec(sql.Clear);
    Exec(sql.Collect);
    Query(change, values);
    for (const QString& statement : sql.Record) {
        Exec(statement);
    }
    Exec(sql.Clear);
}

QString TStore::HistoryListHasSql(bool typ) const
{
    return m_dialect->HistoryListHasSql(typ);
}

bool TStore::Grant(bool editor, const QString& role)
{
    const QStringList sql = m_dialect->GrantSql(*this, editor, role);
    if (sql.isEmpty()) {
        return false;
    }
    TStoreTransaction transaktion(*this);
    for (const QString& statement : sql) {
        Exec(statement);
    }
    transaktion.Commit();
    return true;
}

void TStore::AllowHistoryPrune()
{
    for (const QString& sql : m_dialect->HistoryPruneSql()) {
        Exec(sql);
    }
}

void TStore::TableCopied(const QString& table)
{
    m_dialect->TableCopied(*this, table);
}

void TStore::Commit()
{
    m_historyPreparedInTransaction = false;
    FinishCursors();
    EndUnitOfWork();
    Exec(QStringLiteral("COMMIT"));
    m_inTransaction = false;
    if (m_uniqueRulesPending) {
        CreateUniqueRulesWhenClean();
    }
}

void TStore::Rollback()
{
    if (!m_inTransaction) {
        return;
    }
    if (m_historyPreparedInTransaction) {
        m_historyPrepared = false; // the rollback takes the TEMP triggers with it
        m_historyPreparedInTransaction = false;
    }
    FinishCursors();
    m_inTransaction = false;
    if (m_connectionLost) {
        return; // the server ended the transaction with the connection
    }
    Exec(QStringLiteral("ROLLBACK"));
}

// A connection learns to record history before its first write, not at the
// open: a start that only reads pays nothing for it.
void TStore::PrepareHistory()
{
    if (!m_historyReady || m_historyPrepared || m_preparingHistory) {
        return;
    }
    m_preparingHistory = true;
    const auto done = qScopeGuard([this] { m_preparingHistory = false; });
    m_dialect->PrepareConnection(*this);
    m_historyPrepared = true;
    m_historyPreparedInTransaction = m_inTransaction;
}

void TStore::PrepareHistoryFor(const QString& sql)
{
    if (m_historyPrepared || !m_historyReady) {
        return;
    }
    const QString head = sql.trimmed().left(7).toUpper();
    for (const char* writing : {"INSERT", "UPDATE", "DELETE", "REPLACE", "WITH"}) {
        if (head.startsWith(QLatin1String(writing))) {
            PrepareHistory();
            return;
        }
    }
}

void TStore::SpillCursors()
{
    if (m_dialect->ResultsSurviveOtherStatements()) {
        return;
    }
    for (TStoreCursorOwner* table : std::as_const(m_tables)) {
        table->SpillCursor();
    }
}

void TStore::FinishCursors()
{
    for (TStoreCursorOwner* table : std::as_const(m_tables)) {
        table->FinishCursor();
    }
}

TStore* TStore::Current()
{
    return g_current;
}

TStore& TStore::Required()
{
    if (!g_current) {
        throw StoreError(QStringLiteral("Es ist kein Datenbestand geöffnet."));
    }
    return *g_current;
}

void TStore::SetCurrent(TStore* store)
{
    g_current = store;
}

void TStore::SetWaitLimit(int ms)
{
    g_waitLimitMs = std::max(0, ms);
}

int TStore::WaitLimit()
{
    return g_waitLimitMs;
}

void TStore::SetWaitObserver(TStoreWaitObserver* observer)
{
    g_observer = observer;
}

void TStore::Attach(TStoreCursorOwner* table)
{
    if (!m_tables.contains(table)) {
        m_tables.append(table);
    }
}

void TStore::Detach(TStoreCursorOwner* table)
{
    m_tables.removeAll(table);
}

TStoreTransaction::TStoreTransaction(TStore& store) : m_store(store)
{
    m_hold.emplace();
    m_store.BeginWrite();
}

TStoreTransaction::~TStoreTransaction()
{
    if (m_open) {
        try {
            m_store.Rollback();
        } catch (const std::exception&) {
            // The connection ends the transaction when it closes.
        }
    }
}

void TStoreTransaction::Commit()
{
    m_store.Commit();
    m_open = false;
    m_hold.reset();
}
