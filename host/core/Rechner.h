#pragma once

#include <QChar>
#include <QList>
#include <QString>

class TStore;

// The computers known to the host: computer types (one character each) and
// computer numbers, kept in the store's tables rechnertyp and rechner.

struct TRechnerTyp
{
    QChar RTyp;
    QString Name;
};

struct TRechner
{
    qint32 RNr = 0;
    QString Name;
    QChar RTyp = QLatin1Char(' ');
    bool Master = false; // the computer that receives the data of its site
};

// Computer types in character order. Rows whose type is not exactly one
// character other than blank are left out.
QList<TRechnerTyp> ReadRechnerTypen(TStore& store);

// Computer numbers in ascending order, only masters when asked. Rows whose
// number is not in 1..2147483647 are left out; a type that is not one
// character reads as blank.
QList<TRechner> ReadRechner(TStore& store, bool onlyMaster);

struct TRechnerImport
{
    int RTypCount = 0;
    int RNrCount = 0;
};

// Imports computer types and numbers from UTF-8 text, one record a line,
// fields separated by ';' (a field may be quoted with "), '#' starting a
// comment line:
//   Rechnertyp;<type>;<name>
//   Rechner;<number>;<name>;<type>[;<master 0 or 1>]
// A type is exactly one character other than blank, a number lies in
// 1..2147483647, and a computer's type must be in the file or the store.
// Existing entries with the same key are overwritten. All or nothing: the
// first bad line throws KRNException naming the source and line, and
// nothing is written.
TRechnerImport ImportComputersCsv(TStore& store, const QString& path);
TRechnerImport ImportComputersCsvText(TStore& store, const QString& text, const QString& source);

// Writes the demo installation's sample computers, but only into a store
// whose computer tables are both empty. Returns whether it wrote them.
bool SeedDemoComputers(TStore& store);
