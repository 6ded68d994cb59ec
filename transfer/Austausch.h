#pragma once

#include "host/core/KRNError.h"
#include "host/core/Rechner.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

class TStore;

// Settings that move between installations: the exchange document
// (docs/exchange-format.md) and its import.
//
// A document holds, per filter kind, the activity, the saved settings with
// their description and values by name, and their assignments; optionally
// the host's computer tables. Its order and layout are fixed, so that two
// exports of the same content are equal byte for byte.

inline constexpr int kAustauschFassung = 1; // the version this build writes and reads
QString AustauschFormat();                  // the format name in the document

struct TAustauschEinstellung
{
    QString Bezeichnung;
    QString Beschreibung;
    QJsonObject Werte;      // the settings by name
    QList<QChar> RTypen;    // assigned computer types, in character order
    QList<qint32> RNummern; // assigned computer numbers, ascending
};

struct TAustauschArt
{
    QString Kennung;
    bool Aktiv = false;
    QList<TAustauschEinstellung> Einstellungen; // by name, in code-point order
};

struct TAustausch
{
    QString Programm;     // program and version that wrote it
    QString Datenbestand; // the store it came from, as shown
    QList<TAustauschArt> Arten;
    bool MitRechnern = false; // the computer tables below are part of it
    QList<TRechnerTyp> RechnerTypen;
    QList<TRechner> Rechner;
};

// A document or a mapping that is refused; the text names the place.
class TAustauschFehler : public KRNException
{
public:
    using KRNException::KRNException;
};

// The filter kinds this build knows, in key order.
QStringList AustauschArten();

// The named kinds (every known kind when none is named) as the store holds
// them. An unknown kind throws TAustauschFehler.
TAustausch AustauschLesen(TStore& store, const QStringList& kennungen, bool mitRechnern);
// The document as UTF-8 text.
QByteArray AustauschText(const TAustausch& austausch);
// Reads a document. Malformed JSON, another format, a newer version, an
// unknown kind, a value out of range or a name the edits could not take
// throw TAustauschFehler naming the place (line and column, or the path
// within the document); quelle names the file.
TAustausch AustauschParsen(const QByteArray& text, const QString& quelle);

// Computer types and numbers of the source installation and what they are
// called in the target.
struct TRechnerAbbildung
{
    QHash<char16_t, QChar> Typen;
    QHash<qint32, qint32> Nummern;
    bool Leer() const { return Typen.isEmpty() && Nummern.isEmpty(); }
};

// Reads a mapping: UTF-8 lines "Rechnertyp;QUELLE;ZIEL" and
// "Rechner;QUELLE;ZIEL", ';' between fields, '#' starting a comment line.
// A bad line throws TAustauschFehler with its number.
TRechnerAbbildung RechnerAbbildungLesen(const QByteArray& text, const QString& quelle);

struct TImportOptionen
{
    bool Ersetzen = false; // the named kinds become exactly what the document says
    bool Streng = false;   // refuse assignments to computers the target does not know
    TRechnerAbbildung Abbildung;
    QString Quelle; // the file, as the history names it
};

// One change in words: the line, and for a setting the fields that change.
struct TImportAenderung
{
    QString Kennung; // empty for the computer tables
    QString Bezeichnung;
    QString Text;
    QStringList Felder;
};

struct TImportPlan
{
    QList<TImportAenderung> Aenderungen;
    QStringList Warnungen; // computers the target does not know (imported all the same)
    int Einstellungen = 0; // settings added, changed or removed
    int Zuordnungen = 0;   // assignments added or removed
    bool Leer() const { return Aenderungen.isEmpty(); }
    // The changes as lines, the fields indented below their setting.
    QString Text() const;
};

// What importing the document would change, read from the store now. An
// import that would let one kind serve a computer twice, or (strict) one
// that assigns computers the target does not know, throws TAustauschFehler
// naming the computers and settings.
TImportPlan ImportPlanen(TStore& store, const TAustausch& austausch, const TImportOptionen& optionen);
// Imports the document as one unit of work with its history, whole or not at
// all, planned anew under the store's write lock; the plan as it was applied.
// The number of statements does not grow with the rows.
TImportPlan Importieren(TStore& store, const TAustausch& austausch, const TImportOptionen& optionen);
