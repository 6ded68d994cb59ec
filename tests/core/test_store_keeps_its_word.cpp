// The store's promises on a real file: opening only reads, a refused store
// stays as it was, waits are bounded and visible, failures come with their
// kind and a German text, reports wait until the unit of work has ended, and
// the store holds its own rules.
#include "SecondWorkstation.h"
#include "TempStore.h"
#include "TestBackend.h"

#include "RecordingPresenter.h"
#include "host/core/DBFile.h"
#include "host/core/KRNError.h"
#include "host/core/KRNProgramm.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <QUuid>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Runs statements on a file through a plain connection of its own, as
// another program would.
void RawSql(const QString& path, const QStringList& statements)
{
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        for (const QString& sql : statements) {
            QSqlQuery query(db);
            ASSERT_TRUE(query.exec(sql))
                << sql.toStdString() << ": " << query.lastError().text().toStdString();
        }
    }
    QSqlDatabase::removeDatabase(name);
}

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

StoreError OpenFailure(const QString& path)
{
    try {
        TStore::Open(path);
    } catch (const StoreError& e) {
        return e;
    }
    ADD_FAILURE() << "the store opened: " << path.toStdString();
    return StoreError(QString());
}

QStringList SchemaObjects(TStore& store)
{
    QSqlQuery query(store.Database());
    EXPECT_TRUE(
        query.exec(u"SELECT name FROM sqlite_master WHERE type IN ('index', 'trigger') AND sql NOT NULL"_s));
    QStringList names;
    while (query.next()) {
        names << query.value(0).toString();
    }
    names.sort();
    return names;
}

const QString kFide =
    u"CREATE TABLE fidefile (Kennung TEXT, Bezeichnung TEXT, Beschreibung TEXT, Einstellungen TEXT,"
    " PRIMARY KEY (Kennung, Bezeichnung))"_s;
const QString kFiko = u"CREATE TABLE fikofile (Kennung TEXT, Bezeichnung TEXT, RTyp TEXT, RNr INTEGER,"
                      " PRIMARY KEY (Kennung, Bezeichnung, RTyp, RNr))"_s;

// Sets a short wait limit for one test.
} // namespace

TEST(StoreOpening, ACompleteStoreOpensWhileAnotherWorkstationHoldsTheWriteLock)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"store.sqlite"_s);
    TStore::Open(path).reset();
    const SecondWorkstation other(path, 60000);
    auto store = TStore::Open(path);
    EXPECT_FALSE(store->CreatedNew());
    QSqlQuery query(store->Database());
    EXPECT_TRUE(query.exec(u"SELECT count(*) FROM fidefile"_s) && query.next()) << "and it reads";
}

TEST(StoreOpening, ARefusedStoreIsLeftByteForByte)
{
    const struct
    {
        const char* name;
        QStringList statements;
        QStringList inMessage;
    } cases[] = {
        {"fidefile with other columns",
         {u"CREATE TABLE fidefile (Kennung TEXT, Name TEXT, Wert INTEGER)"_s, kFiko},
         {u"fidefile"_s, u"Kennung, Name, Wert"_s}},
        {"fikofile with a column more",
         {kFide, u"CREATE TABLE fikofile (Kennung TEXT, Bezeichnung TEXT, RTyp TEXT, RNr INTEGER, X TEXT)"_s},
         {u"fikofile"_s, u"X"_s}},
        {"fidefile without fikofile", {kFide}, {u"fehlt die Tabelle fikofile"_s}},
        {"computers without their type",
         {kFide, kFiko, u"CREATE TABLE rechner (RNr INTEGER PRIMARY KEY, Name TEXT, Master INTEGER)"_s},
         {u"rechner"_s, u"RTyp"_s}},
        {"fikofile without fidefile",
         {kFiko, u"INSERT INTO fikofile VALUES ('ABIL', 'S1', ' ', 5)"_s},
         {u"fehlt die Tabelle fidefile"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"fremd.sqlite"_s);
        RawSql(path, c.statements);
        const QByteArray before = Bytes(path);
        const StoreError e = OpenFailure(path);
        EXPECT_EQ(e.Kind(), TStoreFailure::Schema);
        for (const QString& part : c.inMessage) {
            EXPECT_TRUE(e.Message().contains(part)) << e.Message().toStdString();
        }
        EXPECT_EQ(Bytes(path), before) << "nothing written, not even the journal mode";
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"fremd.sqlite"_s});
    }
}

