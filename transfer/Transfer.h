#pragma once

#include "host/core/Rechner.h"
#include "transfer/BildVerarbeitung.h"
#include "transfer/Zuordnung.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Passes the images of one entry on to a set of computers: each computer
// gets its own output folder with the images as the setting of the kind
// that serves it leaves them. Computers served by the same setting share
// the work: every image is processed once per distinct setting and the
// result is linked (or copied) into the other computers' folders.

struct TTransferAuftrag
{
    QString Kennung;         // filter kind
    QList<TRechner> Rechner; // target computers
    QStringList Bilder;      // image files of the entry, in order
    QString Ausgabe;         // each computer gets Ausgabe/<RNr>/
    int Threads = 0;         // 0: one per core
    // Told how many images are processed, now and then while they are and
    // once at the end (on the calling thread).
    std::function<void(int erledigt, int gesamt)> Fortschritt;
};

struct TTransferRechner
{
    TRechner Rechner;
    TBedienung Bedienung;
    QStringList Bilder; // file names written to its folder
};

struct TTransferErgebnis
{
    QList<TTransferRechner> Rechner;
    QList<TBildFehler> Fehler; // each damaged image once per setting
    int Einstellungen = 0;     // distinct ways the images were passed on
    int Verarbeitet = 0;       // images processed (not linked)
};

// Runs the job. Throws KRNException when an output folder cannot be made or
// written.
TTransferErgebnis Uebertragen(const TTransferAuftrag& auftrag);

// The image files of a folder in name order (files only, hidden ones left
// out).
QStringList BilderImOrdner(const QString& ordner);
