#pragma once

#include "data/FilterEinstellung.h"
#include "host/KRNForm.h"

#include <QString>

class QAction;
class TKRNAttachLabel;
class TKRNStdBevel;
class TKRNStdEdit;
class TKRNStdPanel;
class TKRNStdSpeedButton;

// The save dialog: asks for the name and the description under which the
// edited settings of a filter kind are saved. Refuses an empty name and asks
// before a name of the same kind is used again. Writes nothing itself.
class TfrmSave final : public TKRNForm, public TFilterEinstellung
{
    Q_OBJECT

public:
    explicit TfrmSave(QWidget* parent = nullptr);
    ~TfrmSave() override;

    void FormCreate(QObject* sender) override;
    void FormShow(QObject* sender) override;
    void btnSaveClick(QObject* sender);
    void btnAbbrechenClick(QObject* sender);

    TKRNStdPanel* pnlHauptrahmen = nullptr;
    TKRNStdPanel* pnlDaten = nullptr;
    TKRNStdBevel* bvlButtons = nullptr;
    TKRNStdSpeedButton* spbCancel = nullptr;
    TKRNStdSpeedButton* spbSave = nullptr;
    TKRNAttachLabel* lblBezeichnung = nullptr;
    TKRNStdEdit* edtBezeichnung = nullptr;
    TKRNAttachLabel* lblBeschreibung = nullptr;
    TKRNStdEdit* edtBeschreibung = nullptr;
    QAction* actEsc = nullptr;
    QAction* actF5 = nullptr;

    static constexpr int BezeichnungMaxLength = 16;
    static constexpr int BeschreibungMaxLength = 80;

    // After a confirmed show: the name existed for this filter kind and the
    // user agreed to use it again (message 1003 answered Yes).
    bool NameWiederverwenden() const { return FNameWiederverwenden; }

private:
    void SetupComponents();

    bool FNameWiederverwenden = false;
};

// The program-wide instance (set by Application().CreateForm).
extern TfrmSave* frmSave;
