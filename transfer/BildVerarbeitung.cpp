#include "transfer/BildVerarbeitung.h"

#include "host/core/KOMMFilter.h"
#include "host/core/KRNError.h"
#include "transfer/BildEngine.h"
#include "transfer/BildEngineLader.h"

#include <QStringList>

#include <algorithm>
#include <limits>

namespace {

TBildEngine& Engine()
{
    static TBildEngineLader lader(TBildEngineLader::StandardPfad());
    return lader.Engine();
}

// The quality a JPEG is written with when it is written anew.
int SchreibQualitaet(const TBildEinstellung& einstellung)
{
    // The writer's lowest quality is 1.
    return einstellung.Qualitaetsverlust > 0 ? std::max(1, JpegQualitaet(einstellung.Qualitaetsverlust))
                                             : kJpegQualitaetHoch;
}

} // namespace

TBildEinstellung TBildEinstellung::Von(const TBildKOMMFilter& filter)
{
    TBildEinstellung einstellung;
    einstellung.BildLoeschen = filter.BildLoeschen;
    einstellung.OnlyFirstPicExp = filter.OnlyFirstPicExp;
    einstellung.GroesseBreite = std::max(0, filter.GroesseBreite);
    einstellung.GroesseHoehe = std::max(0, filter.GroesseHoehe);
    einstellung.Qualitaetsverlust = std::clamp(filter.Qualitaetsverlust, 0, 255);
    return einstellung;
}

TBildEinstellung TBildEinstellung::AusWerten(const QJsonObject& werte)
{
    const auto zahl = [&werte](const char* name, int hoechstens) {
        return int(std::clamp(werte.value(QLatin1String(name)).toDouble(0.0), 0.0, double(hoechstens)));
    };
    TBildEinstellung einstellung;
    einstellung.BildLoeschen = werte.value(QLatin1String("BildLoeschen")).toBool(false);
    einstellung.OnlyFirstPicExp = werte.value(QLatin1String("OnlyFirstPicExp")).toBool(false);
    einstellung.GroesseBreite = zahl("GroesseBreite", std::numeric_limits<qint32>::max());
    einstellung.GroesseHoehe = zahl("GroesseHoehe", std::numeric_limits<qint32>::max());
    einstellung.Qualitaetsverlust = zahl("Qualitaetsverlust", 255);
    return einstellung;
}

QString BildEinstellungText(const TBildEinstellung& e)
{
    if (e.BildLoeschen) {
        return QStringLiteral("kein Bild");
    }
    QStringList teile;
    if (e.GroesseBreite > 0 && e.GroesseHoehe > 0) {
        teile << QStringLiteral("höchstens %1 × %2 Pixel").arg(e.GroesseBreite).arg(e.GroesseHoehe);
    } else if (e.GroesseBreite > 0) {
        teile << QStringLiteral("höchstens %1 Pixel breit").arg(e.GroesseBreite);
    } else if (e.GroesseHoehe > 0) {
        teile << QStringLiteral("höchstens %1 Pixel hoch").arg(e.GroesseHoehe);
    }
    if (e.OnlyFirstPicExp) {
        teile << QStringLiteral("nur das erste Bild");
    }
    if (e.Qualitaetsverlust > 0) {
        teile << QStringLiteral("Qualität %1 %").arg(JpegQualitaet(e.Qualitaetsverlust));
    }
    return teile.isEmpty() ? QStringLiteral("Bilder unverändert") : teile.join(QStringLiteral(", "));
}

int JpegQualitaet(int qualitaetsverlust)
{
    const int verlust = std::clamp(qualitaetsverlust, 0, 255);
    // 100 - v*100/255 = (25500 - 100v) / 255, rounded half up; no exact half
    // occurs since 255 is odd.
    return (2 * (25500 - 100 * verlust) + 255) / 510;
}

void BildBibliothekStarten(bool einThreadJeBild)
{
    const QString fehler = Engine().Starten(einThreadJeBild);
    if (!fehler.isEmpty()) {
        throw TBildEngineFehler(fehler);
    }
}

QList<TBildQuelle> UebertrageneBilder(const TBildEinstellung& einstellung, const QList<TBildQuelle>& bilder)
{
    if (einstellung.BildLoeschen) {
        return {};
    }
    if (einstellung.OnlyFirstPicExp) {
        return bilder.mid(0, 1);
    }
    return bilder;
}

TBildErgebnis BildAnwenden(const TBildEinstellung& einstellung, const TBildQuelle& bild)
{
    BildBibliothekStarten();
    TBildErgebnis ergebnis;
    const QString fehler = Engine().Anwenden(einstellung, SchreibQualitaet(einstellung), bild, ergebnis);
    if (!fehler.isEmpty()) {
        throw KRNException(fehler);
    }
    return ergebnis;
}

TBilderErgebnis BilderAnwenden(const TBildEinstellung& einstellung, const QList<TBildQuelle>& bilder)
{
    const QList<TBildQuelle> uebertragen = UebertrageneBilder(einstellung, bilder);
    // Without the engine no image can be processed: that ends the entry
    // instead of being told once per image.
    if (!uebertragen.isEmpty()) {
        BildBibliothekStarten();
    }
    TBilderErgebnis result;
    for (const TBildQuelle& bild : uebertragen) {
        try {
            result.Bilder.append(BildAnwenden(einstellung, bild));
        } catch (const KRNException& e) {
            result.Fehler.append(TBildFehler{bild.Name, e.Message()});
        }
    }
    return result;
}
