#pragma once

#include "host/core/Verlauf.h"

#include <QList>
#include <QString>

class TStore;

// What the window "Verlauf" asks for: the history filter plus who and where.
// Empty fields restrict nothing; values are compared exactly.
struct TVerlaufSuche
{
    TVerlaufFilter Filter;
    QString Benutzer;
    QString Arbeitsplatz;
};

// One page of the history, newest first: the entries of at most anzahl rows
// older than the row vorId (0: from the newest on; anzahl < 0: all of them).
// A row that lists many computers brings its entries all on one page, so a
// page holds at least as many entries as rows. Reading page after page with
// the last id of the previous one yields every entry once, whatever the
// store holds, without a count or an offset.
QList<TVerlaufEintrag> VerlaufSeite(TStore& store, const TVerlaufSuche& suche, qint64 vorId, int anzahl);