TEST(StoreOpening, APathThatCannotBeUsedAsGivenLeavesNothingBehind)
{
    QTemporaryDir dir;
    // The journal beside a 250-byte name would need more than 255 bytes.
    const StoreError tooLong = OpenFailure(dir.filePath(QString(250, u'x')));
    EXPECT_EQ(tooLong.Kind(), TStoreFailure::Location);
    EXPECT_TRUE(tooLong.Message().contains(u"zu lang"_s)) << tooLong.Message().toStdString();

    // Bytes that are not UTF-8 would open another file under a similar name.
    const QByteArray raw = QFile::encodeName(dir.path()) + "/unter/st\xff\xfe.sqlite";
    qputenv("VELDRAKE_STORE", raw);
    try {
        KRNProgramm().Init(u"TEST"_s, 0, 0, 0, false);
        ADD_FAILURE() << "a path that is not UTF-8 must be refused";
    } catch (const StoreError& e) {
        EXPECT_EQ(e.Kind(), TStoreFailure::Location);
        EXPECT_TRUE(e.Message().contains(u"UTF-8"_s)) << e.Message().toStdString();
    }
    qunsetenv("VELDRAKE_STORE");
    KRNProgramm().Done();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
        << QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(u' ').toStdString();
}

TEST(StoreOpening, ANewStoreGetsTheWholeSchemaAndAnOldOneItsMissingRules)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"store.sqlite"_s);
    QStringList complete;
    {
        auto store = TStore::Open(path);
        complete = SchemaObjects(*store);
        EXPECT_TRUE(complete.contains(u"fikofile_einstellung_vorhanden"_s))
            << complete.join(u' ').toStdString();
        EXPECT_TRUE(complete.contains(u"fikofile_rnr_eine_einstellung"_s));
    }
    RawSql(path, {u"DROP TRIGGER fikofile_einstellung_vorhanden"_s,
                  u"DROP INDEX fikofile_rnr_eine_einstellung"_s, u"DROP TABLE rechner"_s,
                  u"ALTER TABLE rechnertyp ADD COLUMN Standort TEXT"_s}); // the host may add columns
    auto again = TStore::Open(path);
    EXPECT_EQ(SchemaObjects(*again), complete);
    EXPECT_TRUE(again->RulesComplete());
}

TEST(StoreRules, AnAssignmentNeedsItsSavedSetting)
{
    TempStore temp;
    temp.Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('ABIL', 'EINS')"_s);
    Tfikofile fiko;
    fiko.OpenNew(-1);
    const struct
    {
        const char* bezeichnung;
        bool accepted;
    } cases[] = {{"EINS", true}, {"ZWEI", false}, {"", true} /* activity record */, {"eins", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bezeichnung);
        fiko.Kennung.SetWert(u"ABIL"_s);
        fiko.Bezeichnung.SetWert(QString::fromLatin1(c.bezeichnung));
        fiko.RTyp.SetWert(u' ');
        fiko.RNr.SetWert(7);
        try {
            fiko.WriteRecord(wrdonInsert, 0);
            EXPECT_TRUE(c.accepted);
        } catch (const StoreError& e) {
            EXPECT_FALSE(c.accepted);
            EXPECT_EQ(e.Kind(), TStoreFailure::Constraint);
        }
    }
    // A setting deleted meanwhile (by another workstation) cannot get
    // assignments either: the row is checked when it is written.
    temp.Exec(u"DELETE FROM fikofile"_s);
    temp.Exec(u"DELETE FROM fidefile"_s);
    fiko.Bezeichnung.SetWert(u"EINS"_s);
    EXPECT_THROW(fiko.WriteRecord(wrdonInsert, 0), StoreError);
    EXPECT_EQ(temp.Count(u"SELECT count(*) FROM fikofile"_s), 0);
}

