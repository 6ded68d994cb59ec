#include "host/store/PostgresDialect.h"

#include "host/core/KRNError.h"
#include "host/store/SchemaSql.h"
#include "host/store/Store.h"

#include <QCoreApplication>
#include <QSqlDriver>
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
    QString name;  // as pg_class (indexes) or pg_trigger names it
    QString table; // the trigger's table; empty for an index
    QString sql;
};

QList<TRuleSql> HistorySql(TStoreRule rule);
QList<TRuleSql> AnnounceSql();

QList<TRuleSql> RuleSql(TStoreRule rule)
{
    switch (rule) {
    case TStoreRule::OneSettingPerType:
        return {
            {QStringLiteral("fikofile_rtyp_eine_einstellung"), QString(),
             QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS fikofile_rtyp_eine_einstellung ON fikofile (Kennung, RTyp)"
             " WHERE Bezeichnung <> '' AND RTyp <> ' ' AND RNr = 0")}};
    case TStoreRule::OneSettingPerNumber:
        return {{QStringLiteral("fikofile_rnr_eine_einstellung"), QString(),
             QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS fikofile_rnr_eine_einstellung ON fikofile (Kennung, RNr)"
                 " WHERE Bezeichnung <> '' AND RTyp = ' ' AND RNr <> 0")}};
    case TStoreRule::LookupByNumber:
        return {{QStringLiteral("fikofile_kennung_rnr"), QString(),
             QStringLiteral("CREATE INDEX IF NOT EXISTS fikofile_kennung_rnr ON fikofile (Kennung, RNr)")}};
    case TStoreRule::LookupByType:
        return {{QStringLiteral("fikofile_kennung_rtyp"), QString(),
             QStringLiteral("CREATE INDEX IF NOT EXISTS fikofile_kennung_rtyp ON fikofile (Kennung, RTyp)")}};
    case TStoreRule::AssignmentNeedsSetting:
        // The setting's row is locked FOR KEY SHARE, as a foreign key would,
        // so that no other session deletes it before this one commits.
        return {
            {QStringLiteral("fikofile_einstellung_vorhanden"), QStringLiteral("fikofile"),
             QStringLiteral("CREATE OR REPLACE FUNCTION fikofile_einstellung_vorhanden() RETURNS trigger"
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
             " ON fikofile FOR EACH ROW EXECUTE FUNCTION fikofile_einstellung_vorhanden()")}};
    case TStoreRule::HistoryLookup:
        // One index serves both computer filters (a number's rows have the
        // type ' ', a type's the number 0); the two it replaces are dropped.
        return {{QStringLiteral("verlauf_rechner"), QString(),
                 QStringLiteral("CREATE INDEX IF NOT EXISTS verlauf_rechner ON verlauf (rtyp, rnr, id)")},
                {QStringLiteral("verlauf_einstellung"), QString(),
                 QStringLiteral("CREATE INDEX IF NOT EXISTS verlauf_einstellung ON verlauf (kennung, bezeichnung, id)")},
                // A block range index: rows come in time order, and it costs a
                // booked row next to nothing.
                {QStringLiteral("verlauf_zeit"), QString(),
                 QStringLiteral("CREATE INDEX IF NOT EXISTS verlauf_zeit ON verlauf USING brin (zeit)")},
                {QString(), QString(), QStringLiteral("DROP INDEX IF EXISTS verlauf_rnr, verlauf_rtyp")}};
    case TStoreRule::HistoryRecorded:
    case TStoreRule::HistoryAppendOnly:
        return HistorySql(rule);
    case TStoreRule::ChangesAnnounced:
        return AnnounceSql();
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

// The identity of the writer, read once per statement: what the program
// handed over for its unit of work (transaction-local settings), else the
// session's role and client address and "unbekanntes Programm".
const QString kWer = QStringLiteral(
    " v_zeit text := to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"');"
    " v_einheit text := coalesce(nullif(current_setting('veldrake.arbeitseinheit', true), ''),"
    "  'tx' || txid_current());"
    " v_benutzer text := coalesce(current_setting('veldrake.benutzer', true), '');"
    " v_platz text := coalesce(nullif(current_setting('veldrake.arbeitsplatz', true), ''),"
    "  host(inet_client_addr()), 'lokal');"
    " v_programm text := coalesce(nullif(current_setting('veldrake.programm', true), ''),"
    "  'unbekanntes Programm');"
    " v_version text := coalesce(current_setting('veldrake.version', true), '');");

