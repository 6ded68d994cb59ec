#pragma once

#include <QString>

#include <initializer_list>

class QObject;

// Where the program may only read the store (see TStore::ReadOnlyReason).
// Why, in German; empty when the current store may be written.
QString KRNNurLesenGrund();
inline bool KRNNurLesen()
{
    return !KRNNurLesenGrund().isEmpty();
}
// Disables each editing control (widget or action) of a form on a store
// that may only be read, and its tool tip says why. Returns whether it did.
bool KRNSperrenWennNurLesen(std::initializer_list<QObject*> steuerelemente);
