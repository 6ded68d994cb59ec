#include "host/store/StoreFailure.h"

#include "host/core/KRNMeldungen.h"

QString StoreFailureText(TStoreFailure kind)
{
    return KRNMeldungsText(100 + static_cast<int>(kind), QStringLiteral("DATENBESTAND"));
}
