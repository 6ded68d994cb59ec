#pragma once

#include "host/core/Verlauf.h"

#include <QString>

class TStore;

// The way back from the change history. Each restore is one unit of work,
// recorded like any other by the store, plus one entry of its own that says
// where it came from.

enum class TWiederherstellung
{
    Wiederhergestellt,
    Unveraendert, // the setting holds that version already; nothing written
    Abgelehnt,    // the overwrite question was answered No; nothing written
};

// Whether the entry holds a version of a setting that can be restored: a
// setting created or changed (its state after) or deleted (its last state).
bool FassungWiederherstellbar(const TVerlaufEintrag& eintrag);

// Writes the setting of the history entry back with its description and
// settings exactly as recorded. When the setting exists now with other
// values the user is asked first (outside the transaction); when it changed
// again between question and write, the user is asked again. Throws
// KRNException for an entry without a version, StoreError on failures.
TWiederherstellung FassungWiederherstellen(TStore& store, qint64 eintragId);

// Whether the entry is an assignment whose unit of work can be set back.
bool ArbeitseinheitZuruecksetzbar(const TVerlaufEintrag& eintrag);

// Sets the assignments of one unit of work back to what they were before
// it: re-adds those it removed and removes those it added, as far as they
// are not so already. Refused with a German KRNException, with nothing
// written, when a computer type or number would then serve two settings of
// a kind (the text names the computers and the settings holding them now)
// or when a setting to re-assign no longer exists. The number of
// assignments changed.
int ArbeitseinheitZuruecksetzen(TStore& store, const QString& arbeitseinheit);

