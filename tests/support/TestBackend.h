#pragma once

#include <QString>

// Which store backend the tests run on. CTest runs the store, data-module,
// dialog, workflow and whole-program tests twice: on SQLite files and, with
// VELDRAKE_TEST_BACKEND=postgres, on fresh databases of the throwaway server
// that scripts/with-postgres.sh names in VELDRAKE_TEST_PG.
namespace TestBackend {

bool Postgres();

// A fresh, empty store location: a file path in the directory, or the URI
// of a new database on the test server. Throws when the server is missing.
QString NewLocation(const QString& dir);
// A new, empty database on the test server, whatever the backend of the
// run; empty when no server was started for the tests.
QString NewServerDatabase();
// Drops a database made by NewLocation (nothing for a file).
void Discard(const QString& location);

// Whether this test may stop and start the test server: only where CTest
// runs it alone (VELDRAKE_TEST_PG_RESTART, see tests/CMakeLists.txt).
bool MayRestartServer();
// Runs pg_ctl of the test server with the action ("stop -m fast -w");
// false, with pg_ctl's complaint in why, when it failed.
bool ServerCtl(const QString& action, QString& why);

} // namespace TestBackend

// Ends a test that only makes sense on SQLite files (file damage, pragmas,
// file names) when it runs on the server.
#define SKIP_UNLESS_SQLITE()                                                                                 \
    do {                                                                                                     \
        if (TestBackend::Postgres()) {                                                                       \
            GTEST_SKIP() << "only for the SQLite store";                                                     \
        }                                                                                                    \
    } while (false)
