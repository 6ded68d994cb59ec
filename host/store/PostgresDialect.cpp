#include "host/store/PostgresDialect.h"

#include "host/core/KRNError.h"
#include "host/store/SchemaSql.h"
#include "host/store/Store.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

// The key of the advisory lock that every unit of work of this program
// takes ("VELD").
constexpr qint64 kWriteLockKey = 0x56454C44;

struct TRuleSql
{
    const char* name; // as pg_class (indexes) or pg_trigger names it
    bool trigger;
    const char* sql;
};

QList<TRuleSql> RuleSql(TStoreRule rule)
{
    switch (rule) {
    case TStoreRule::OneSettingPerType:
        return {
            {"fikofile_rtyp_eine_einstellung", false,
             "CREATE UNIQUE INDEX IF NOT EXISTS fikofile_rtyp_eine_einstellung ON fikofile (Kennung, RTyp)"
             " WHERE Bezeichnung <> '' AND RTyp <> ' ' AND RNr = 0"}};
    case TStoreRule::OneSettingPerNumber:
        return {{"fikofile_rnr_eine_einstellung", false,
                 "CREATE UNIQUE INDEX IF NOT EXISTS fikofile_rnr_eine_einstellung ON fikofile (Kennung, RNr)"
                 " WHERE Bezeichnung <> '' AND RTyp = ' ' AND RNr <> 0"}};
    case TStoreRule::LookupByNumber:
        return {{"fikofile_kennung_rnr", false,
                 "CREATE INDEX IF NOT EXISTS fikofile_kennung_rnr ON fikofile (Kennung, RNr)"}};
    case TStoreRule::LookupByType:
        return {{"fikofile_kennung_rtyp", false,
                 "CREATE INDEX IF NOT EXISTS fikofile_kennung_rtyp ON fikofile (Kennung, RTyp)"}};
    case TStoreRule::AssignmentNeedsSetting:
        // The setting's row is locked FOR KEY SHARE, as a foreign key would,
        // so that no other session deletes it before this one commits.
        return {
            {"fikofile_einstellung_vorhanden", true,
             "CREATE OR REPLACE FUNCTION fikofile_einstellung_vorhanden() RETURNS trigger"
             " LANGUAGE plpgsql AS $$ BEGIN"
             " IF NEW.Bezeichnung <> '' THEN"
             "  PERFORM 1 FROM fidefile WHERE Kennung = NEW.Kennung AND Bezeichnung = NEW.Bezeichnung"
             "   FOR KEY SHARE;"
             "  IF NOT FOUND THEN"
             "   RAISE EXCEPTION 'fikofile: Einstellung fehlt in fidefile' USING ERRCODE = '23503';"
             "  END IF;"
             " END IF;"
             " RETURN NEW; END $$;"
             " DROP TRIGGER IF EXISTS fikofile_einstellung_vorhanden ON fikofile;"
             " CREATE TRIGGER fikofile_einstellung_vorhanden BEFORE INSERT OR UPDATE OF Kennung, Bezeichnung"
             " ON fikofile FOR EACH ROW EXECUTE FUNCTION fikofile_einstellung_vorhanden()"}};
    }
    return {};
}

// libpq's texts of failures without a state, in the order they are tried.
struct TTextRule
{
    const char* text;
    const char* alsoText; // must appear too; nullptr: the text alone decides
    TStoreFailure kind;
};
constexpr TTextRule kTextRules[] = {
    {"server closed the connection", nullptr, TStoreFailure::ConnectionLost},
    {"no connection to the server", nullptr, TStoreFailure::ConnectionLost},
    {"terminating connection", nullptr, TStoreFailure::ConnectionLost},
    {"could not send data to server", nullptr, TStoreFailure::ConnectionLost},
    {"could not receive data from server", nullptr, TStoreFailure::ConnectionLost},
    {"connection to server was lost", nullptr, TStoreFailure::ConnectionLost},
    {"SSL connection has been closed unexpectedly", nullptr, TStoreFailure::ConnectionLost},
    {"password authentication failed", nullptr, TStoreFailure::Authentication},
    {"no password supplied", nullptr, TStoreFailure::Authentication},
    {"role \"", "does not exist", TStoreFailure::Authentication},
    {"does not exist", "database", TStoreFailure::DatabaseMissing},
    {"could not connect", nullptr, TStoreFailure::Unreachable},
    {"Connection refused", nullptr, TStoreFailure::Unreachable},
    {"Is the server running", nullptr, TStoreFailure::Unreachable},
    {"could not translate host name", nullptr, TStoreFailure::Unreachable},
    {"timeout expired", nullptr, TStoreFailure::Unreachable},
};

