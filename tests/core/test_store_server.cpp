// The server store when the server goes away: the server is stopped while a
// unit of work is open and started again. Stopping the shared test server
// disturbs every other test, so this runs only where CTest runs it alone
// (VELDRAKE_TEST_PG_RESTART, see tests/CMakeLists.txt).
#include "TempStore.h"
#include "TestBackend.h"

#include "host/core/DBFile.h"
#include "host/core/KRNError.h"
#include "host/store/PostgresAddress.h"
#include "host/store/PostgresDialect.h"

#include <QCoreApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUrl>
#include <QUrlQuery>

#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

void ServerCtl(const QString& action)
{
    QString why;
    ASSERT_TRUE(TestBackend::ServerCtl(action, why)) << why.toStdString();
}

void Insert(Tfidefile& fide, const QString& bezeichnung)
{
    fide.Kennung.SetWert(u"ABIL"_s);
    fide.Bezeichnung.SetWert(bezeichnung);
    fide.WriteRecord(wrdonInsert, 0);
}

TStoreFailure FailureOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.Message().contains(StoreFailureText(e.Kind()))) << e.Message().toStdString();
        return e.Kind();
    }
    ADD_FAILURE() << "no failure";
    return TStoreFailure::Other;
}

TEST(StoreServer, AStoppedServerIsReportedAndTheNextActionAfterItsStartReconnects)
{
    if (!TestBackend::MayRestartServer()) {
        GTEST_SKIP() << "stops the test server: run alone on the PostgreSQL store";
    }
    TempStore store;
    Tfidefile fide;
    fide.OpenNew(-1);
    Insert(fide, u"VORHER"_s);

    // The server goes while a unit of work is open: the booking fails whole
    // with the lost connection as its reason.
    EXPECT_EQ(FailureOf([&] {
                  TStoreTransaction transaction(store.Store());
                  Insert(fide, u"HALB"_s);
                  ServerCtl(u"stop -m fast -w"_s);
                  Insert(fide, u"DANACH"_s);
                  transaction.Commit();
              }),
              TStoreFailure::ConnectionLost);
    EXPECT_FALSE(store.Store().InTransaction());
    // While it is away, each action tries again and says so.
    EXPECT_EQ(FailureOf([&] { fide.ReadFirst(); }), TStoreFailure::Unreachable);

    ServerCtl(u"start -w"_s);
    Insert(fide, u"NEU"_s);
    EXPECT_EQ(store.Count(u"SELECT count(*) FROM fidefile"_s), 2);
    EXPECT_EQ(store.Count(u"SELECT count(*) FROM fidefile WHERE Bezeichnung IN ('VORHER', 'NEU')"_s), 2)
        << "nothing of the lost unit of work, everything before it";
}

// Booking clients killed at random moments leave the server store whole
// (the SQLite file gets the same check from the StoreCrash test).
TEST(StoreServer, KilledBookingClientsLeaveTheStoreWhole)
{
    if (!TestBackend::Postgres()) {
        GTEST_SKIP() << "the file store has its own crash test";
    }
    TempStore store;
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral(VELDRAKE_STORE_TOOL), {u"10"_s, store.Path()});
    ASSERT_TRUE(tool.waitForFinished(100000));
    const QString output = QString::fromLocal8Bit(tool.readAll());
    EXPECT_EQ(tool.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(u"store whole after each kill"_s)) << output.toStdString();
}

