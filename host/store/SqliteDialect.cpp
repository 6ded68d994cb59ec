#include "host/store/SqliteDialect.h"

#include "host/core/KRNError.h"
#include "host/core/KRNMeldungen.h"
#include "host/store/SchemaSql.h"
#include "host/store/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QUrl>
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
    const char* name; // nullptr: a clean-up that HasRule does not look for
    const char* sql;
};

const QByteArray kListenIndex =
    QByteArrayLiteral("CREATE INDEX IF NOT EXISTS verlauf_listen ON verlauf (id) WHERE ") + kHistoryListed;

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
    case TStoreRule::HistoryLookup:
        // One index serves both computer filters (a number's rows have the
        // type ' ', a type's the number 0); the two it replaces are dropped.
        // None by time: every booked row would pay for it, and a search by
        // time walks the rows newest first, which takes about 0.1 s over a
        // million rows.
        return {{"verlauf_rechner", "CREATE INDEX IF NOT EXISTS verlauf_rechner ON verlauf (rtyp, rnr, id)"},
                {"verlauf_einstellung", "CREATE INDEX IF NOT EXISTS verlauf_einstellung ON verlauf (kennung, bezeichnung, id)"},
                {"verlauf_listen", kListenIndex.constData()},
                {nullptr, "DROP INDEX IF EXISTS verlauf_rnr"},
                {nullptr, "DROP INDEX IF EXISTS verlauf_rtyp"}};
    case TStoreRule::HistoryRecorded:   // TEMP triggers of each connection, see PrepareConnection
    case TStoreRule::HistoryAppendOnly: // a file's owner may do anything with it
    case TStoreRule::ChangesAnnounced:  // the others look at the data version themselves
        return {};
    }
    return {};
}

// The history is written by TEMP triggers of the program's own connection:
// they watch the main tables and read the unit of work from a TEMP table
// that holds one row. Other programs' writes are not recorded.
const QString kKontext = QStringLiteral(
    "CREATE TEMP TABLE IF NOT EXISTS verlauf_kontext (arbeitseinheit TEXT NOT NULL, benutzer TEXT NOT NULL,"
    " arbeitsplatz TEXT NOT NULL, programm TEXT NOT NULL, version TEXT NOT NULL,"
    " ohne_verlauf INTEGER NOT NULL, liste INTEGER NOT NULL DEFAULT 0, sammeln INTEGER NOT NULL DEFAULT 0)");

// The rows of one change of many assignments, collected while it runs (see
// AssignmentChangeSql). Without constraints of its own, so that a bad row
// fails in fikofile as it would without it.
const QString kZeilen = QStringLiteral(
    "CREATE TEMP TABLE IF NOT EXISTS verlauf_zeilen (Kennung TEXT, Bezeichnung TEXT, RTyp TEXT, RNr INTEGER)");

// One history row from the trigger's row (NEW or OLD), or one for each row
// joined in. The time is taken once per statement, not formatted per row.
QString Eintrag(const QString& art, const QString& zeile, const QString& rechner, const QString& vorher,
                const QString& nachher, const QString& dazu = QString())
{
    return QStringLiteral(
               "INSERT INTO verlauf (zeit, arbeitseinheit, benutzer, rolle, arbeitsplatz, programm, version,"
               " art, kennung, bezeichnung, rtyp, rnr, vorher, nachher)"
               " SELECT t.zeit, k.arbeitseinheit, k.benutzer, '',"
               " k.arbeitsplatz, k.programm, k.version, %1, %2.Kennung, %2.Bezeichnung, %3, %4, %5"
               " FROM (SELECT strftime('%Y-%m-%dT%H:%M:%fZ', 'now') AS zeit) t, verlauf_kontext k%6"
               " WHERE k.ohne_verlauf = 0;")
        .arg(art, zeile, rechner, vorher, nachher, dazu);
}

// A setting as vorher or nachher: its description, its settings text as
// stored, and the values by name when the text is a JSON object.
QString Fassung(const QString& zeile)
{
    return QStringLiteral("json_object('Beschreibung', %1.Beschreibung, 'Einstellungen', %1.Einstellungen,"
                          " 'Werte', CASE WHEN json_valid(%1.Einstellungen) THEN CASE WHEN"
                          " json_type(%1.Einstellungen) = 'object' THEN json(%1.Einstellungen) END END)")
        .arg(zeile);
}

QString EinstellungEintrag(const char* art, const QString& zeile, const QString& vorher,
                           const QString& nachher)
{
    return Eintrag(QStringLiteral("'%1'").arg(QLatin1String(art)), zeile, QStringLiteral("' ', 0"), vorher,
                   nachher);
}

