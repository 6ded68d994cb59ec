#include "host/Store.h"

#include "host/DBFile.h"
#include "host/KRNError.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

TStore* g_current = nullptr;

QString DriverText(const QSqlError& error)
{
    const QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("unbekannter Fehler") : text;
}

// The schema, created when missing. Text columns compare exactly (binary
// collation), so names that differ in letter case are different keys.
const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS fidefile ("
    " Kennung TEXT NOT NULL, Bezeichnung TEXT NOT NULL,"
    " Beschreibung TEXT NOT NULL DEFAULT '', Einstellungen TEXT NOT NULL DEFAULT '',"
    " PRIMARY KEY (Kennung, Bezeichnung)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS fikofile ("
    " Kennung TEXT NOT NULL, Bezeichnung TEXT NOT NULL,"
    " RTyp TEXT NOT NULL DEFAULT ' ', RNr INTEGER NOT NULL DEFAULT 0,"
    " PRIMARY KEY (Kennung, Bezeichnung, RTyp, RNr)) WITHOUT ROWID",
    // One computer type or number serves at most one saved setting of a kind:
    // held by the store itself, also against a second workstation.
    "CREATE UNIQUE INDEX IF NOT EXISTS fikofile_rtyp_eine_einstellung"
    " ON fikofile (Kennung, RTyp) WHERE Bezeichnung <> '' AND RTyp <> ' ' AND RNr = 0",
    "CREATE UNIQUE INDEX IF NOT EXISTS fikofile_rnr_eine_einstellung"
    " ON fikofile (Kennung, RNr) WHERE Bezeichnung <> '' AND RTyp = ' ' AND RNr <> 0",
    "CREATE INDEX IF NOT EXISTS fikofile_kennung_rnr ON fikofile (Kennung, RNr)",
    "CREATE INDEX IF NOT EXISTS fikofile_kennung_rtyp ON fikofile (Kennung, RTyp)",
    // Computers known to the host.
    "CREATE TABLE IF NOT EXISTS rechnertyp ("
    " RTyp TEXT NOT NULL PRIMARY KEY, Name TEXT NOT NULL DEFAULT '')",
    "CREATE TABLE IF NOT EXISTS rechner ("
    " RNr INTEGER NOT NULL PRIMARY KEY, Name TEXT NOT NULL DEFAULT '',"
    " RTyp TEXT NOT NULL DEFAULT ' ', Master INTEGER NOT NULL DEFAULT 0)",
};

void CheckLocation(const QString& path)
{
    if (path.trimmed().isEmpty()) {
        throw StoreError(QStringLiteral("Für den Datenbestand ist kein Dateiname angegeben."));
    }
    const QFileInfo file(path);
    const QString dir = file.absolutePath();
    if (!QDir().mkpath(dir)) {
        throw StoreError(QStringLiteral("Das Verzeichnis des Datenbestands kann nicht angelegt werden: %1").arg(dir));
    }
    if (file.exists()) {
        if (!file.isFile()) {
            throw StoreError(QStringLiteral("Der Datenbestand ist keine Datei: %1").arg(path));
        }
        if (!file.isReadable() || !file.isWritable()) {
            throw StoreError(
                QStringLiteral("Keine Lese- und Schreibberechtigung für den Datenbestand: %1").arg(path));
        }
    }
    if (!QFileInfo(dir).isWritable()) {
        throw StoreError(QStringLiteral("Keine Schreibberechtigung im Verzeichnis des Datenbestands: %1").arg(dir));
    }
}

} // namespace

TStore::TStore(QString path, QString connectionName)
    : m_path(std::move(path)), m_connectionName(std::move(connectionName))
{
}

std::unique_ptr<TStore> TStore::Open(const QString& path)
{
    CheckLocation(path);
    const QString name = QStringLiteral("veldrake-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    std::unique_ptr<TStore> store(new TStore(QFileInfo(path).absoluteFilePath(), name));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        if (!db.isValid()) {
            throw StoreError(QStringLiteral("Der Datenbanktreiber QSQLITE ist nicht verfügbar."));
        }
        db.setDatabaseName(store->m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        if (!db.open()) {
            throw StoreError(QStringLiteral("Der Datenbestand %1 kann nicht geöffnet werden: %2")
                                 .arg(store->m_path, DriverText(db.lastError())));
        }
    }
    try {
        store->Configure();
        store->CreateSchema();
    } catch (const StoreError& e) {
        throw StoreError(
            QStringLiteral("Der Datenbestand %1 kann nicht geöffnet werden: %2").arg(store->m_path, e.Message()));
    }
    return store;
}

TStore::~TStore()
{
    if (g_current == this) {
        g_current = nullptr;
    }
    const QList<TVLT_DBFile*> tables = m_tables; // CloseTable detaches
    for (TVLT_DBFile* table : tables) {
        table->CloseTable();
    }
    if (m_inTransaction) {
        QSqlQuery(QStringLiteral("ROLLBACK"), Database());
    }
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlDatabase TStore::Database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

void TStore::Exec(const QString& sql)
{
    QSqlQuery query(Database());
    if (!query.exec(sql)) {
        throw StoreError(DriverText(query.lastError()));
    }
}

void TStore::Configure()
{
    // Reading the schema version fails at once on a file that is no database.
    Exec(QStringLiteral("PRAGMA schema_version"));
    Exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    Exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
}

void TStore::CreateSchema()
{
    QSqlQuery query(Database());
    if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'")) || !query.next()) {
        throw StoreError(DriverText(query.lastError()));
    }
    m_createdNew = query.value(0).toInt() == 0;
    query.finish();
    BeginImmediate();
    try {
        for (const char* statement : kSchema) {
            Exec(QString::fromLatin1(statement));
        }
        Commit();
    } catch (...) {
        Rollback();
        throw;
    }
}

void TStore::BeginImmediate()
{
    if (m_inTransaction) {
        throw StoreError(QStringLiteral("Es ist bereits eine Transaktion offen."));
    }
    Exec(QStringLiteral("BEGIN IMMEDIATE"));
    m_inTransaction = true;
}

void TStore::Commit()
{
    FinishCursors();
    Exec(QStringLiteral("COMMIT"));
    m_inTransaction = false;
}

void TStore::Rollback()
{
    if (!m_inTransaction) {
        return;
    }
    FinishCursors();
    m_inTransaction = false;
    Exec(QStringLiteral("ROLLBACK"));
}

void TStore::FinishCursors()
{
    for (TVLT_DBFile* table : std::as_const(m_tables)) {
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

void TStore::Attach(TVLT_DBFile* table)
{
    if (!m_tables.contains(table)) {
        m_tables.append(table);
    }
}

void TStore::Detach(TVLT_DBFile* table)
{
    m_tables.removeAll(table);
}

TStoreTransaction::TStoreTransaction(TStore& store) : m_store(store)
{
    m_store.BeginImmediate();
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
}
