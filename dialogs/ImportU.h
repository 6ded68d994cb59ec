#pragma once

#include "host/KRNForm.h"
#include "transfer/Austausch.h"

#include <QString>

class QAction;
class QPlainTextEdit;
class TKRNStdBevel;
class TKRNStdPanel;
class TKRNStdSpeedButton;

// The window "Importieren": what importing an exchange document would
// change, field by field, as its dry run lists it; F5 imports it as one
// unit of work, Esc closes the window and leaves the store as it is.
class TfrmImport final : public TKRNForm
{
    Q_OBJECT
public:
    explicit TfrmImport(QWidget* parent = nullptr);
    ~TfrmImport() override;

    // Reads the document and lists its changes; a refused document shows
    // the refusal and offers no import.
    void Vorbereiten(const QString& datei);
    void FormCreate(QObject* sender) override;
    void btnImportierenClick(QObject* sender);
    void btnSchliessenClick(QObject* sender);

    // What the import changed (empty until F5 imported it).
    const TImportPlan& Ergebnis() const { return FErgebnis; }

    TKRNStdPanel* pnlHauptrahmen = nullptr;
    TKRNStdPanel* pnlDaten = nullptr;
    TKRNStdBevel* bvlButtons = nullptr;
    TKRNStdSpeedButton* spbCancel = nullptr;
    TKRNStdSpeedButton* spbImportieren = nullptr;
    QPlainTextEdit* memAenderungen = nullptr;
    QAction* actEsc = nullptr;
    QAction* actF5 = nullptr;

private:
    void SetupComponents();

    TAustausch FAustausch;
    TImportOptionen FOptionen;
    TImportPlan FErgebnis;
};

// Shows the window modally for the file; true when it imported.
bool ImportZeigen(const QString& datei);