// SQLSTATE codes, then whole classes:
// https://www.postgresql.org/docs/current/errcodes-appendix.html
struct TStateRule
{
    const char* state;
    TStoreFailure kind;
};
constexpr TStateRule kStates[] = {
    {"55P03", TStoreFailure::Busy},           // lock not available
    {"40001", TStoreFailure::Busy},           // serialization failure
    {"40P01", TStoreFailure::Busy},           // deadlock
    {"57014", TStoreFailure::Timeout},        // statement timeout
    {"28P01", TStoreFailure::Authentication}, // wrong password
    {"28000", TStoreFailure::Authentication}, // no such role, or not allowed to log in
    {"3D000", TStoreFailure::DatabaseMissing},
    {"42501", TStoreFailure::NoPrivilege},
    {"25006", TStoreFailure::ReadOnly}, // read-only transaction (a standby)
    {"53100", TStoreFailure::Full},     // disk full
};
constexpr TStateRule kStateClasses[] = {
    {"08", TStoreFailure::ConnectionLost},  // connection exception
    {"57P", TStoreFailure::ConnectionLost}, // server shut down or restarted
    {"23", TStoreFailure::Constraint},      // integrity constraint violation
    {"58", TStoreFailure::InputOutput},     // system error
    {"XX", TStoreFailure::Damaged},         // internal error
};

// The program as the server lists its connections.
QString ProgramName()
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("veldrake") : name;
}

// The user logged in on this workstation.
QString LoginName()
{
#ifdef Q_OS_UNIX
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found) {
        return QString::fromLocal8Bit(found->pw_name);
    }
#endif
    for (const char* variable : {"USER", "USERNAME", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty()) {
            return name;
        }
    }
    return {};
}

} // namespace

void TPostgresDialect::CheckLocation(const QString& location)
{
    m_address = ParsePostgresUri(location);
}

void TPostgresDialect::Configure(QSqlDatabase& db, const QString&, int busyStepMs) const
{
    db.setHostName(m_address.Host);
    db.setPort(m_address.Port);
    db.setUserName(m_address.User);
    db.setPassword(m_address.Password);
    db.setDatabaseName(m_address.Database);
    // A wait for a lock ends after one step; the store repeats it while its
    // wait limit allows, so that the wait can be shown.
    QString options = m_address.ConnectOptions;
    if (!options.isEmpty()) {
        options += QLatin1Char(';');
    }
    options += QStringLiteral("options='-c lock_timeout=%1 -c client_min_messages=error'").arg(busyStepMs);
    if (!m_address.NamesApplication) {
        options += QStringLiteral(";application_name=") +
                   PostgresOptionValue(
                       PostgresApplicationName(ProgramName(), LoginName(), QSysInfo::machineHostName()));
    }
    db.setConnectOptions(options);
}

TStoreFailure TPostgresDialect::Classify(const QSqlError& error) const
{
    const QString code = error.nativeErrorCode();
    if (code.isEmpty()) {
        // libpq reports a refused or broken connection without a state.
        const QString text = error.text();
        for (const TTextRule& rule : kTextRules) {
            if (text.contains(QLatin1String(rule.text)) &&
                (!rule.alsoText || text.contains(QLatin1String(rule.alsoText)))) {
                return rule.kind;
            }
        }
        return TStoreFailure::Other;
    }
    for (const TStateRule& rule : kStates) {
        if (code == QLatin1String(rule.state)) {
            return rule.kind;
        }
    }
    for (const TStateRule& rule : kStateClasses) {
        if (code.startsWith(QLatin1String(rule.state))) {
            return rule.kind;
        }
    }
    return TStoreFailure::Other;
}

QStringList TPostgresDialect::Tables(TStore& store) const
{
    return ReadStrings(
        store, QStringLiteral("SELECT table_name FROM information_schema.tables"
                              " WHERE table_schema = current_schema() AND table_type = 'BASE TABLE'"));
}

QStringList TPostgresDialect::Columns(TStore& store, const QString& table) const
{
    return ReadStrings(
        store,
        QStringLiteral("SELECT column_name FROM information_schema.columns"
                       " WHERE table_schema = current_schema() AND table_name = ? ORDER BY ordinal_position"),
        {table.toLower()});
}

bool TPostgresDialect::HasRule(TStore& store, TStoreRule rule) const
{
    for (const TRuleSql& part : RuleSql(rule)) {
        const QString sql = part.trigger
                                ? QStringLiteral("SELECT tgname FROM pg_trigger WHERE tgname = ?"
                                                 " AND tgrelid = to_regclass('fikofile')")
                                : QStringLiteral("SELECT c.relname FROM pg_class c JOIN pg_namespace n"
                                                 " ON n.oid = c.relnamespace WHERE c.relname = ?"
                                                 " AND n.nspname = current_schema()");
        if (ReadStrings(store, sql, {QString::fromLatin1(part.name)}).isEmpty()) {
            return false;
        }
    }
    return true;
}

void TPostgresDialect::CreateTable(TStore& store, const QString& table) const
{
    // Text keys in collation "C": exact comparison, code point order, whatever
    // the server's default collation is.
    store.Exec(TableSql(table, {QStringLiteral("TEXT COLLATE \"C\""), QString()}));
}

void TPostgresDialect::CreateRule(TStore& store, TStoreRule rule) const
{
    for (const TRuleSql& part : RuleSql(rule)) {
        store.Exec(QString::fromLatin1(part.sql));
    }
}

QStringList TPostgresDialect::BeginWriteSql() const
{
    return {QStringLiteral("BEGIN"), QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kWriteLockKey)};
}

QString TPostgresDialect::ListSql(TStoreListKind kind) const
{
    return kind == TStoreListKind::Integer
               ? QStringLiteral(
                     "SELECT CAST(value AS integer) AS value FROM json_array_elements_text(CAST(? AS json))")
               : QStringLiteral("SELECT value FROM json_array_elements_text(CAST(? AS json))");
}
