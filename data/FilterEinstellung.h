#pragma once

#include <QString>

// The identity of a saved setting that the workflows hand from one window
// to the next: the filter kind, the setting's name and its description.
class TFilterEinstellung
{
public:
    QString FilterKennung() const { return FFilterKennung; }
    void SetFilterKennung(const QString& value) { FFilterKennung = value; }
    QString FilterBezeichnung() const { return FFilterBezeichnung; }
    void SetFilterBezeichnung(const QString& value) { FFilterBezeichnung = value; }
    QString FilterBeschreibung() const { return FFilterBeschreibung; }
    void SetFilterBeschreibung(const QString& value) { FFilterBeschreibung = value; }

protected:
    ~TFilterEinstellung() = default;
    void ClearFilterEinstellung()
    {
        FFilterKennung.clear();
        FFilterBezeichnung.clear();
        FFilterBeschreibung.clear();
    }

    QString FFilterKennung;
    QString FFilterBezeichnung;
    QString FFilterBeschreibung;
};
