#include "BildTestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <array>
#include <stdexcept>

namespace {

// libjpeg's luminance table (Annex K) in natural order, and the zigzag
// order in which a DQT segment lists it.
constexpr std::array<int, 64> kLuminanz = {
    16, 11,  10,  16, 24, 40, 51, 61, 12,  12,  14,  19,  26, 58, 60, 55,  14,  13,  16,  24, 40, 57,
    69, 56,  14,  17, 22, 29, 51, 87, 80,  62,  18,  22,  37, 56, 68, 109, 103, 77,  24,  35, 55, 64,
    81, 104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98,  112, 100, 103, 99};
constexpr std::array<int, 64> kZickzack = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                           12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                           35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                           58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

int Tabellenwert(int standard, int quality)
{
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    return std::clamp((standard * scale + 50) / 100, 1, 255);
}

QByteArray Schreiben(const QImage& image, const char* format, int quality)
{
    QByteArray daten;
    QBuffer buffer(&daten);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image)) {
        throw std::runtime_error(writer.errorString().toStdString());
    }
    return daten;
}

} // namespace

QImage TestBild(QSize size, QColor links, QColor rechts)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient verlauf(0, 0, 0, size.height());
    verlauf.setColorAt(0, links.lighter(130));
    verlauf.setColorAt(1, links.darker(130));
    painter.fillRect(QRect(0, 0, size.width() / 2, size.height()), verlauf);
    painter.fillRect(QRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height()), rechts);
    painter.end();
    return image;
}

QByteArray AlsJpeg(const QImage& image, int quality)
{
    return Schreiben(image, "jpeg", quality);
}

QByteArray AlsPng(const QImage& image)
{
    return Schreiben(image, "png", -1);
}

QByteArray MitOrientierung(const QByteArray& jpeg, int orientation)
{
    // Exif header, then a little-endian TIFF with one IFD entry: 0x0112
    // (Orientation), SHORT, count 1, the value.
    QByteArray exif("Exif\0\0", 6);
    const char tiff[] = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, char(orientation),
                         0,   0,   0,  0, 0, 0, 0};
    exif.append(tiff, sizeof(tiff));
    QByteArray segment("\xFF\xE1", 2);
    const int laenge = int(exif.size()) + 2;
    segment.append(char(laenge >> 8));
    segment.append(char(laenge & 0xFF));
    segment.append(exif);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

int JpegQualitaetLesen(const QByteArray& jpeg)
{
    const auto byte = [&jpeg](qsizetype i) { return static_cast<unsigned char>(jpeg[i]); };
    for (qsizetype i = 2; i + 4 < jpeg.size();) {
        if (byte(i) != 0xFF) {
            return 0;
        }
        const int marker = byte(i + 1);
        const int laenge = byte(i + 2) << 8 | byte(i + 3);
        if (marker == 0xDB && byte(i + 4) == 0) { // 8-bit table 0: luminance
            for (int quality = 1; quality <= 100; ++quality) {
                bool gleich = true;
                for (int k = 0; k < 64 && gleich; ++k) {
                    gleich = byte(i + 5 + k) == Tabellenwert(kLuminanz[kZickzack[k]], quality);
                }
                if (gleich) {
                    return quality;
                }
            }
            return 0;
        }
        i += 2 + laenge;
    }
    return 0;
}

QImage Lesen(const QByteArray& daten)
{
    QImage image;
    image.loadFromData(daten);
    return image;
}

QSize Groesse(const QByteArray& daten)
{
    QBuffer buffer;
    buffer.setData(daten);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    return reader.read().size();
}

void DateiSchreiben(const QString& pfad, const QByteArray& daten)
{
    QFile file(pfad);
    if (!file.open(QIODevice::WriteOnly) || file.write(daten) != daten.size()) {
        throw std::runtime_error(pfad.toStdString());
    }
}

QByteArray DateiLesen(const QString& pfad)
{
    QFile file(pfad);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
