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

// Where the previous page ended: its last entry (none: from the newest on).
struct TVerlaufStelle
{
    qint64 Id = 0;
    int Stelle = -1;
    TVerlaufStelle() = default;
    explicit TVerlaufStelle(const TVerlaufEintrag& letzte) : Id(letzte.Id), Stelle(letzte.Stelle) {}
};

// One page of the history, newest first: at most anzahl entries after the
// entry vor (anzahl < 0: all of them); the entries of a row that lists many
// computers come in the order of its list and may span pages. Reading page
// after page from the last entry of the previous one yields every entry
// once, whatever the store holds, without a count or an offset.
QList<TVerlaufEintrag> VerlaufSeite(TStore& store, const TVerlaufSuche& suche, const TVerlaufStelle& vor, int anzahl);
