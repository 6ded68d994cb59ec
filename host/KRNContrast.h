#pragma once

#include <QColor>

#include <initializer_list>

class QPalette;

// Colours the program draws itself, fitted to the palette so that text keeps
// its contrast in a light, a dark or a high-contrast theme. Contrast is the
// ratio of relative luminances, (lighter + 0.05) / (darker + 0.05), from 1
// (equal) to 21 (black on white).

inline constexpr double KRNTextContrast = 4.5;    // text on its background
inline constexpr double KRNControlContrast = 3.0; // a frame, or the text of a disabled entry

double KRNLuminance(const QColor& color);
double KRNContrastRatio(const QColor& a, const QColor& b);

// The colour itself when it stands out from the other by the ratio; else
// the colour made lighter or darker (towards the side with more room) until
// it does; black or white when even that is not enough.
QColor KRNSetApart(const QColor& color, const QColor& other, double ratio = KRNTextContrast);

// Of the candidates, the one that stands out most from the background.
QColor KRNClearest(const QColor& background, std::initializer_list<QColor> candidates);

// a and b mixed; share 0 gives a, 1 gives b.
QColor KRNMix(const QColor& a, const QColor& b, double share);

// A palette whose base is darker than its text (a dark or high-contrast theme).
bool KRNIsDark(const QPalette& palette);
