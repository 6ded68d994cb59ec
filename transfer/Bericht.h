#pragma once

#include "host/core/Rechner.h"
#include "transfer/Zuordnung.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class TStore;

// The report an auditor reads: which setting every computer gets and why,
// and what looks wrong.

struct TBerichtEinstellung
{
    QString Bezeichnung;
    QString Beschreibung;
    QJsonObject Werte;
    QString Wirkung; // the values in words
    QList<QChar> RTypen;
    QList<qint32> RNummern;
    QList<qint32> Bedient; // the computers it serves
};

// A computer type or number that more than one setting of a kind holds.
struct TBerichtDoppelt
{
    QChar RTyp = QLatin1Char(' ');
    qint32 RNr = 0;
    QStringList Bezeichnungen;
};

struct TBerichtArt
{
    QString Kennung;
    QString Name;
    bool Aktiv = false;
    QList<TBerichtEinstellung> Einstellungen;
    QMap<qint32, TBedienung> Bedienung; // per computer number
    // The checks (only for a kind switched on, except the last).
    QList<qint32> OhneEinstellung;  // computers served by no setting
    QList<QChar> TypUeberschrieben; // type assignments every computer of the type overrides
    QStringList Unbenutzt;          // settings that serve no computer
    QList<TBerichtDoppelt> Doppelt; // computers served twice (stores from before the rule)
};

struct TBericht
{
    QString Datenbestand;
    QString Programm;
    QDateTime Zeit; // UTC
    QList<TRechnerTyp> RechnerTypen;
    QList<TRechner> Rechner;
    QList<TBerichtArt> Arten;
};

// Reads the report from the store: every known filter kind, on or off.
TBericht BerichtLesen(TStore& store);
// One self-contained HTML page (no scripts, no remote resources) for the
// screen and for A4 paper.
QByteArray BerichtHtml(const TBericht& bericht);
QJsonObject BerichtJson(const TBericht& bericht);