// What the test server cannot bring about (it listens on a socket only and
// asks one role for a password): the server's codes and libpq's texts of a
// connection that failed, each with its kind, as libpq writes them.
TEST(StoreServer, ServerFailuresAreClassifiedByCodeOrByLibpqsText)
{
    const struct
    {
        const char* code;
        const char* text;
        TStoreFailure kind;
    } cases[] = {
        {"28P01", "FATAL:  password authentication failed for user \"veldrake\"",
         TStoreFailure::Authentication},
        {"",
         "connection to server at \"db\" (10.0.0.1), port 5432 failed: FATAL:  password authentication "
         "failed",
         TStoreFailure::Authentication},
        {"", "fe_sendauth: no password supplied", TStoreFailure::Authentication},
        {"",
         "connection to server on socket \"/tmp/.s.PGSQL.5432\" failed: FATAL:  role \"x\" does not exist",
         TStoreFailure::Authentication},
        {"", "FATAL:  database \"fehlt\" does not exist", TStoreFailure::DatabaseMissing},
        {"", "connection to server at \"db\" (10.0.0.1), port 5432 failed: Connection refused",
         TStoreFailure::Unreachable},
        {"", "could not translate host name \"db\" to address: Name or service not known",
         TStoreFailure::Unreachable},
        {"", "server closed the connection unexpectedly", TStoreFailure::ConnectionLost},
        {"", "could not send data to server: Broken pipe", TStoreFailure::ConnectionLost},
        {"", "could not receive data from server: Connection reset by peer", TStoreFailure::ConnectionLost},
        {"", "SSL connection has been closed unexpectedly", TStoreFailure::ConnectionLost},
        {"57P01", "FATAL:  terminating connection due to administrator command",
         TStoreFailure::ConnectionLost},
        {"57014", "ERROR:  canceling statement due to statement timeout", TStoreFailure::Timeout},
        {"55P03", "ERROR:  canceling statement due to lock timeout", TStoreFailure::Busy},
        {"40001", "ERROR:  could not serialize access", TStoreFailure::Busy},
        {"42501", "ERROR:  permission denied for table fidefile", TStoreFailure::NoPrivilege},
        {"23505", "ERROR:  duplicate key value violates unique constraint", TStoreFailure::Constraint},
        {"25006", "ERROR:  cannot execute INSERT in a read-only transaction", TStoreFailure::ReadOnly},
    };
    const TPostgresDialect dialect;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const QSqlError error(QString::fromUtf8(c.text), {}, QSqlError::StatementError,
                              QString::fromLatin1(c.code));
        EXPECT_EQ(dialect.Classify(error), c.kind);
    }
}

// The name of a connection stays within the server's 63 bytes, is cut
// between characters and carries nothing that would end a connect option.
TEST(StoreServer, TheConnectionNameIsCutBetweenCharactersAndCarriesNoSeparators)
{
    const QString ue(20, u'ü');
    const QString smiley = u"😀"_s;
    const struct
    {
        QString program, user, host, expected;
    } cases[] = {
        {u"veldrake"_s, u"benutzer"_s, u"rechnername"_s, u"veldrake benutzer@rechnername"_s},
        {u"veldrake-admin"_s, {}, u"rechner"_s, u"veldrake-admin rechner"_s},
        {u"veldrake"_s, u"a;b\nc'd\\"_s, u"h"_s, u"veldrake a?b?c'd\\@h"_s},
        // 8 bytes and 27 times two: 62; a 28th "ü" would make 64
        {u"veldrak"_s, ue + ue, u"x"_s, u"veldrak "_s + ue + ue.left(7)},
        {QString(60, u'p'), smiley, u"h"_s, QString(60, u'p') + u' '},
        {QString(58, u'p'), smiley, u"h"_s, QString(58, u'p') + u' ' + smiley},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        const QString name = PostgresApplicationName(c.program, c.user, c.host);
        EXPECT_EQ(name, c.expected);
        EXPECT_LE(name.toUtf8().size(), 63);
    }
}

// Each workstation's connections name the program, the user and the
// workstation, unless the store's address names them itself; a quote or a
// backslash in the name does not break the connect options.
TEST(StoreServer, ConnectionsNameTheProgramTheUserAndTheWorkstation)
{
    if (!TestBackend::Postgres()) {
        GTEST_SKIP() << "needs the test server";
    }
    const QString before = QCoreApplication::applicationName();
    const auto restore = qScopeGuard([&] { QCoreApplication::setApplicationName(before); });
    QCoreApplication::setApplicationName(u"it's; \\prog"_s);
    const passwd* login = getpwuid(geteuid());
    ASSERT_NE(login, nullptr);
    const QString expected =
        (u"it's? \\prog "_s + QString::fromLocal8Bit(login->pw_name) + u'@' + QSysInfo::machineHostName())
            .left(63);

    const auto named = [](TStore& store) {
        QSqlQuery setting = store.Query(u"SELECT current_setting('application_name')"_s);
        QSqlQuery listed =
            store.Query(u"SELECT application_name FROM pg_stat_activity WHERE pid = pg_backend_pid()"_s);
        EXPECT_TRUE(setting.next() && listed.next());
        EXPECT_EQ(setting.value(0).toString(), listed.value(0).toString());
        return setting.value(0).toString();
    };
    TempStore store;
    EXPECT_EQ(named(store.Store()), expected);

    for (const QString& key : {u"application_name"_s, u"fallback_application_name"_s}) {
        QUrl own(store.Path());
        QUrlQuery query(own);
        query.addQueryItem(key, u"eigener Name"_s);
        own.setQuery(query);
        EXPECT_EQ(named(*TStore::Open(own.toString(QUrl::FullyEncoded))), u"eigener Name"_s)
            << key.toStdString();
    }
}

} // namespace
