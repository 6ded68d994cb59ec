#pragma once

#include "host/core/KRNError.h"

#include <QList>
#include <QString>

class TStore;

// The target of a copy already holds rows; nothing was copied.
class TStoreCopyRefused : public KRNException
{
public:
    using KRNException::KRNException;
};

struct TStoreCopyCount
{
    QString Table;
    int Rows = 0;
};

// Copies every table of the source store (the host's computer tables
// included) into an empty target store, as one unit of work on the target,
// and compares both row for row before committing. Throws
// TStoreCopyRefused when the target is not empty and StoreError when a
// store fails or the comparison finds a difference; the target then holds
// nothing of the copy.
QList<TStoreCopyCount> CopyStore(TStore& source, TStore& target);
