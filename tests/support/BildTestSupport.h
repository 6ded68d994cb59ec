#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

// Real image files for the transfer tests, made with Qt's own writers so
// that they do not come from the library under test.

// A landscape picture: left half in `links`, right half in `rechts`, with a
// little gradient so that a JPEG has something to compress.
QImage TestBild(QSize size, QColor links = Qt::red, QColor rechts = Qt::blue);

QByteArray AlsJpeg(const QImage& image, int quality = 90);
QByteArray AlsPng(const QImage& image);

// The JPEG with an Exif orientation tag (1..8) put in after its start marker.
QByteArray MitOrientierung(const QByteArray& jpeg, int orientation);

// The quality a JPEG was written with by libjpeg's standard tables, read
// from its luminance table; 0 when the tables are not the standard ones.
int JpegQualitaetLesen(const QByteArray& jpeg);

QImage Lesen(const QByteArray& daten);
QSize Groesse(const QByteArray& daten);

void DateiSchreiben(const QString& pfad, const QByteArray& daten);
QByteArray DateiLesen(const QString& pfad);
