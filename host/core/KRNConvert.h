#pragma once

#include <QChar>
#include <QString>

// Conversions between text and numbers as the forms use them.

// Integer value of a text: blanks around it are ignored, an optional sign,
// decimal digits only, within 32 bits. Anything else yields the default.
qint32 StrToIntDef(const QString& text, qint32 defaultValue);

// Real value of a text: blanks around it are ignored, an optional sign,
// digits with at most one decimal separator and an optional exponent
// ("12", "12,5", "12.5", "-0,25", "1e3"). The decimal separator is the
// German comma or the point, whatever the locale; group separators are not
// taken ("1.000,5" is unreadable, not 1000.5), nor are infinities, NaN or
// values beyond the range of a double. Anything unreadable yields the
// default.
double krn_StrToReal_Def(const QString& text, double defaultValue);

// Rounds to the nearest integer; an exact half goes to the even neighbour
// (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Independent of the floating-point
// rounding mode. NaN and infinities come back unchanged.
double krn_RoundHalfEven(double value);

// Compares two texts ignoring letter case.
bool SameText(const QString& a, const QString& b);

// Whether the character is one the edits never take: control characters,
// NUL, and the marks, overrides and isolates of text direction.
bool KRNVerbotenesZeichen(QChar c);