QString ZuordnungEintrag(bool hinzu, const QString& zeile, const QString& dazu = QString())
{
    const QString art =
        QStringLiteral("CASE WHEN %1.Bezeichnung = '' AND %1.RTyp = ' ' AND %1.RNr = 0 THEN '%2' ELSE '%3' END")
            .arg(zeile, hinzu ? QStringLiteral("filterart_an") : QStringLiteral("filterart_aus"),
                 hinzu ? QStringLiteral("zuordnung_hinzu") : QStringLiteral("zuordnung_entfernt"));
    return Eintrag(art, zeile, QStringLiteral("%1.RTyp, %1.RNr").arg(zeile), QStringLiteral("NULL"),
                   QStringLiteral("NULL"), dazu);
}

QStringList VerlaufTrigger()
{
    const QString neu = QStringLiteral("NEW");
    const QString alt = QStringLiteral("OLD");
    const QString gleicherSchluessel = QStringLiteral("OLD.Kennung = NEW.Kennung AND OLD.Bezeichnung = NEW.Bezeichnung");
    // Each trigger fires WHEN its condition holds and the recording is not
    // silenced; a silenced one skips its program before it opens the
    // history for writing (a bulk change collects its rows and records them
    // itself, see AssignmentChangeSql).
    const auto trigger = [](const char* name, const QString& ereignis, const QString& rumpf,
                            const QString& bedingung = QStringLiteral("1")) {
        return QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS %1 AFTER %2 WHEN (%3) AND"
                              " (SELECT ohne_verlauf FROM verlauf_kontext) = 0 BEGIN %4 END")
            .arg(QLatin1String(name), ereignis, bedingung, rumpf);
    };
    return {
        trigger("fidefile_verlauf_insert", QStringLiteral("INSERT ON main.fidefile"),
                EinstellungEintrag("einstellung_angelegt", neu, QStringLiteral("NULL"), Fassung(neu))),
        trigger("fidefile_verlauf_delete", QStringLiteral("DELETE ON main.fidefile"),
                EinstellungEintrag("einstellung_geloescht", alt, Fassung(alt), QStringLiteral("NULL"))),
        trigger("fidefile_verlauf_update", QStringLiteral("UPDATE ON main.fidefile"),
                EinstellungEintrag("einstellung_geaendert", neu, Fassung(alt), Fassung(neu)),
                QStringLiteral("%1 AND (OLD.Beschreibung IS NOT NEW.Beschreibung"
                               " OR OLD.Einstellungen IS NOT NEW.Einstellungen)")
                    .arg(gleicherSchluessel)),
        // A key changed by hand: the old setting is gone, a new one is there.
        trigger("fidefile_verlauf_umbenannt", QStringLiteral("UPDATE ON main.fidefile"),
                EinstellungEintrag("einstellung_geloescht", alt, Fassung(alt), QStringLiteral("NULL")) +
                    EinstellungEintrag("einstellung_angelegt", neu, QStringLiteral("NULL"), Fassung(neu)),
                QStringLiteral("NOT (%1)").arg(gleicherSchluessel)),
        trigger("fikofile_verlauf_insert", QStringLiteral("INSERT ON main.fikofile"), ZuordnungEintrag(true, neu)),
        trigger("fikofile_verlauf_delete", QStringLiteral("DELETE ON main.fikofile"), ZuordnungEintrag(false, alt)),
        // A change of many assignments collects its rows instead.
        QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS fikofile_verlauf_sammeln_insert AFTER INSERT ON"
                       " main.fikofile WHEN (SELECT sammeln FROM verlauf_kontext) = 1 BEGIN INSERT INTO"
                       " verlauf_zeilen VALUES (NEW.Kennung, NEW.Bezeichnung, NEW.RTyp, NEW.RNr); END"),
        QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS fikofile_verlauf_sammeln_delete AFTER DELETE ON"
                       " main.fikofile WHEN (SELECT sammeln FROM verlauf_kontext) = 1 BEGIN INSERT INTO"
                       " verlauf_zeilen VALUES (OLD.Kennung, OLD.Bezeichnung, OLD.RTyp, OLD.RNr); END"),
        trigger("fikofile_verlauf_update", QStringLiteral("UPDATE ON main.fikofile"),
                ZuordnungEintrag(false, alt) + ZuordnungEintrag(true, neu),
                QStringLiteral("OLD.Kennung IS NOT NEW.Kennung OR OLD.Bezeichnung IS NOT NEW.Bezeichnung"
                               " OR OLD.RTyp IS NOT NEW.RTyp OR OLD.RNr IS NOT NEW.RNr")),
    };
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

