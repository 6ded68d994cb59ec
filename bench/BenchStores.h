#pragma once

// Where a benchmark keeps its stores: files in a temporary directory, or,
// given a PostgreSQL URI, databases beside the URI's database that the
// benchmark creates and drops (the role must be allowed to create
// databases). A copy of a closed store is a file copy or a database made
// from it as template.

#include "host/core/KRNError.h"
#include "host/store/PostgresAddress.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

class TBenchStores
{
public:
    // The location given on the command line (may be null), else
    // VELDRAKE_STORE, else VELDRAKE_TEST_PG (set by scripts/with-postgres.sh);
    // none of them: SQLite files.
    explicit TBenchStores(const char* argument)
        : m_server(argument ? QString::fromLocal8Bit(argument) : qEnvironmentVariable("VELDRAKE_STORE"))
    {
        if (m_server.isEmpty()) {
            m_server = qEnvironmentVariable("VELDRAKE_TEST_PG");
        }
        if (!m_server.isEmpty() && !IsPostgresAddress(m_server)) {
            throw KRNException(QStringLiteral("Keine PostgreSQL-URI: %1").arg(m_server));
        }
    }
    ~TBenchStores()
    {
        for (const QString& name : std::as_const(m_made)) {
            try {
                Admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
            } catch (const std::exception&) {
                // left for whoever owns the server
            }
        }
        if (QSqlDatabase::contains(AdminName())) {
            QSqlDatabase::database(AdminName()).close();
        }
        QSqlDatabase::removeDatabase(AdminName());
    }
    TBenchStores(const TBenchStores&) = delete;
    TBenchStores& operator=(const TBenchStores&) = delete;

    bool Postgres() const { return !m_server.isEmpty(); }
    QString Backend() const { return Postgres() ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite"); }

    // The location of a new, empty store.
    QString New(const QString& name) { return Make(name, QString()); }
    // The location of a copy of the closed store made under the name from.
    QString Copy(const QString& from, const QString& name) { return Make(name, from); }

private:
    static QString AdminName() { return QStringLiteral("veldrake-bench-admin"); }

    QString Make(const QString& name, const QString& from)
    {
        if (!Postgres()) {
            const QString path = m_dir.filePath(name + QStringLiteral(".sqlite"));
            if (!from.isEmpty() && !QFile::copy(m_dir.filePath(from + QStringLiteral(".sqlite")), path)) {
                throw KRNException(QStringLiteral("Kopie von %1 misslungen").arg(from));
            }
            return path;
        }
        const QString database = QStringLiteral("bench_") + name;
        Admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database));
        Admin(from.isEmpty() ? QStringLiteral("CREATE DATABASE %1").arg(database)
                             : QStringLiteral("CREATE DATABASE %1 TEMPLATE bench_%2").arg(database, from));
        m_made.prepend(database); // copies are dropped before their template
        QUrl url(m_server);
        url.setPath(QLatin1Char('/') + database);
        return url.toString();
    }

    void Admin(const QString& sql)
    {
        QSqlDatabase db;
        if (QSqlDatabase::contains(AdminName())) {
            db = QSqlDatabase::database(AdminName());
        } else {
            const TPostgresAddress address = ParsePostgresAddress(m_server);
            db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), AdminName());
            db.setPassword(address.Password);
            db.setConnectOptions(address.ConnectOptions());
            if (!db.open()) {
                throw KRNException(db.lastError().text());
            }
        }
        QSqlQuery query(db);
        if (!query.exec(sql)) {
            throw KRNException(query.lastError().text());
        }
    }

    QString m_server;
    QTemporaryDir m_dir;
    QStringList m_made;
};
