#pragma once

#include "host/KRNForm.h"
#include "host/core/KOMMFilter.h"

#include <QSet>
#include <QString>

class QAction;
class TKRNStdBevel;
class TKRNStdPanel;
class TKRNStdSpeedButton;
class TKRNFremdeAenderungenLeiste;
class TKRNHinweisLeiste;
class TVTStringList;
class TdtmKOMMFilter;

// The filter activation dialog: one entry with a check box per registered
// filter kind, marked when the kind is active; "Speichern" books the state
// of every entry as an activity record or its absence.
class TfrmFilterOnOff final : public TKRNForm
{
    Q_OBJECT

public:
    explicit TfrmFilterOnOff(QWidget* parent = nullptr);
    ~TfrmFilterOnOff() override;

    void FormCreate(QObject* sender) override;
    void FormShow(QObject* sender) override;
    // Called by EnumKOMMFilter once per registered filter kind.
    void AddFilterItem(const QString& kennung, const QString& bezeichnung, TKOMMFilterClass klasse);
    void btnBuchenClick(QObject* sender);
    void btnAbbrechenClick(QObject* sender);

    static QString DesignCaption() { return QStringLiteral("Filter aktivieren / passivieren"); }

    TKRNStdPanel* pnlHauptrahmen = nullptr;
    TKRNStdPanel* pnlDaten = nullptr;
    TKRNStdBevel* bvlButtons = nullptr;
    TKRNStdSpeedButton* spbCancel = nullptr;
    TKRNStdSpeedButton* spbBuchen = nullptr;
    TVTStringList* vtFilter = nullptr;
    // Tells that a filter kind was switched at another workstation.
    TKRNHinweisLeiste* barHinweis = nullptr;
    QAction* actF5 = nullptr;
    QAction* actEsc = nullptr;

private:
    // Books every entry in one transaction; false when a booking failed.
    bool AlleBuchen(TdtmKOMMFilter& dtm);
    void SetupComponents();
    // Every entry's mark from the data module's active kinds.
    void MarkierungenSetzen();
    QSet<QString> Markiert() const;

    TKRNFremdeAenderungenLeiste* FFremd = nullptr;
    QSet<QString> FGeladen; // the marks as shown from the store
};

// The program-wide instance (set by Application().CreateForm).
extern TfrmFilterOnOff* frmFilterOnOff;
