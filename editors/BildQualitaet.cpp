#include "editors/BildQualitaet.h"

#include "host/core/KRNConvert.h"

#include <algorithm>

namespace {

constexpr int MaxVerlust = 255;

} // namespace

int BildQualitaetProzent(int qualitaetsverlust)
{
    const int verlust = std::clamp(qualitaetsverlust, 0, MaxVerlust);
    // Exact for every whole level: no level lies halfway between two percentages.
    return static_cast<int>(krn_RoundHalfEven(100.0 - verlust * 100.0 / MaxVerlust));
}

int BildQualitaetsverlust(const QString& prozentText)
{
    const qint32 prozent = StrToIntDef(prozentText, 0);
    if (prozent <= 0 || prozent >= 100) {
        return 0;
    }
    const double x = std::clamp(krn_StrToReal_Def(prozentText, 0.0), 0.0, 100.0);
    // Multiply before dividing: for whole percentages the product is exact and
    // the one division is correctly rounded, so exact halves stay exact halves.
    const double verlust = krn_RoundHalfEven((100.0 - x) * MaxVerlust / 100.0);
    return static_cast<int>(std::clamp(verlust, 0.0, static_cast<double>(MaxVerlust)));
}
