#include "dialogs/DialogSupport.h"

#include "data/MainDM.h"
#include "host/core/KRNError.h"

TdtmKOMMFilter& FilterDataModule()
{
    if (!dtmKOMMFilter) {
        throw KRNException(QStringLiteral("Das Datenmodul ist nicht angelegt."));
    }
    return *dtmKOMMFilter;
}
