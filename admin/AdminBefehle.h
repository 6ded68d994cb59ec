#pragma once

#include <QStringList>

// Exit codes of veldrake-admin; scripts may rely on them.
enum TExitCode : int
{
    exOk = 0,           // done
    exBildFehler = 1,   // done, but some images could not be read (named on stderr)
    exUnterschiede = 1, // import --dry-run: something would change (as diff)
    exAufruf = 2,       // wrong command line
    exEingabe = 3,      // input refused: bad computer list, unknown computer or type, no images
    exDatenbestand = 4, // the store cannot be opened or read
    exAusgabe = 5,      // the output cannot be written
    exBildmodul = 6,    // the image processing cannot be loaded or started (installation incomplete)
};

// Runs one command line (without the program name) and returns its exit
// code. Output goes to stdout, messages to stderr.
int AdminAusfuehren(const QStringList& argumente);

QString AdminHilfe();
