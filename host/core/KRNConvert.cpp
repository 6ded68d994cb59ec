#include "host/core/KRNConvert.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

qint32 StrToIntDef(const QString& text, qint32 defaultValue)
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
    const QString trimmed = text.trimmed();
    if (!pattern.match(trimmed).hasMatch()) {
        return defaultValue;
    }
    bool ok = false;
    const qint32 value = QLocale::c().toInt(trimmed, &ok);
    return ok ? value : defaultValue;
}

double krn_StrToReal_Def(const QString& text, double defaultValue)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[+-]?([0-9]+([.,][0-9]*)?|[.,][0-9]+)([eE][+-]?[0-9]+)?$"));
    QString trimmed = text.trimmed();
    if (!pattern.match(trimmed).hasMatch()) {
        return defaultValue;
    }
    trimmed.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(trimmed, &ok);
    return ok && std::isfinite(value) ? value : defaultValue;
}

double krn_RoundHalfEven(double value)
{
    if (!std::isfinite(value)) {
        return value;
    }
    const double lower = std::floor(value);
    const double fraction = value - lower; // exact for every finite double
    if (fraction < 0.5) {
        return lower;
    }
    if (fraction > 0.5) {
        return lower + 1.0;
    }
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

bool SameText(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

bool KRNVerbotenesZeichen(QChar c)
{
    const char16_t u = c.unicode();
    return c.category() == QChar::Other_Control || u == 0x061C || u == 0x200E || u == 0x200F ||
           (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}
