#include "dialogs/DialogSupport.h"

#include "data/MainDM.h"
#include "host/KRNError.h"

TdtmKOMMFilter& FilterDataModule()
{
    if (!dtmKOMMFilter) {
        throw KRNException(QStringLiteral("Das Datenmodul ist nicht angelegt."));
    }
    return *dtmKOMMFilter;
}
