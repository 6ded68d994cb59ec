#include "host/store/SqliteDialect.h"

#include "host/core/KRNError.h"
#include "host/core/KRNMeldungen.h"
#include "host/store/SchemaSql.h"
#include "host/store/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QVariant>

#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// SQLite primary result codes (the low byte of an extended code).
enum : int
{
    kPerm = 3,
    kBusy = 5,
    kLocked = 6,
    kReadOnly = 8,
    kIoErr = 10,
    kCorrupt = 11,
    kFull = 13,
    kCantOpen = 14,
    kConstraint = 19,
    kNotADb = 26,
};

// The statements that hold a rule, each object named as in sqlite_master.
struct TRuleSql
{
    const char* name;
    const char* sql;
};

QList<TRuleSql> RuleSql(TStoreRule rule)
{
    switch (rule) {
    case TStoreRule::OneSettingPerType:
        return {
            {"fikofile_rtyp_eine_einstellung",
             "CREATE UNIQUE INDEX IF NOT EXISTS fikofile_rtyp_eine_einstellung ON fikofile (Kennung, RTyp)"
             " WHERE Bezeichnung <> '' AND RTyp <> ' ' AND RNr = 0"}};
    case TStoreRule::OneSettingPerNumber:
        return {{"fikofile_rnr_eine_einstellung",
                 "CREATE UNIQUE INDEX IF NOT EXISTS fikofile_rnr_eine_einstellung ON fikofile (Kennung, RNr)"
                 " WHERE Bezeichnung <> '' AND RTyp = ' ' AND RNr <> 0"}};
    case TStoreRule::LookupByNumber:
        return {{"fikofile_kennung_rnr",
                 "CREATE INDEX IF NOT EXISTS fikofile_kennung_rnr ON fikofile (Kennung, RNr)"}};
    case TStoreRule::LookupByType:
        return {{"fikofile_kennung_rtyp",
                 "CREATE INDEX IF NOT EXISTS fikofile_kennung_rtyp ON fikofile (Kennung, RTyp)"}};
    case TStoreRule::AssignmentNeedsSetting:
        return {{"fikofile_einstellung_vorhanden",
                 "CREATE TRIGGER IF NOT EXISTS fikofile_einstellung_vorhanden BEFORE INSERT ON fikofile"
                 " WHEN NEW.Bezeichnung <> '' AND NOT EXISTS (SELECT 1 FROM fidefile"
                 " WHERE Kennung = NEW.Kennung AND Bezeichnung = NEW.Bezeichnung)"
                 " BEGIN SELECT RAISE(ABORT, 'fikofile: Einstellung fehlt in fidefile'); END"},
                {"fikofile_einstellung_vorhanden_update",
                 "CREATE TRIGGER IF NOT EXISTS fikofile_einstellung_vorhanden_update"
                 " BEFORE UPDATE OF Kennung, Bezeichnung ON fikofile"
                 " WHEN NEW.Bezeichnung <> '' AND NOT EXISTS (SELECT 1 FROM fidefile"
                 " WHERE Kennung = NEW.Kennung AND Bezeichnung = NEW.Bezeichnung)"
                 " BEGIN SELECT RAISE(ABORT, 'fikofile: Einstellung fehlt in fidefile'); END"}};
    }
    return {};
}

StoreError LocationError(int number, const QString& path)
{
    return StoreError(KRNMeldungsText(number, QStringLiteral("DATENBESTAND"), {path}),
                      TStoreFailure::Location);
}

// Below this much free room the medium counts as full: beside the file
// SQLite creates its journal and a WAL index of 32 KiB, and failing to
// create or extend them comes as "unable to open" or "disk I/O error", not
// as "disk full".
constexpr unsigned long long kScarceRoom = 1024 * 1024;

// Whether the medium of the file has no room or no file entry left.
bool NoRoomBeside(const QString& file)
{
    if (file.isEmpty()) {
        return false;
    }
    struct statvfs fs;
    if (::statvfs(QFile::encodeName(QFileInfo(file).absolutePath()).constData(), &fs) != 0) {
        return false;
    }
    const unsigned long long room = static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize;
    return room < kScarceRoom || (fs.f_files > 0 && fs.f_favail == 0);
}

long NameMax(const QString& dir)
{
    const long max = ::pathconf(QFile::encodeName(dir).constData(), _PC_NAME_MAX);
    return max > 0 ? max : 255;
}

} // namespace

