#include "TestBackend.h"

#include "host/core/KRNError.h"
#include "host/store/PostgresAddress.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>

namespace {

const QString kAdminConnection = QStringLiteral("veldrake-test-admin");

QString ServerUri()
{
    const QString uri = qEnvironmentVariable("VELDRAKE_TEST_PG");
    if (uri.isEmpty()) {
        throw KRNException(QStringLiteral("VELDRAKE_TEST_PG is not set: run the tests through "
                                          "scripts/with-postgres.sh"));
    }
    return uri;
}

// One connection to the server's maintenance database for the whole run.
QSqlDatabase Admin()
{
    if (QSqlDatabase::contains(kAdminConnection)) {
        return QSqlDatabase::database(kAdminConnection);
    }
    const TPostgresAddress address = ParsePostgresAddress(ServerUri());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kAdminConnection);
    db.setPassword(address.Password);
    db.setConnectOptions(address.ConnectOptions());
    if (!db.open()) {
        throw KRNException(db.lastError().text());
    }
    return db;
}

void AdminExec(const QString& sql)
{
    QSqlQuery query(Admin());
    if (!query.exec(sql)) {
        throw KRNException(query.lastError().text());
    }
}

} // namespace

bool TestBackend::Postgres()
{
    return qEnvironmentVariable("VELDRAKE_TEST_BACKEND") == QLatin1String("postgres");
}

QString TestBackend::NewLocation(const QString& dir)
{
    if (!Postgres()) {
        return QDir(dir).filePath(QStringLiteral("store.sqlite"));
    }
    return NewServerDatabase();
}

QString TestBackend::NewServerDatabase()
{
    if (qEnvironmentVariableIsEmpty("VELDRAKE_TEST_PG")) {
        return QString();
    }
    const QString name = QStringLiteral("t_") + QUuid::createUuid().toString(QUuid::Id128);
    AdminExec(QStringLiteral("CREATE DATABASE %1").arg(name));
    QUrl url(ServerUri());
    url.setPath(QLatin1Char('/') + name);
    return url.toString();
}

void TestBackend::Discard(const QString& location)
{
    if (!IsPostgresAddress(location)) {
        return;
    }
    // Only the databases this run made on the test server.
    const QString name = ParsePostgresAddress(location).Database();
    if (!name.startsWith(QLatin1String("t_"))) {
        return;
    }
    try {
        AdminExec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    } catch (const std::exception&) {
        // A database left behind goes with the throwaway server.
    }
}

bool TestBackend::MayRestartServer()
{
    return Postgres() && qEnvironmentVariable("VELDRAKE_TEST_PG_RESTART") == QLatin1String("1");
}

bool TestBackend::ServerCtl(const QString& action, QString& why)
{
    QStringList args =
        QProcess::splitCommand(qEnvironmentVariable("VELDRAKE_TEST_PG_CTL") + QLatin1Char(' ') + action);
    if (args.isEmpty()) {
        why = QStringLiteral("VELDRAKE_TEST_PG_CTL is not set");
        return false;
    }
    const QString program = args.takeFirst();
    QProcess ctl;
    ctl.start(program, args);
    if (!ctl.waitForFinished(60000) || ctl.exitCode() != 0) {
        why = QString::fromLocal8Bit(ctl.readAllStandardError());
        return false;
    }
    return true;
}
