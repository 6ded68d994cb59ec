#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

class TBildKOMMFilter;

// What an image setting does to the images of one article or catalogue
// entry when they are passed on.
//
// Images are read and written with libvips: it shrinks JPEGs while decoding
// and streams the rest, resamples with a Lanczos kernel, keeps colour
// profiles and metadata, and fails on a cut-off file where Qt's reader
// returns a half-grey picture. Qt's image I/O is cheaper in CPU and memory;
// bench/bench_transfer measures both (figures in the README). libvips is
// reached through the image engine module (transfer/BildEngine.h), loaded
// the first time an image is processed.

struct TBildEinstellung
{
    bool BildLoeschen = false;    // "Bild nicht übertragen"
    bool OnlyFirstPicExp = false; // "Nur ein Bild (erstes Bild) übertragen"
    int GroesseBreite = 0;        // pixels, 0 = no limit
    int GroesseHoehe = 0;         // pixels, 0 = no limit
    int Qualitaetsverlust = 0;    // 0..255, 0 = quality unchanged

    static TBildEinstellung Von(const TBildKOMMFilter& filter);
    // From the values by name as a setting stores them; a missing or
    // unreadable value counts as cleared, one out of range as its nearest end.
    static TBildEinstellung AusWerten(const QJsonObject& werte);
};

// What the setting does to an image, in words: "höchstens 320 × 240 Pixel,
// nur das erste Bild, Qualität 61 %", "kein Bild", "Bilder unverändert".
QString BildEinstellungText(const TBildEinstellung& einstellung);

// JPEG quality written for a loss level above 0: 100 - level * 100 / 255,
// rounded; a level outside 0..255 counts as the nearest end.
int JpegQualitaet(int qualitaetsverlust);
// JPEG quality of a scaled image at loss level 0.
inline constexpr int kJpegQualitaetHoch = 95;

// One image of the entry: read from Pfad, or from Daten when Pfad is empty.
// Name is what results and failures are reported by.
struct TBildQuelle
{
    QString Name;
    QString Pfad;
    QByteArray Daten;
};

struct TBildErgebnis
{
    QString Name;     // the source's name; the suffix follows the format written
    QByteArray Daten; // the image file as passed on
    QString Format;   // "jpeg", "png", ... as written
    int Breite = 0;   // pixels, upright
    int Hoehe = 0;
    int Qualitaet = 0;         // JPEG quality written; 0 when not written as JPEG
    bool Unveraendert = false; // passed on byte for byte
};

struct TBildFehler
{
    QString Name;
    QString Meldung; // German
};

struct TBilderErgebnis
{
    QList<TBildErgebnis> Bilder;
    QList<TBildFehler> Fehler;
};

// The images of the entry the setting passes on, in order (none, only the
// first, or all).
QList<TBildQuelle> UebertrageneBilder(const TBildEinstellung& einstellung, const QList<TBildQuelle>& bilder);

// Applies the setting to one image. Throws KRNException with a German
// message naming the image when it cannot be read, and TBildEngineFehler
// (transfer/BildEngineLader.h) when the image processing cannot be loaded.
TBildErgebnis BildAnwenden(const TBildEinstellung& einstellung, const TBildQuelle& bild);

// Applies the setting to the images of one entry; a damaged image is
// reported in Fehler and the others go on. Throws TBildEngineFehler when
// the image processing cannot be loaded.
TBilderErgebnis BilderAnwenden(const TBildEinstellung& einstellung, const QList<TBildQuelle>& bilder);

// Loads and readies the image library once per process (TBildEngineFehler
// when it cannot); a worker that processes many images in parallel asks it
// to use one thread per image.
void BildBibliothekStarten(bool einThreadJeBild = false);
