#pragma once

#include <QChar>
#include <QHash>
#include <QString>
#include <QStringList>

// Which saved setting of a filter kind serves a computer, and why.
//
// A kind without its activity record filters nothing. An assignment record
// of the computer number wins over one of the computer's type ("Eine
// Einstellung für eine Rechnernummer überschreibt die Einstellung für den
// Rechnertypen."); without either nothing filters.

enum class TZuordnungsGrund
{
    Rechnernummer, // the setting is assigned to the computer number
    Rechnertyp,    // the setting is assigned to the computer's type
    Keine,         // the kind is on, but no setting is assigned
    ArtAus,        // the kind is switched off
};

struct TBedienung
{
    TBedienung() = default;
    TBedienung(TZuordnungsGrund grund, QString bezeichnung) : Grund(grund), Bezeichnung(std::move(bezeichnung)) {}

    TZuordnungsGrund Grund = TZuordnungsGrund::ArtAus;
    QString Bezeichnung; // the serving setting; empty when none serves
    // The setting of the computer's type that the number's setting
    // overrides, and that type; empty / blank when it overrides none.
    QString Ueberschrieben;
    QChar UeberschriebenTyp = QLatin1Char(' ');

    bool Filtert() const { return !Bezeichnung.isEmpty(); }
};

// The activity and assignment records of one filter kind.
struct TZuordnungen
{
    bool Aktiv = false;
    QHash<qint32, QString> Nummern; // computer number -> setting
    QHash<char16_t, QString> Typen; // computer type -> setting
};

// The rule itself: which setting serves the computer of this type and
// number (either may be blank / 0).
TBedienung BedienendeEinstellung(const TZuordnungen& zuordnungen, QChar rtyp, qint32 rnr);

// German text of the reason, for messages, tool tips and the command line.
QString ZuordnungsGrundText(TZuordnungsGrund grund);
// "KLEIN (Einstellung der Rechnernummer)" and the like.
QString BedienungText(const TBedienung& bedienung);
// The same with what it overrides: "KLEIN (Einstellung der Rechnernummer;
// überschreibt GROSS des Rechnertyps F)".
QString BedienungErklaerung(const TBedienung& bedienung);
// Short key of the reason for machine-readable output ("rnr", "rtyp", ...).
QString ZuordnungsGrundSchluessel(TZuordnungsGrund grund);

// The records of one kind as the current store holds them now, with the
// host's computer table for the type of a computer number.
class TFilterZuordnung
{
public:
    explicit TFilterZuordnung(const QString& kennung);

    const QString& Kennung() const { return m_kennung; }
    const TZuordnungen& Zuordnungen() const { return m_zuordnungen; }

    // A computer number; its type comes from the computer table.
    TBedienung FuerRechner(qint32 rnr) const;
    // A computer type alone.
    TBedienung FuerTyp(QChar rtyp) const;
    // The type of a computer number (blank when the number is unknown).
    QChar TypVon(qint32 rnr) const { return m_typen.value(rnr, QLatin1Char(' ')); }
    // What the saved setting does to an image, in words (empty for a
    // setting the kind does not hold).
    QString Wirkung(const QString& bezeichnung) const { return m_wirkung.value(bezeichnung); }
    // The serving setting with what it overrides and what it does:
    // "KLEIN (Einstellung der Rechnernummer; überschreibt GROSS des
    // Rechnertyps F): höchstens 320 × 240 Pixel, Qualität 61 %".
    QString Erklaerung(const TBedienung& bedienung) const;

private:
    QString m_kennung;
    QHash<QString, QString> m_wirkung;
    TZuordnungen m_zuordnungen;
    QHash<qint32, QChar> m_typen;
};

// The kinds switched on (their activity records), in key order.
QStringList AktiveFilterArten();