// A store location on the test server with another role, password or
// database than the temporary store's.
QString ServerLocation(const QString& of, const QString& user, const QString& password,
                       const QString& database)
{
    QUrl url(of);
    url.setUserName(user.isEmpty() ? url.userName() : user);
    url.setPassword(password);
    if (!database.isEmpty()) {
        url.setPath(QLatin1Char('/') + database);
    }
    return url.toString();
}

TEST(StoreFailures, EachFailureComesWithItsKindAGermanTextAndTheDriversText)
{
    QTemporaryDir dir;
    const QString garbage = dir.filePath(u"kein.sqlite"_s);
    {
        QFile f(garbage);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    TempStore temp;
    temp.Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('ABIL', 'EINS')"_s);
    const bool server = TestBackend::Postgres();
    const auto failureOf = [&](const std::function<void()>& work) -> StoreError {
        try {
            work();
        } catch (const StoreError& e) {
            return e;
        }
        ADD_FAILURE() << "no failure";
        return StoreError(QString());
    };
    const auto insertBig = [&] {
        QSqlQuery query(temp.Store().Database());
        query.prepare(u"INSERT INTO fidefile (Kennung, Bezeichnung, Einstellungen) VALUES ('ABIL', ?, ?)"_s);
        query.addBindValue(QUuid::createUuid().toString());
        query.addBindValue(QString(200000, u'x'));
        temp.Store().Run(query);
    };
    const auto readOnly = [&](bool on) {
        temp.Exec(server ? u"SET default_transaction_read_only = "_s + (on ? u"on"_s : u"off"_s)
                         : u"PRAGMA query_only = "_s + (on ? u"1"_s : u"0"_s));
    };
    // A role that may log in but not read the tables; roles belong to the
    // whole server, so it may be there from an earlier run.
    const auto withoutRights = [&] {
        temp.Exec(
            u"DO $$ BEGIN CREATE ROLE ohne_rechte LOGIN; EXCEPTION WHEN duplicate_object THEN NULL; END $$"_s);
        auto other = TStore::Open(ServerLocation(temp.Path(), u"ohne_rechte"_s, u"geheim"_s, {}));
        QSqlQuery query = other->Prepare(u"SELECT count(*) FROM fidefile"_s);
        other->Run(query);
    };
    // The one role the test server asks a password of (scripts/with-postgres.sh).
    const auto withPassword = [&](const QString& password) {
        temp.Exec(u"DO $$ BEGIN CREATE ROLE mit_passwort LOGIN; EXCEPTION WHEN duplicate_object THEN NULL; END $$"_s);
        temp.Exec(u"ALTER ROLE mit_passwort PASSWORD 'richtig'"_s);
        temp.Exec(u"GRANT SELECT ON ALL TABLES IN SCHEMA public TO mit_passwort"_s);
        return ServerLocation(temp.Path(), u"mit_passwort"_s, password, {});
    };
    enum Backend
    {
        Both,
        Sqlite,
        Postgres
    };
    const struct
    {
        const char* name;
        Backend backend;
        TStoreFailure kind;
        std::function<void()> work;
    } cases[] = {
        {"not a database", Sqlite, TStoreFailure::Damaged, [&] { TStore::Open(garbage); }},
        {"key taken", Both, TStoreFailure::Constraint,
         [&] { temp.Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('ABIL', 'EINS')"_s); }},
        {"read only", Both, TStoreFailure::ReadOnly,
         [&] {
             readOnly(true);
             const auto writable = qScopeGuard([&] { readOnly(false); });
             insertBig();
         }},
        {"disk full", Sqlite, TStoreFailure::Full,
         [&] {
             temp.Exec(u"PRAGMA max_page_count = "_s + QString::number(temp.Count(u"PRAGMA page_count"_s)));
             insertBig();
         }},
        {"busy", Both, TStoreFailure::Busy,
         [&] {
             const WaitLimit limit(200);
             const SecondWorkstation other(temp.Path(), 60000);
             TStoreTransaction transaction(temp.Store());
         }},
        {"database missing", Postgres, TStoreFailure::DatabaseMissing,
         [&] { TStore::Open(ServerLocation(temp.Path(), {}, u"geheim"_s, u"gibt_es_nicht"_s)); }},
        {"unknown role", Postgres, TStoreFailure::Authentication,
         [&] { TStore::Open(ServerLocation(temp.Path(), u"niemand"_s, u"geheim"_s, {})); }},
        {"wrong password", Postgres, TStoreFailure::Authentication,
         [&] { TStore::Open(withPassword(u"geheim"_s)); }},
        {"no password", Postgres, TStoreFailure::Authentication, [&] { TStore::Open(withPassword({})); }},
        {"no privileges", Postgres, TStoreFailure::NoPrivilege, withoutRights},
        {"statement timeout", Postgres, TStoreFailure::Timeout,
         [&] {
             temp.Exec(u"SET statement_timeout = 50"_s);
             const auto unlimited = qScopeGuard([&] { temp.Exec(u"SET statement_timeout = 0"_s); });
             temp.Exec(u"SELECT pg_sleep(2)"_s);
         }},
    };
    for (const auto& c : cases) {
        if ((c.backend == Sqlite && server) || (c.backend == Postgres && !server)) {
            continue;
        }
        SCOPED_TRACE(c.name);
        const StoreError e = failureOf(c.work);
        EXPECT_FALSE(e.Message().contains(u"geheim"_s) || e.DriverText().contains(u"geheim"_s))
            << "never a password";
        EXPECT_EQ(e.Kind(), c.kind);
        EXPECT_TRUE(e.Message().contains(StoreFailureText(c.kind))) << e.Message().toStdString();
        EXPECT_FALSE(StoreFailureText(c.kind).isEmpty());
        EXPECT_FALSE(e.DriverText().isEmpty());
        EXPECT_FALSE(e.Message().contains(u"Meldung "_s + QString::number(100 + int(c.kind))))
            << "the text is in the catalogue";
    }

    if (server) {
        // The password from the environment; the store's name never shows it.
        const QString location = withPassword({});
        qputenv("PGPASSWORD", "richtig");
        const auto unset = qScopeGuard([] { qunsetenv("PGPASSWORD"); });
        EXPECT_NO_THROW(TStore::Open(location));
        EXPECT_FALSE(TStore::Open(ServerLocation(temp.Path(), u"mit_passwort"_s, u"richtig"_s, {}))
                         ->Path()
                         .contains(u"richtig"_s));
    }

    // The user sees the German text; the driver's text is in the details.
    RecordingPresenter presenter;
    const StoreError e = failureOf(
        [&] { temp.Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('ABIL', 'EINS')"_s); });
    KRNInfo().RegisterException(u"Test"_s, e, true);
    ASSERT_EQ(presenter.Errors.size(), 1);
    EXPECT_EQ(presenter.Errors[0].Text, StoreFailureText(TStoreFailure::Constraint));
    EXPECT_TRUE(presenter.Errors[0].Details.contains(u"unique"_s, Qt::CaseInsensitive))
        << presenter.Errors[0].Details.toStdString();
}

TEST(StoreReports, AReportWaitsUntilTheUnitOfWorkHasEnded)
{
    TempStore temp;
    RecordingPresenter presenter;
    const WaitLimit limit(300);
    bool otherGotTheLock = false;
    presenter.WhileErrorShown = [&] {
        auto other = TStore::Open(temp.Path());
        other->BeginWrite();
        otherGotTheLock = true;
        other->Rollback();
    };
    {
        TStoreTransaction transaction(temp.Store());
        KRNInfo().RegisterException(u"Test.Loeschen"_s, KRNException(u"kaputt"_s), true);
        EXPECT_EQ(KRNInfo().ShowMeldung(mtNotice, 1020, u"ALLMANI"_s), mrOk);
        EXPECT_TRUE(presenter.Errors.isEmpty()) << "not while the write lock is held";
        EXPECT_TRUE(presenter.Meldungen.isEmpty());
    }
    ASSERT_EQ(presenter.Errors.size(), 1);
    EXPECT_EQ(presenter.Numbers(), QList<int>{1020});
    EXPECT_TRUE(otherGotTheLock);

    // Also after a commit.
    {
        TStoreTransaction transaction(temp.Store());
        KRNInfo().RegisterException(u"Test.Speichern"_s, KRNException(u"kaputt"_s), true);
        transaction.Commit();
        EXPECT_EQ(presenter.Errors.size(), 2);
    }
}
