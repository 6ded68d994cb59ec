#pragma once

#include "host/Buttons.h"
#include "host/KRNForm.h"

#include <QString>

#include <functional>

class QAction;
class TKRNStdBevel;
class TKRNStdPanel;
class TKRNStdSpeedButton;

// The main window: the program's menu. One edit entry and one
// communication entry per active filter kind, and the entry that opens the
// filter activation dialog; an end button (also Esc) and a version button.
class TfrmMain final : public TKRNForm
{
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    void FormCreate(QObject* sender) override;
    // Rebuilds the filter entries from a freshly loaded filter list.
    void RefreshMenu();
    // Idle handler of the application: runs a requested rebuild.
    void Idle(QObject* sender, bool& done);
    void bmnMainClick(QObject* sender, int position, const QString& buttonName);
    void btnEndeClick(QObject* sender);
    // F9: the window "Verlauf" with the whole history.
    void btnVerlaufClick(QObject* sender);
    // The exchange of settings with other installations and the report:
    // each asks for a file first (through DateiWahl).
    void btnExportierenClick(QObject* sender);
    void btnImportierenClick(QObject* sender);
    void btnBerichtClick(QObject* sender);

    // Asks for a file to write (speichern) or read; empty when cancelled.
    // Tests put their own answer in front of the file dialog.
    using TDateiWahl =
        std::function<QString(QWidget* parent, bool speichern, const QString& titel, const QString& filter)>;
    static void SetDateiWahl(TDateiWahl wahl);

    // The workflows started from the menu.
    void DoFilterEdit(const QString& kennung);
    void DoKommunikationEdit(const QString& kennung);
    void DoFilterOnOff();

    // A menu rebuild requested for the next idle moment.
    bool Idle_RefreshMenu() const { return FIdle_RefreshMenu; }
    void SetIdle_RefreshMenu(bool value) { FIdle_RefreshMenu = value; }

    static QString DesignCaption() { return QStringLiteral("Kommunikationsverwaltung der externen PC's"); }

    TKRNStdPanel* pnlHauptrahmen = nullptr;
    TKRNStdBevel* bvlButtons = nullptr;
    TKRNStdSpeedButton* spbEnde = nullptr;
    TKRNStdSpeedButton* spbVersion = nullptr;
    TKRNStdSpeedButton* spbVerlauf = nullptr;
    TKRNStdSpeedButton* spbExportieren = nullptr;
    TKRNStdSpeedButton* spbImportieren = nullptr;
    TKRNStdSpeedButton* spbBericht = nullptr;
    TButtons* btsMain = nullptr;
    QAction* actEsc = nullptr;
    QAction* actF9 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetupComponents();
    void PlaceComponents();
    void AddFixedEntry(const QString& name, const QString& caption, TButtonType type);

    bool FIdle_RefreshMenu = false;
};

// The program-wide instance (set by Application().CreateForm).
extern TfrmMain* frmMain;
