#include "host/KRNContrast.h"

#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

double Linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

} // namespace

double KRNLuminance(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

double KRNContrastRatio(const QColor& a, const QColor& b)
{
    const double la = KRNLuminance(a);
    const double lb = KRNLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor KRNSetApart(const QColor& color, const QColor& other, double ratio)
{
    if (KRNContrastRatio(color, other) >= ratio) {
        return color;
    }
    const bool lighter = KRNContrastRatio(Qt::white, other) >= KRNContrastRatio(Qt::black, other);
    const QColor hsl = color.toHsl();
    const float hue = hsl.hslHueF();
    const float saturation = hsl.hslSaturationF();
    float lightness = hsl.lightnessF();
    // Steps of 1 %: the first lightness that reaches the ratio keeps as much
    // of the colour as possible.
    while (lighter ? lightness < 1.0F : lightness > 0.0F) {
        lightness = std::clamp(lightness + (lighter ? 0.01F : -0.01F), 0.0F, 1.0F);
        const QColor candidate = QColor::fromHslF(hue, saturation, lightness, hsl.alphaF()).toRgb();
        if (KRNContrastRatio(candidate, other) >= ratio) {
            return candidate;
        }
    }
    return lighter ? QColor(Qt::white) : QColor(Qt::black);
}

QColor KRNClearest(const QColor& background, std::initializer_list<QColor> candidates)
{
    QColor best;
    double bestRatio = 0.0;
    for (const QColor& candidate : candidates) {
        if (const double ratio = KRNContrastRatio(candidate, background); ratio > bestRatio) {
            best = candidate;
            bestRatio = ratio;
        }
    }
    return best;
}

QColor KRNMix(const QColor& a, const QColor& b, double share)
{
    const QColor x = a.toRgb();
    const QColor y = b.toRgb();
    const auto mix = [share](int p, int q) { return static_cast<int>(std::lround(p + (q - p) * share)); };
    return QColor(mix(x.red(), y.red()), mix(x.green(), y.green()), mix(x.blue(), y.blue()));
}

bool KRNIsDark(const QPalette& palette)
{
    return KRNLuminance(palette.color(QPalette::Base)) < KRNLuminance(palette.color(QPalette::Text));
}