bool ReadOnlyMedium(const QString& dir)
{
    struct statvfs fs;
    return ::statvfs(QFile::encodeName(dir).constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
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
    m_readOnly.clear();
    m_immutable = false;
    const bool dirWritable = QFileInfo(dir).isWritable() && !ReadOnlyMedium(dir);
    if (file.exists()) {
        if (!file.isFile()) {
            throw StoreError(QStringLiteral("Der Datenbestand ist keine Datei: %1").arg(location),
                             TStoreFailure::CannotOpen);
        }
        if (!file.isReadable()) {
            throw StoreError(QStringLiteral("Keine Leseberechtigung für den Datenbestand: %1").arg(location),
                             TStoreFailure::ReadOnly);
        }
        // A store that can be read but not written is opened for reading.
        if (ReadOnlyMedium(dir)) {
            m_readOnly = QStringLiteral("Der Datenbestand liegt auf einem schreibgeschützten Datenträger: %1")
                             .arg(m_file);
        } else if (!file.isWritable()) {
            m_readOnly = QStringLiteral("Für die Datei des Datenbestands fehlt die Schreibberechtigung: %1")
                             .arg(m_file);
        } else if (!dirWritable) {
            m_readOnly =
                QStringLiteral("Im Verzeichnis des Datenbestands fehlt die Schreibberechtigung: %1").arg(dir);
        }
        m_immutable = !m_readOnly.isEmpty() && !dirWritable;
        return;
    }
    m_created << m_file;
    if (!dirWritable) {
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
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyStepMs);
    if (m_readOnly.isEmpty()) {
        db.setDatabaseName(location);
    } else if (!m_immutable) {
        db.setDatabaseName(location);
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    } else {
        // Where no journal or shared-memory file can be made beside it, the
        // file is read as it lies (a read-only medium does not change).
        db.setDatabaseName(QUrl::fromLocalFile(location).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?immutable=1"));
        options += QStringLiteral(";QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI");
    }
    db.setConnectOptions(options);
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
        if (part.name && ReadStrings(store, QStringLiteral("SELECT name FROM sqlite_master WHERE name = ?"),
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
    store.Exec(TableSql(table, {QStringLiteral("TEXT"), QStringLiteral(" WITHOUT ROWID"),
                                QStringLiteral("INTEGER PRIMARY KEY")}));
}

void TSqliteDialect::CreateRule(TStore& store, TStoreRule rule) const
{
    for (const TRuleSql& part : RuleSql(rule)) {
        store.Exec(QString::fromLatin1(part.sql));
    }
}

void TSqliteDialect::PrepareConnection(TStore& store) const
{
    // The TEMP table and triggers live in memory rather than in a temporary
    // file beside every connection.
    store.Exec(QStringLiteral("PRAGMA temp_store=MEMORY"));
    store.Exec(kKontext);
    store.Exec(kZeilen);
    const TStoreIdentity& wer = TStore::Identity();
    store.Query(QStringLiteral("DELETE FROM verlauf_kontext"));
    store.Query(QStringLiteral("INSERT INTO verlauf_kontext VALUES ('', ?, ?, ?, ?, 0, 0, 0)"),
                {wer.Benutzer, wer.Arbeitsplatz, wer.Programm, wer.Version});
    for (const QString& sql : VerlaufTrigger()) {
        store.Exec(sql);
    }
}

QString TSqliteDialect::UnitOfWorkSql() const
{
    return QStringLiteral("UPDATE verlauf_kontext SET arbeitseinheit = ?, benutzer = ?, arbeitsplatz = ?,"
                          " programm = ?, version = ?, ohne_verlauf = ?");
}

QString TSqliteDialect::UnitOfWorkEndSql() const
{
    // A write outside a unit of work is its own one, without an id.
    return QStringLiteral("UPDATE verlauf_kontext SET arbeitseinheit = '', ohne_verlauf = 0");
}

// While the change runs, the row triggers that record stay quiet and two
// others collect its rows into verlauf_zeilen; they are recorded from there.
TAssignmentChangeSql TSqliteDialect::AssignmentChangeSql(bool hinzu) const
{
    TAssignmentChangeSql sql;
    sql.Clear = QStringLiteral("DELETE FROM temp.verlauf_zeilen");
    sql.Collect = QStringLiteral("UPDATE verlauf_kontext SET ohne_verlauf = 1, sammeln = 1");
    // Many rows, all of one setting and each of a type or a number (as the
    // computer dialog books them): one entry that lists their numbers and
    // types, joined as text (JSON functions per row cost more than a row of
    // history each). Otherwise a row each. Which of the two is decided once.
    const QString liste = QStringLiteral(
        "UPDATE verlauf_kontext SET liste = (SELECT count(*) > %1 AND min(z.Kennung) = max(z.Kennung) AND"
        " min(z.Bezeichnung) = max(z.Bezeichnung) AND count(*) FILTER (WHERE NOT (z.Bezeichnung <> '' AND"
        " ((z.RTyp = ' ' AND z.RNr <> 0) OR (z.RTyp <> ' ' AND z.RNr = 0)))) = 0 FROM temp.verlauf_zeilen z)")
                              .arg(kHistoryListAbove);
    // The context first, so that a statement whose rows it does not write
    // reads none of them.
    QString einzeln =
        ZuordnungEintrag(hinzu, QStringLiteral("z"), QStringLiteral(" CROSS JOIN temp.verlauf_zeilen z"));
    einzeln.chop(1); // the trigger body's semicolon
    einzeln += QStringLiteral(" AND k.liste = 0");
    const QString eintrag =
        QStringLiteral(
            "INSERT INTO verlauf (zeit, arbeitseinheit, benutzer, rolle, arbeitsplatz, programm, version,"
            " art, kennung, bezeichnung, rtyp, rnr, vorher, nachher)"
            " SELECT strftime('%Y-%m-%dT%H:%M:%fZ', 'now'), k.arbeitseinheit, k.benutzer, '', k.arbeitsplatz,"
            " k.programm, k.version, '%1', a.Kennung, a.Bezeichnung, ' ', 0, NULL,"
            " '{\"Rechner\":[' || coalesce(a.Nummern, '') || '],\"Rechnertypen\":' || a.Typen || '}'"
            " FROM verlauf_kontext k, (SELECT count(*) AS Anzahl, min(z.Kennung) AS Kennung, min(z.Bezeichnung)"
            " AS Bezeichnung, group_concat(z.RNr) FILTER (WHERE z.RTyp = ' ') AS Nummern,"
            " json_group_array(z.RTyp) FILTER (WHERE z.RNr = 0) AS Typen FROM verlauf_kontext k"
            " CROSS JOIN temp.verlauf_zeilen z WHERE k.ohne_verlauf = 0 AND k.liste = 1) a WHERE a.Anzahl > 0")
            .arg(hinzu ? QStringLiteral("zuordnungen_hinzu") : QStringLiteral("zuordnungen_entfernt"));
    sql.Record = {QStringLiteral("UPDATE verlauf_kontext SET ohne_verlauf = 0, sammeln = 0"), liste, einzeln, eintrag};
    return sql;
}

// The list as written above: numbers bare between brackets and commas (a
// store copied from PostgreSQL has ", " between them), types as JSON strings.
QString TSqliteDialect::HistoryListHasSql(bool typ) const
{
    return typ ? QStringLiteral("EXISTS (SELECT 1 FROM json_each(nachher, '$.Rechnertypen') WHERE value = ?)")
               : QStringLiteral("instr(replace(replace(replace(substr(nachher, 1, instr(nachher, ']')), ' ', ''), '[',"
                                " ','), ']', ','), ',' || CAST(? AS INTEGER) || ',') > 0");
}

QString TSqliteDialect::HistoryInsertSql() const
{
    return QStringLiteral(
        "INSERT INTO verlauf (zeit, arbeitseinheit, benutzer, rolle, arbeitsplatz, programm, version,"
        " art, kennung, bezeichnung, rtyp, rnr, vorher, nachher)"
        " SELECT strftime('%Y-%m-%dT%H:%M:%fZ', 'now'), k.arbeitseinheit, k.benutzer, '', k.arbeitsplatz,"
        " k.programm, k.version, ?, ?, ?, ?, ?, ?, ? FROM verlauf_kontext k");
}

QString TSqliteDialect::RowsSql(int columns) const
{
    QStringList spalten;
    for (int i = 0; i < columns; ++i) {
        spalten << QStringLiteral("CAST(json_extract(value, '$[%1]') AS TEXT) AS c%1").arg(i);
    }
    return QStringLiteral("SELECT %1 FROM json_each(?)").arg(spalten.join(QStringLiteral(", ")));
}

// A file keeps no list of who has it open.
QString TSqliteDialect::OtherConnectionsSql() const
{
    return QString();
}