// Whether the session may leave a unit of work unrecorded or prune: only a
// member of the role that owns verlauf, and only when it asked for it.
QString NurEigentuemer(const char* schalter)
{
    return QStringLiteral("(coalesce(current_setting('veldrake.%1', true), '') = 'ja' AND pg_has_role(session_user,"
                          " (SELECT relowner FROM pg_class WHERE oid = to_regclass('verlauf')), 'MEMBER'))")
        .arg(QLatin1String(schalter));
}

QString Eintrag(const QString& art, const QString& schluessel, const QString& rechner, const QString& vorher,
                const QString& nachher, const QString& von)
{
    return QStringLiteral(
               " INSERT INTO verlauf (zeit, arbeitseinheit, benutzer, rolle, arbeitsplatz, programm, version,"
               " art, kennung, bezeichnung, rtyp, rnr, vorher, nachher)"
               " SELECT v_zeit, v_einheit, v_benutzer, session_user, v_platz, v_programm, v_version,"
               " %1, %2, %3, %4, %5 FROM %6;")
        .arg(art, schluessel, rechner, vorher, nachher, von);
}

QString Schluessel(const QString& zeile)
{
    return QStringLiteral("%1.Kennung, %1.Bezeichnung").arg(zeile);
}

QString Fassung(const QString& zeile)
{
    return QStringLiteral("jsonb_build_object('Beschreibung', %1.Beschreibung, 'Einstellungen', %1.Einstellungen,"
                          " 'Werte', verlauf_werte(%1.Einstellungen))::text")
        .arg(zeile);
}

// A statement-level trigger function over the transition tables neu and
// alt: a confirmation of any number of rows writes its history with one
// statement. A foreign writer never fails for it: its history is written in
// a block of its own that gives up with a warning.
QString VerlaufFunktion(const QString& tabelle, const QString& einfuegen, const QString& loeschen,
                        const QString& aendern)
{
    const QString rumpf = QStringLiteral("IF TG_OP = 'INSERT' THEN %1 ELSIF TG_OP = 'DELETE' THEN %2"
                                         " ELSE %3 END IF;")
                              .arg(einfuegen, loeschen, aendern);
    return QStringLiteral(
               "CREATE OR REPLACE FUNCTION %1_verlauf() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER"
               " SET search_path FROM CURRENT AS $$ DECLARE%2 BEGIN"
               " IF %3 THEN RETURN NULL; END IF;"
               " IF v_programm = 'unbekanntes Programm' THEN"
               "  BEGIN %4 EXCEPTION WHEN others THEN RAISE WARNING 'verlauf: %', SQLERRM; END;"
               " ELSE %4 END IF;"
               " RETURN NULL; END $$;")
        .arg(tabelle, kWer, NurEigentuemer("ohne_verlauf"), rumpf);
}

// The three statement-level triggers of one table (a trigger with
// transition tables has one event).
QList<TRuleSql> VerlaufTrigger(const QString& tabelle)
{
    QList<TRuleSql> result;
    for (const auto& [ereignis, tabellen] :
         {std::pair{QStringLiteral("insert"), QStringLiteral("NEW TABLE AS neu")},
          std::pair{QStringLiteral("update"), QStringLiteral("OLD TABLE AS alt NEW TABLE AS neu")},
          std::pair{QStringLiteral("delete"), QStringLiteral("OLD TABLE AS alt")}}) {
        const QString name = QStringLiteral("%1_verlauf_%2").arg(tabelle, ereignis);
        result.append({name, tabelle,
                       QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2; CREATE TRIGGER %1 AFTER %3 ON %2"
                                      " REFERENCING %4 FOR EACH STATEMENT EXECUTE FUNCTION %2_verlauf()")
                           .arg(name, tabelle, ereignis.toUpper(), tabellen)});
    }
    return result;
}

