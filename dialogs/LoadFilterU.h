#pragma once

#include "data/FilterEinstellung.h"
#include "host/KRNForm.h"

#include <QString>

#include <memory>
#include <optional>

class QAction;
class TKRNStdBevel;
class TKRNStdPanel;
class TKRNStdSpeedButton;
class TKRNHinweisLeiste;
class TVRList;
struct TFremdeAenderungen;
class TVTVRList;

// The saved-settings chooser: lists the fidefile rows of one filter kind and
// lets the user load one, ask for a new one or delete one.
class TfrmLoad final : public TKRNForm, public TFilterEinstellung
{
    Q_OBJECT

public:
    explicit TfrmLoad(QWidget* parent = nullptr);
    ~TfrmLoad() override;

    bool Loeschen() const { return FLoeschen; }
    void SetLoeschen(bool value) { FLoeschen = value; }
    bool Neuanlage() const { return FNeuanlage; }
    void SetNeuanlage(bool value) { FNeuanlage = value; }

    void FormCreate(QObject* sender) override;
    void FormShow(QObject* sender) override;
    void FormDestroy(QObject* sender) override;
    void grdFIDEFuellen();
    void btnLadenClick(QObject* sender);
    void btnNeuanlageClick(QObject* sender);
    void btnLoeschenClick(QObject* sender);
    void btnAbbrechenClick(QObject* sender);
    // F9: the history of the selected setting (of the kind, without one).
    void btnVerlaufClick(QObject* sender);
    // Whether a fikofile row refers to the current fidefile row. A check
    // that fails counts as a reference.
    bool RI_FIKO_Exists();

    // The row list shown (for inspection); nullptr after FormDestroy.
    const TVRList* FIDEList() const { return FFIDEList.get(); }

    TKRNStdPanel* pnlHauptrahmen = nullptr;
    TKRNStdPanel* pnlDaten = nullptr;
    TKRNStdBevel* bvlButtons = nullptr;
    TKRNStdSpeedButton* spbCancel = nullptr;
    TKRNStdSpeedButton* spbLoad = nullptr;
    TKRNStdSpeedButton* spbNew = nullptr;
    TKRNStdSpeedButton* spbDelete = nullptr;
    TKRNStdSpeedButton* spbVerlauf = nullptr;
    TVTVRList* vtFIDEList = nullptr;
    // Tells that the selected setting was deleted at another workstation.
    TKRNHinweisLeiste* barHinweis = nullptr;
    QAction* actEsc = nullptr;
    QAction* actEingabe = nullptr;
    QAction* actF3 = nullptr;
    QAction* actF15 = nullptr;
    QAction* actF9 = nullptr;

private:
    void SetupComponents();
    // The reference check; none when it failed (the failure is reported).
    std::optional<bool> ReferenceCheck();
    // Another workstation changed the settings of the kind: the list is read
    // again and keeps its selected row while it is there.
    void FremdGeaendert(const TFremdeAenderungen& aenderungen);

    std::unique_ptr<TVRList> FFIDEList;
    bool FNeuanlage = true;
    bool FLoeschen = true;
};

// The program-wide instance (set by Application().CreateForm).
extern TfrmLoad* frmLoad;
