#pragma once

#include <QChar>
#include <QJsonObject>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class TKOMMFilter;
class Tfidefile;
class Tfikofile;

// Computer type value as the filter objects take it.
enum class TRTyp_Erw : char16_t
{
};

// Class reference of a communication filter class: its name and how to
// create an object of it.
struct TKOMMFilterClassInfo
{
    QString ClassName;
    std::unique_ptr<TKOMMFilter> (*Create)(const QString& kennung, const QString& bezeichnung);
};
using TKOMMFilterClass = const TKOMMFilterClassInfo*;

// How the stored setting stands against the one last loaded or saved.
enum class TEinstellungSeitLaden
{
    Unveraendert, // as loaded (or not there, as when loaded)
    Geaendert,    // written since by someone else
    Geloescht,    // deleted since
};

// Holds one saved setting of one filter kind in memory and loads and stores
// it. The setting is a fidefile row; its assignments are fikofile rows.
class TKOMMFilter
{
public:
    TKOMMFilter(const QString& kennung, const QString& bezeichnung);
    virtual ~TKOMMFilter();
    TKOMMFilter(const TKOMMFilter&) = delete;
    TKOMMFilter& operator=(const TKOMMFilter&) = delete;

    static TKOMMFilterClass ClassRef();

    QString Kennung;
    QString Bezeichnung;
    QString Beschreibung;

    // Loads the setting named by Kennung and Bezeichnung with its
    // assignments; true when the setting exists. Replaces everything loaded
    // before.
    bool FilterLoad();
    // Empties the loaded state; every list test answers false afterwards.
    virtual void FilterClear();
    // Stores the setting (insert or overwrite) with its description and
    // kind-specific settings. Assignments are not touched.
    void FilterSave();
    // The same, but a setting that exists under this key is overwritten only
    // when allowed; false when it was left alone. Run it in a transaction so
    // that check and write are one unit of work.
    bool FilterSave(bool ueberschreiben);
    // The stored row against the one last loaded or saved under the same
    // Bezeichnung; another Bezeichnung, or none loaded, is Unveraendert.
    // Run it in the unit of work that writes. Throws StoreError.
    TEinstellungSeitLaden SeitLaden();

    bool ListeRTypCheck(TRTyp_Erw rtyp) const;
    bool ListeRNrCheck(qint32 rnr) const;
    static TRTyp_Erw Char2RTyp_Value(QChar rtyp);

protected:
    // The kind-specific settings as stored in the fidefile row.
    virtual QString SettingsText() const { return QString(); }
    virtual void ApplySettingsText(const QString&) {}

private:
    Tfidefile& Fidefile();
    // Looks up this setting's row by kind and name.
    bool FindOwnRow(Tfidefile& fide);
    Tfikofile& Fikofile();
    void LoadAssignments();
    // Description and kind-specific text of the current fidefile row.
    static QString Fassung(const Tfidefile& fide);

    std::unique_ptr<Tfidefile> m_fidefile;
    std::unique_ptr<Tfikofile> m_fikofile;
    QSet<char16_t> m_rtypen;
    QSet<qint32> m_rnrn;
    // The row as last loaded or saved (none: it was not there) and its key.
    std::optional<QString> m_fassung;
    QString m_fassungKennung;
    QString m_fassungBezeichnung;
};

// An image filter setting.
class TBildKOMMFilter : public TKOMMFilter
{
public:
    TBildKOMMFilter(const QString& kennung, const QString& bezeichnung);

    bool BildLoeschen = false;
    qint32 GroesseBreite = 0;
    qint32 GroesseHoehe = 0;
    qint32 Qualitaetsverlust = 0; // 0 to 255, 0 = quality unchanged
    bool OnlyFirstPicExp = false;

    void FilterClear() override;

    // The loss level as stored, when it lies outside 0..255 (another program
    // wrote it; Qualitaetsverlust holds the nearest end); empty otherwise.
    QString QualitaetsverlustAusserhalb() const;

protected:
    QString SettingsText() const override;
    void ApplySettingsText(const QString& text) override;

private:
    // The stored settings as read; values left unchanged since the load are
    // written back exactly as they were, keys of other programs included.
    QJsonObject m_gelesen;
    struct Werte
    {
        bool BildLoeschen = false;
        qint32 GroesseBreite = 0;
        qint32 GroesseHoehe = 0;
        qint32 Qualitaetsverlust = 0;
        bool OnlyFirstPicExp = false;
    } m_geladen;
};

// Article images.
class TABILKommFilter : public TBildKOMMFilter
{
public:
    using TBildKOMMFilter::TBildKOMMFilter;
    static QString Filter_Kennung();
    static TKOMMFilterClass ClassRef();
};

// Catalogue images.
class TKBILKommFilter : public TBildKOMMFilter
{
public:
    using TBildKOMMFilter::TBildKOMMFilter;
    static QString Filter_Kennung();
    static TKOMMFilterClass ClassRef();
};
