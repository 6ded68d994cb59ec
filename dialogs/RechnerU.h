#pragma once

#include "data/FilterEinstellung.h"
#include "data/MainDM.h"
#include "host/KRNForm.h"

#include <QChar>
#include <QColor>
#include <QString>

#include <memory>
#include <optional>

class QAction;
class TKOMMFilter;
class TKRNStdBevel;
class TKRNStdLabel;
class TKRNStdPanel;
class TKRNStdSpeedButton;
class TKRNFremdeAenderungenLeiste;
class TKRNHinweisLeiste;
class TVTRTypRNrCheck;
class TdtmKOMMFilter;

// The computer selection dialog: assigns one saved setting of a filter kind
// to computer types and computer numbers. Shows every computer of the host
// in one check tree, marks those the setting serves now and, on "Speichern",
// books the marks back as assignment records, after a consistency pass that
// refuses a computer another saved setting of the kind already holds.
class TfrmRechner final : public TKRNForm, public TFilterEinstellung
{
    Q_OBJECT
public:
    explicit TfrmRechner(QWidget* parent = nullptr);
    ~TfrmRechner() override;

    void FormCreate(QObject* sender) override;
    void FormShow(QObject* sender) override;
    void FormDestroy(QObject* sender) override;
    // "Speichern" / F5: checks and books the marks; closes with 1 when booked.
    void btnWeiterClick(QObject* sender);
    // "Abbrechen" / Esc: closes with 2, nothing booked.
    void btnZurueckClick(QObject* sender);
    // F9: the history of the selected computer type or number (of the
    // setting, without one).
    void btnVerlaufClick(QObject* sender);
    // True when an entry is marked, or when none is and the user still wants
    // to go on (message 1000).
    bool BuchenPruefenChecked();

    // Components, by their names.
    TKRNStdPanel* pnlHauptrahmen = nullptr;
    TKRNStdPanel* pnlDaten = nullptr;
    TKRNStdBevel* bvlButton = nullptr;
    TKRNStdSpeedButton* spbCancel = nullptr;
    TKRNStdSpeedButton* spbBuchen = nullptr;
    TKRNStdSpeedButton* spbVerlauf = nullptr;
    TKRNStdLabel* lblUeberschrift = nullptr; // heading, set by the caller before each show
    TKRNStdLabel* lblTextRTyp = nullptr;
    TVTRTypRNrCheck* vtRTypRNrCheck = nullptr;
    // Tells that the setting's assignments were changed at another workstation.
    TKRNHinweisLeiste* barHinweis = nullptr;
    QAction* actESC = nullptr;
    QAction* actF5 = nullptr;
    QAction* actF9 = nullptr;

    // The fixed explanatory text of lblTextRTyp.
    static QString TextRTyp();
    // The design colour of lblUeberschrift (blue); the label shows it as far
    // as the palette's background allows.
    static QColor HeadingColor() { return QColor(0, 0, 255); }

private:
    // The first entry that another saved setting already holds.
    struct TKonflikt
    {
        QString Eintrag; // "Rechnertyp - X" or "Rechnernummer - 123"
        QString UsedBezeichung;
    };
    enum class TLaufErgebnis
    {
        Gebucht,
        Konflikt,
        Fehler,           // reported by the data module; nothing was booked
        EinstellungFehlt, // the saved setting is gone; nothing was booked
    };

    void SetupComponents();
    TKOMMFilter& KOMMFilter() const;
    void MarkierungenSetzen();
    // The setting and its assignments from the store, the marks from them.
    void Laden();
    // Whether a mark differs from the loaded setting.
    bool MarkierungenGeaendert() const;
    bool EintragMarkiert() const;
    TLaufErgebnis PruefenUndBuchen(TdtmKOMMFilter& dtm, std::optional<TKonflikt>& konflikt);
    TRechnerMarken Markierungen() const;
    std::optional<TKonflikt> KonsistenzPruefen(TdtmKOMMFilter& dtm, const TRechnerMarken& marken);

    std::unique_ptr<TKOMMFilter> FKOMMFilter;
    TKRNFremdeAenderungenLeiste* FFremd = nullptr;
};

// The program-wide instance (set by Application().CreateForm).
extern TfrmRechner* frmRechner;
