#include "host/store/StoreFailure.h"

#include "host/KRNInfo.h"

QString StoreFailureText(TStoreFailure kind)
{
    return TKRNInfo::MeldungsText(100 + static_cast<int>(kind), QStringLiteral("DATENBESTAND"));
}