QList<TRuleSql> HistorySql(TStoreRule rule)
{
    if (rule == TStoreRule::HistoryAppendOnly) {
        return {{QStringLiteral("verlauf_unveraenderlich"), QStringLiteral("verlauf"),
                 QStringLiteral(
                     "CREATE OR REPLACE FUNCTION verlauf_unveraenderlich() RETURNS trigger LANGUAGE plpgsql AS $$"
                     " BEGIN IF TG_OP = 'DELETE' AND %1 THEN RETURN NULL; END IF;"
                     " RAISE EXCEPTION 'verlauf: Der Verlauf kann nicht geändert oder gelöscht werden'"
                     " USING ERRCODE = '42501'; END $$;"
                     " DROP TRIGGER IF EXISTS verlauf_unveraenderlich ON verlauf;"
                     " CREATE TRIGGER verlauf_unveraenderlich BEFORE UPDATE OR DELETE OR TRUNCATE ON verlauf"
                     " FOR EACH STATEMENT EXECUTE FUNCTION verlauf_unveraenderlich()")
                     .arg(NurEigentuemer("kuerzen"))}};
    }
    const QString n = QStringLiteral("n");
    const QString o = QStringLiteral("o");
    const QString ohneRechner = QStringLiteral("' ', 0");
    const QString null = QStringLiteral("NULL");
    const auto zuordnung = [&](bool hinzu, const QString& von) {
        const QString z = hinzu ? n : o;
        return Eintrag(QStringLiteral("CASE WHEN %1.Bezeichnung = '' AND %1.RTyp = ' ' AND %1.RNr = 0"
                                      " THEN '%2' ELSE '%3' END")
                           .arg(z, hinzu ? QStringLiteral("filterart_an") : QStringLiteral("filterart_aus"),
                                hinzu ? QStringLiteral("zuordnung_hinzu") : QStringLiteral("zuordnung_entfernt")),
                       Schluessel(z), QStringLiteral("%1.RTyp, %1.RNr").arg(z), null, null, von);
    };
    // Many rows of one statement: one entry per setting that lists its
    // numbers and types; a filter kind switched and odd rows keep a row each.
    const auto zuordnungen = [&](bool hinzu, const QString& tabelle) {
        const QString z = hinzu ? n : o;
        const QString von = QStringLiteral("%1 %2").arg(tabelle, z);
        const QString gelistet = QStringLiteral("%1.Bezeichnung <> '' AND ((%1.RTyp = ' ' AND %1.RNr <> 0) OR"
                                                " (%1.RTyp <> ' ' AND %1.RNr = 0))")
                                     .arg(z);
        const QString liste =
            QStringLiteral(
                " INSERT INTO verlauf (zeit, arbeitseinheit, benutzer, rolle, arbeitsplatz, programm,"
                " version, art, kennung, bezeichnung, rtyp, rnr, vorher, nachher)"
                " SELECT v_zeit, v_einheit, v_benutzer, session_user, v_platz, v_programm, v_version, '%1',"
                " %2.Kennung, %2.Bezeichnung, ' ', 0, NULL, json_build_object("
                "'Rechner', coalesce(json_agg(%2.RNr) FILTER (WHERE %2.RTyp = ' '), '[]'),"
                " 'Rechnertypen', coalesce(json_agg(%2.RTyp) FILTER (WHERE %2.RNr = 0), '[]'))::text"
                " FROM %3 WHERE %4 GROUP BY %2.Kennung, %2.Bezeichnung;")
                .arg(hinzu ? QStringLiteral("zuordnungen_hinzu") : QStringLiteral("zuordnungen_entfernt"), z, von,
                     gelistet);
        return QStringLiteral("IF (SELECT count(*) FROM %1) > %2 THEN %3%4 ELSE %5 END IF;")
            .arg(tabelle, QString::number(kHistoryListAbove),
                 zuordnung(hinzu, QStringLiteral("%1 WHERE NOT (%2)").arg(von, gelistet)), liste,
                 zuordnung(hinzu, von));
    };
    QList<TRuleSql> result = {
        // The index of the rows that list computers came with the functions
        // that write them: a store without it has older functions.
        {QStringLiteral("verlauf_listen"), QString(),
         QStringLiteral("CREATE INDEX IF NOT EXISTS verlauf_listen ON verlauf (id) WHERE %1")
             .arg(QLatin1StringView(kHistoryListed))},
        // Functions carry no name: HasRule looks for their triggers.
        {QString(), QString(),
         QStringLiteral("CREATE OR REPLACE FUNCTION verlauf_werte(t text) RETURNS jsonb LANGUAGE plpgsql"
                        " IMMUTABLE AS $$ BEGIN IF jsonb_typeof(t::jsonb) = 'object' THEN RETURN t::jsonb;"
                        " END IF; RETURN NULL; EXCEPTION WHEN others THEN RETURN NULL; END $$")},
        {QString(), QString(),
         VerlaufFunktion(
             QStringLiteral("fidefile"),
             Eintrag(QStringLiteral("'einstellung_angelegt'"), Schluessel(n), ohneRechner, null, Fassung(n),
                     QStringLiteral("neu n")),
             Eintrag(QStringLiteral("'einstellung_geloescht'"), Schluessel(o), ohneRechner, Fassung(o), null,
                     QStringLiteral("alt o")),
             // Old and new rows by key: a changed key is a deletion and a creation.
             Eintrag(QStringLiteral("CASE WHEN o.Kennung IS NULL THEN 'einstellung_angelegt' WHEN n.Kennung IS"
                                    " NULL THEN 'einstellung_geloescht' ELSE 'einstellung_geaendert' END"),
                     QStringLiteral("coalesce(n.Kennung, o.Kennung), coalesce(n.Bezeichnung, o.Bezeichnung)"),
                     ohneRechner,
                     QStringLiteral("CASE WHEN o.Kennung IS NOT NULL THEN %1 END").arg(Fassung(o)),
                     QStringLiteral("CASE WHEN n.Kennung IS NOT NULL THEN %1 END").arg(Fassung(n)),
                     QStringLiteral("alt o FULL JOIN neu n ON n.Kennung = o.Kennung"
                                    " AND n.Bezeichnung = o.Bezeichnung WHERE o.Kennung IS NULL OR n.Kennung"
                                    " IS NULL OR o.Beschreibung IS DISTINCT FROM n.Beschreibung"
                                    " OR o.Einstellungen IS DISTINCT FROM n.Einstellungen")))},
        {QString(), QString(),
         VerlaufFunktion(QStringLiteral("fikofile"), zuordnungen(true, QStringLiteral("neu")),
                         zuordnungen(false, QStringLiteral("alt")),
                         zuordnung(false, QStringLiteral("(SELECT * FROM alt EXCEPT ALL SELECT * FROM neu) o")) +
                             zuordnung(true, QStringLiteral("(SELECT * FROM neu EXCEPT ALL SELECT * FROM alt) n")))},
    };
    result += VerlaufTrigger(QStringLiteral("fidefile"));
    result += VerlaufTrigger(QStringLiteral("fikofile"));
    return result;
}

