#include "host/core/KRNError.h"

QString KRNExceptionText(const std::exception& e)
{
    if (const auto* krn = dynamic_cast<const KRNException*>(&e)) {
        return krn->Message();
    }
    return QString::fromUtf8(e.what());
}
