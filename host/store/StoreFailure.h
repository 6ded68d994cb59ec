#pragma once

#include <QString>

// What went wrong in the record store, as far as the user can act on it.
// Each dialect maps its driver's codes to these kinds; the German text of
// each kind comes from the message catalogue.
enum class TStoreFailure : int
{
    Other = 0,
    Busy = 1,             // another workstation holds the store
    Full = 2,             // no room left on the medium
    ReadOnly = 3,         // the store or its directory cannot be written
    Damaged = 4,          // not a database, or damaged
    InputOutput = 5,      // the medium failed to read or write
    Constraint = 6,       // a rule of the store refused the change
    ConnectionLost = 7,   // a server connection ended
    CannotOpen = 8,       // the file cannot be opened at all
    Schema = 9,           // tables of another layout
    Location = 10,        // the path cannot be used as given
    Unreachable = 11,     // the server cannot be reached
    Authentication = 12,  // the server refused the user or password
    DatabaseMissing = 13, // the server has no such database
    NoPrivilege = 14,     // the user may not read or change the tables
    Timeout = 15,         // the server cancelled a statement that ran too long
};

// The catalogue text of a failure kind: what happened and what to do.
QString StoreFailureText(TStoreFailure kind);