// Every statement that changes a setting or an assignment announces its
// unit of work (under the id the history groups it by) on the channel. The
// server delivers the notification when the transaction commits, once per
// id, to every other listening connection, and never when it rolls back.
QList<TRuleSql> AnnounceSql()
{
    const QString funktion = QStringLiteral(
        "CREATE OR REPLACE FUNCTION aenderung_melden() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
        " PERFORM pg_notify('veldrake_aenderung', coalesce(nullif(current_setting('veldrake.arbeitseinheit',"
        " true), ''), 'tx' || txid_current())); RETURN NULL; END $$; ");
    QList<TRuleSql> result;
    for (const QString& tabelle : {QStringLiteral("fidefile"), QStringLiteral("fikofile")}) {
        const QString name = tabelle + QStringLiteral("_aenderung");
        result.append({name, tabelle,
                       (result.isEmpty() ? funktion : QString()) +
                           QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2; CREATE TRIGGER %1 AFTER INSERT OR UPDATE"
                                          " OR DELETE OR TRUNCATE ON %2 FOR EACH STATEMENT"
                                          " EXECUTE FUNCTION aenderung_melden()")
                               .arg(name, tabelle)});
    }
    return result;
}

} // namespace

void TPostgresDialect::CheckLocation(const QString& location)
{
    m_address = ParsePostgresAddress(location);
}

void TPostgresDialect::Configure(QSqlDatabase& db, const QString&, int busyStepMs) const
{
    // Hosts, ports and the rest go to libpq as the address gave them; the
    // driver's own fields would take only one host and one port. User and
    // database stay in the driver's fields, so that a copy of the
    // connection may name another user.
    db.setHostName(QString());
    db.setPort(-1);
    db.setUserName(m_address.User());
    db.setDatabaseName(m_address.Database());
    db.setPassword(m_address.Password);
    // A wait for a lock ends after one step; the store repeats it while its
    // wait limit allows, so that the wait can be shown. Options the address
    // gives come first; libpq takes the last of a keyword given twice.
    QStringList options = m_address.ConnectOptionList(
        {QStringLiteral("options"), QStringLiteral("user"), QStringLiteral("dbname")});
    const QString own =
        QStringLiteral("-c lock_timeout=%1 -c client_min_messages=error").arg(busyStepMs);
    const QString given = m_address.Value(QStringLiteral("options"));
    options << QStringLiteral("options=") + PostgresOptionValue(given.isEmpty() ? own : given + u' ' + own);
    if (!m_address.NamesApplication()) {
        options << QStringLiteral("application_name=") +
                       PostgresOptionValue(
                           PostgresApplicationName(ProgramName(), LoginName(), QSysInfo::machineHostName()));
    }
    db.setConnectOptions(options.join(QLatin1Char(';')));
}

