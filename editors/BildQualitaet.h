#pragma once

#include <QString>

// The image quality as the editor shows it (a percentage, 100 = unchanged)
// and as the filter object stores it (a loss level from 0 to 255,
// 0 = unchanged).

// Percentage shown for a stored loss level: 100 - level * 100 / 255,
// rounded. A level outside 0..255 is taken as the nearest end.
int BildQualitaetProzent(int qualitaetsverlust);

// Loss level stored for the text of the quality edit. An empty, zero or
// unreadable text and 100 mean "unchanged" (level 0); so does a percentage
// outside 1..99, which the edit never produces. Otherwise the level is
// (100 - percent) / 100 * 255 rounded with exact halves to the even
// neighbour, always within 0..255.
int BildQualitaetsverlust(const QString& prozentText);
