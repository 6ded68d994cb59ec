#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

// Where a PostgreSQL store lives, read by libpq itself from either of its
// two forms: a connection URI (postgresql://user@db1:5432,db2:5432/veldrake
// ?target_session_attrs=read-write) or a key=value string (host=db1,db2
// port=5432 dbname=veldrake). Every parameter libpq read is handed to it
// again as it stands, so that several hosts, target_session_attrs and the
// rest keep their meaning. Passwords are left to libpq (~/.pgpass,
// PGPASSWORD, PGSERVICE); one given in the address is used but never shown.
struct TPostgresAddress
{
    // libpq's keywords with their values, in libpq's order; no password.
    QList<std::pair<QString, QString>> Parameters;
    QString Password;

    // The value of a keyword; empty when the address does not give it.
    QString Value(const QString& keyword) const;
    // The hosts in order (host, else hostaddr); one empty entry for libpq's
    // default (Unix socket or PGHOST).
    QStringList Hosts() const;
    QString User() const { return Value(QStringLiteral("user")); }
    QString Database() const { return Value(QStringLiteral("dbname")); }
    // Whether the address names the connection itself (application_name or
    // fallback_application_name).
    bool NamesApplication() const;
    // The parameters as key='value' for the driver's connect options, all
    // or without the keywords given.
    QStringList ConnectOptionList(const QStringList& without = {}) const;
    // All of them, separated by semicolons.
    QString ConnectOptions() const { return ConnectOptionList().join(QLatin1Char(';')); }

    // postgresql://user@db1:5432,db2:5432/database, sockets named after it
    // and target_session_attrs when given; never the password.
    QString Display() const;
};

// The name a workstation's connections carry on the server
// (application_name): "program user@host", at most the server's 63 bytes of
// UTF-8, cut between characters. Control characters and semicolons, which
// the driver's connect options cannot carry, become "?".
QString PostgresApplicationName(const QString& program, const QString& user, const QString& host);
// A value for the driver's connect options, quoted as libpq reads it.
QString PostgresOptionValue(const QString& value);

// Whether the text names a PostgreSQL store rather than a file: a
// postgresql:// or postgres:// URI, or libpq's key=value form (the text
// starts with a keyword and "="). A file whose name starts so is named with
// a folder in front ("./host=x.sqlite").
bool IsPostgresAddress(const QString& text);

// The version of the libpq this program runs with (160000 for 16.0; 0
// when it cannot be loaded).
int PostgresLibraryVersion();
// The server a connection of the driver reached (its handle()), as
// host:port; with several hosts in the address, the one libpq chose.
QString PostgresConnectedServer(const QVariant& handle);

// Reads the address; throws StoreError with a German message when it cannot
// be read (the message never repeats a password).
TPostgresAddress ParsePostgresAddress(const QString& address);