void TSqliteDialect::CheckLocation(const QString& location)
{
    m_created.clear();
    if (location.trimmed().isEmpty()) {
        throw StoreError(QStringLiteral("Für den Datenbestand ist kein Dateiname angegeben."),
                         TStoreFailure::Location);
    }
    // A path that does not survive the trip to the file system would open
    // another file than the one named.
    if (location.contains(QChar(0)) || location.contains(QChar::ReplacementCharacter) ||
        QFile::decodeName(QFile::encodeName(location)) != location) {
        throw LocationError(140, location);
    }
    const QFileInfo file(location);
    m_file = file.absoluteFilePath();
    const QString dir = file.absolutePath();
    // The journal beside the file must fit the directory as well.
    const qsizetype nameBytes = QFile::encodeName(file.fileName()).size() + qsizetype(sizeof("-journal") - 1);
    if (nameBytes > NameMax(QDir(dir).exists() ? dir : QDir::rootPath())) {
        throw LocationError(141, m_file);
    }
    QStringList missingDirs;
    for (QDir up(dir); !up.exists(); up.setPath(QFileInfo(up.absolutePath()).absolutePath())) {
        missingDirs.prepend(up.absolutePath());
        if (up.isRoot()) {
            break;
        }
    }
    if (!QDir().mkpath(dir)) {
        throw StoreError(
            QStringLiteral("Das Verzeichnis des Datenbestands kann nicht angelegt werden: %1").arg(dir),
            TStoreFailure::CannotOpen);
    }
    m_created = missingDirs;
    if (file.exists()) {
        if (!file.isFile()) {
            throw StoreError(QStringLiteral("Der Datenbestand ist keine Datei: %1").arg(location),
                             TStoreFailure::CannotOpen);
        }
        if (!file.isReadable() || !file.isWritable()) {
            throw StoreError(
                QStringLiteral("Keine Lese- und Schreibberechtigung für den Datenbestand: %1").arg(location),
                TStoreFailure::ReadOnly);
        }
    } else {
        m_created << m_file;
    }
    if (!QFileInfo(dir).isWritable()) {
        throw StoreError(
            QStringLiteral("Keine Schreibberechtigung im Verzeichnis des Datenbestands: %1").arg(dir),
            TStoreFailure::ReadOnly);
    }
}

QString TSqliteDialect::CanonicalLocation(const QString& location) const
{
    return QFileInfo(location).absoluteFilePath();
}

void TSqliteDialect::DiscardCreated()
{
    // Files first, then the directories, innermost first.
    for (auto it = m_created.crbegin(); it != m_created.crend(); ++it) {
        if (*it == m_file) {
            for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
                QFile::remove(m_file + QLatin1String(suffix));
            }
        } else {
            QDir().rmdir(*it);
        }
    }
    m_created.clear();
}

void TSqliteDialect::Configure(QSqlDatabase& db, const QString& location, int busyStepMs) const
{
    db.setDatabaseName(location);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyStepMs));
}

TStoreFailure TSqliteDialect::Classify(const QSqlError& error) const
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    if (!ok) {
        return TStoreFailure::Other;
    }
    switch (code) {
    case kBusy:
    case kLocked:
        return TStoreFailure::Busy;
    case kFull:
        return TStoreFailure::Full;
    case kReadOnly:
    case kPerm:
        return TStoreFailure::ReadOnly;
    case kCorrupt:
    case kNotADb:
        return TStoreFailure::Damaged;
    case kIoErr:
        return NoRoomBeside(m_file) ? TStoreFailure::Full : TStoreFailure::InputOutput;
    case kConstraint:
        return TStoreFailure::Constraint;
    case kCantOpen:
        return NoRoomBeside(m_file) ? TStoreFailure::Full : TStoreFailure::CannotOpen;
    default:
        return TStoreFailure::Other;
    }
}

QStringList TSqliteDialect::Tables(TStore& store) const
{
    return ReadStrings(
        store,
        QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'"));
}

QStringList TSqliteDialect::Columns(TStore& store, const QString& table) const
{
    return ReadStrings(store, QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
}

bool TSqliteDialect::HasRule(TStore& store, TStoreRule rule) const
{
    for (const TRuleSql& part : RuleSql(rule)) {
        if (ReadStrings(store, QStringLiteral("SELECT name FROM sqlite_master WHERE name = ?"),
                        {QString::fromLatin1(part.name)})
                .isEmpty()) {
            return false;
        }
    }
    return true;
}

void TSqliteDialect::PrepareWrites(TStore& store)
{
    if (ReadStrings(store, QStringLiteral("PRAGMA journal_mode"))
            .value(0)
            .compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        store.Exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    }
    store.Exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
}

void TSqliteDialect::CreateTable(TStore& store, const QString& table) const
{
    // Text columns compare exactly (binary collation), so names that differ
    // in letter case are different keys.
    store.Exec(TableSql(table, {QStringLiteral("TEXT"), QStringLiteral(" WITHOUT ROWID")}));
}

void TSqliteDialect::CreateRule(TStore& store, TStoreRule rule) const
{
    for (const TRuleSql& part : RuleSql(rule)) {
        store.Exec(QString::fromLatin1(part.sql));
    }
}