QStringList TPostgresDialect::GrantSql(TStore& store, bool editor, const QString& role) const
{
    const QStringList namen = ReadStrings(
        store, QStringLiteral("SELECT quote_ident(current_schema()) UNION ALL"
                              " SELECT quote_ident(rolname) FROM pg_roles WHERE rolname = ?"),
        {role});
    if (namen.size() != 2) {
        throw KRNException(QStringLiteral("Die Rolle „%1“ gibt es auf dem Server nicht.").arg(role));
    }
    const QString& schema = namen[0];
    const QString& rolle = namen[1];
    QStringList sql = {
        QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(schema, rolle),
        QStringLiteral("GRANT SELECT ON fidefile, fikofile, rechnertyp, rechner, verlauf TO %1").arg(rolle)};
    if (editor) {
        sql << QStringLiteral("GRANT INSERT, UPDATE, DELETE ON fidefile, fikofile TO %1").arg(rolle)
            << QStringLiteral("GRANT INSERT ON verlauf TO %1").arg(rolle)
            << QStringLiteral("GRANT USAGE ON SEQUENCE verlauf_id_seq TO %1").arg(rolle);
    }
    return sql;
}

QString TPostgresDialect::ReadOnlyReason(TStore& store)
{
    // A table that is missing yet counts as writable when the role may
    // create it. has_table_privilege with several privileges is true for
    // any of them, so each is asked alone.
    const QString darf = QStringLiteral(
        "CASE WHEN to_regclass('%1') IS NULL THEN has_schema_privilege(current_schema(), 'CREATE')"
        " ELSE %2 END");
    const auto alle = [](const char* tabelle, std::initializer_list<const char*> rechte) {
        QStringList teile;
        for (const char* recht : rechte) {
            teile << QStringLiteral("has_table_privilege('%1', '%2')")
                         .arg(QLatin1String(tabelle), QLatin1String(recht));
        }
        return teile.join(QStringLiteral(" AND "));
    };
    const QStringList antwort = ReadStrings(
        store, QStringLiteral("SELECT concat_ws('|', pg_is_in_recovery(), current_setting('transaction_read_only'),"
                              " %1 AND %2 AND %3, session_user)")
                   .arg(darf.arg(QStringLiteral("fidefile"), alle("fidefile", {"INSERT", "UPDATE", "DELETE"})),
                        darf.arg(QStringLiteral("fikofile"), alle("fikofile", {"INSERT", "UPDATE", "DELETE"})),
                        darf.arg(QStringLiteral("verlauf"), alle("verlauf", {"INSERT"}))));
    const QStringList teile = antwort.value(0).split(QLatin1Char('|'));
    m_standby = teile.value(0) == u"t";
    if (m_standby) {
        return QStringLiteral("Der Datenbestand ist eine Lesekopie des Servers %1; Änderungen sind nur auf dem"
                              " Hauptserver möglich.")
            .arg(PostgresConnectedServer(store.Database().driver()->handle()));
    }
    if (teile.value(1) == u"on") {
        return QStringLiteral("Die Verbindung zum Datenbestand ist nur zum Lesen eingestellt"
                              " (default_transaction_read_only).");
    }
    if (teile.value(2) != u"t") {
        return QStringLiteral("Die Rolle %1 darf im Datenbestand nur lesen: ihr fehlen Rechte zum Ändern der"
                              " Einstellungen, Zuordnungen oder des Verlaufs.")
            .arg(teile.value(3));
    }
    return QString();
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
        if (part.name.isEmpty()) {
            continue;
        }
        const QString sql = !part.table.isEmpty()
                                ? QStringLiteral("SELECT tgname FROM pg_trigger WHERE tgname = ?"
                                                 " AND tgrelid = to_regclass(?)")
                                : QStringLiteral("SELECT c.relname FROM pg_class c JOIN pg_namespace n"
                                                 " ON n.oid = c.relnamespace WHERE c.relname = ?"
                                                 " AND n.nspname = current_schema()");
        const QVariantList values = part.table.isEmpty() ? QVariantList{part.name}
                                                         : QVariantList{part.name, part.table};
        if (ReadStrings(store, sql, values).isEmpty()) {
            return false;
        }
    }
    return true;
}

