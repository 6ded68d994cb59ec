#pragma once

// What the dialogs share beyond the form frame (host/KRNFormFrame.h): the
// data module and failure reports of the calls they make.

#include "host/core/KRNInfo.h"

class TdtmKOMMFilter;

// The program-wide data module; throws when it does not exist.
TdtmKOMMFilter& FilterDataModule();

// Tells whether a failure was registered since it was made. The data module
// reports its own failures and returns normally; a caller that must not go
// on after an unanswered check asks this.
class TFehlerWatch
{
public:
    TFehlerWatch() : m_before(KRNInfo().RegisteredErrors().size()) {}
    bool Reported() const { return KRNInfo().RegisteredErrors().size() > m_before; }

private:
    qsizetype m_before;
};
