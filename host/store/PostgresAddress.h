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

    // user@host:port/database, never the password.
    QString Display() const;
};

// Whether the text names a PostgreSQL store rather than a file.
bool IsPostgresUri(const QString& text);

// Reads the URI; throws StoreError with a German message when it cannot be
// read (the message never repeats a password).
TPostgresAddress ParsePostgresUri(const QString& uri);