void TPostgresDialect::CreateTable(TStore& store, const QString& table) const
{
    // Text keys in collation "C": exact comparison, code point order, whatever
    // the server's default collation is.
    store.Exec(TableSql(table, {QStringLiteral("TEXT COLLATE \"C\""), QString(),
                                QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")}));
}

void TPostgresDialect::CreateRule(TStore& store, TStoreRule rule) const
{
    for (const TRuleSql& part : RuleSql(rule)) {
        store.Exec(part.sql);
    }
}

QString TPostgresDialect::UnitOfWorkSql() const
{
    return QStringLiteral("SELECT set_config('veldrake.arbeitseinheit', ?, true), set_config('veldrake.benutzer', ?,"
                          " true), set_config('veldrake.arbeitsplatz', ?, true), set_config('veldrake.programm',"
                          " ?, true), set_config('veldrake.version', ?, true), set_config('veldrake.ohne_verlauf',"
                          " CASE WHEN CAST(? AS integer) = 1 THEN 'ja' ELSE '' END, true)");
}

QString TPostgresDialect::HistoryListHasSql(bool typ) const
{
    // Both read the text as it is: a list of 5,000 computers is some 25 kB,
    // and reading it whole as JSON (or translating it) costs a hundred times
    // more than a search in it. A number stands bare after "[", "," or " "
    // and before "," or "]", which nothing else in the text does (types are
    // quoted). The types are the text after their key, read as JSON alone.
    return typ ? QStringLiteral("(('{\"t\"' || NULLIF(split_part(nachher, '\"Rechnertypen\"', 2), ''))::jsonb -> 't')"
                                " @> to_jsonb(CAST(? AS text))")
               : QStringLiteral("nachher ~ ('[[, ]' || CAST(? AS integer) || '[],]')");
}

QString TPostgresDialect::HistoryInsertSql() const
{
    return QStringLiteral(
        "INSERT INTO verlauf (zeit, arbeitseinheit, benutzer, rolle, arbeitsplatz, programm, version,"
        " art, kennung, bezeichnung, rtyp, rnr, vorher, nachher)"
        " VALUES (to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'),"
        " current_setting('veldrake.arbeitseinheit'), current_setting('veldrake.benutzer'), session_user,"
        " current_setting('veldrake.arbeitsplatz'), current_setting('veldrake.programm'),"
        " current_setting('veldrake.version'), ?, ?, ?, ?, CAST(? AS integer), ?, ?)");
}

QStringList TPostgresDialect::HistoryPruneSql() const
{
    // The append-only trigger lets this through for the owner of verlauf.
    return {QStringLiteral("SELECT set_config('veldrake.kuerzen', 'ja', true)")};
}

void TPostgresDialect::TableCopied(TStore& store, const QString& table) const
{
    if (table == QLatin1String("verlauf")) {
        store.Exec(QStringLiteral("SELECT setval(pg_get_serial_sequence('verlauf', 'id'), max(id))"
                                  " FROM verlauf HAVING max(id) IS NOT NULL"));
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

QString TPostgresDialect::RowsSql(int columns) const
{
    QStringList spalten;
    for (int i = 0; i < columns; ++i) {
        spalten << QStringLiteral("r ->> %1 AS c%1").arg(i);
    }
    return QStringLiteral("SELECT %1 FROM json_array_elements(CAST(? AS json)) AS t(r)")
        .arg(spalten.join(QStringLiteral(", ")));
}

// Client connections to this database but this one; the server hides the
// start of another role's connection from a role without the statistics
// right, and its backend type too.
QString TPostgresDialect::OtherConnectionsSql() const
{
    return QStringLiteral("SELECT application_name, backend_start FROM pg_stat_activity "
                          "WHERE datname = current_database() AND pid <> pg_backend_pid() "
                          "AND coalesce(backend_type, 'client backend') = 'client backend' "
                          "ORDER BY backend_start, pid");
}
