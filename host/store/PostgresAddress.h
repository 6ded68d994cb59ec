#pragma once

#include <QString>

#include <optional>

// Where a PostgreSQL store lives, read from a connection URI of the form
// postgresql://user@host:port/database?sslmode=require (the libpq form).
// Passwords are left to libpq (~/.pgpass, PGPASSWORD, PGSERVICE); one given
// in the URI is used but never shown.
struct TPostgresAddress
{
    QString Host; // empty: libpq's default (Unix socket or PGHOST)
    int Port = -1;
    QString User;
    QString Password;
    QString Database;
    // The URI's query parameters as libpq keywords, for the driver's
    // connect options ("key='value';key='value'").
    QString ConnectOptions;
    // Whether the URI names the connection itself (application_name or
    // fallback_application_name).
    bool NamesApplication = false;

    // user@host:port/database, never the password.
    QString Display() const;
};

// The name a workstation's connections carry on the server
// (application_name): "program user@host", at most the server's 63 bytes of
// UTF-8, cut between characters. Control characters and semicolons, which
// the driver's connect options cannot carry, become "?".
QString PostgresApplicationName(const QString& program, const QString& user, const QString& host);
// A value for the driver's connect options, quoted as libpq reads it.
QString PostgresOptionValue(const QString& value);

// Whether the text names a PostgreSQL store rather than a file.
bool IsPostgresUri(const QString& text);

// Reads the URI; throws StoreError with a German message when it cannot be
// read (the message never repeats a password).
TPostgresAddress ParsePostgresUri(const QString& uri);
