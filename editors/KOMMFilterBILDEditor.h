#pragma once

#include "editors/KOMMFilterEditorU.h"
#include "host/core/KOMMFilter.h"
#include "transfer/BildVerarbeitung.h"

#include <memory>

class TfrmBildVorschau;

// The settings editor of the two image filter kinds (article and catalogue
// images): transfer images at all, only the first image, maximum width and
// height in pixels, quality in percent.
class TfrmBildKOMMFilterEditor final : public TfrmKOMMFilterEditor
{
    Q_OBJECT
public:
    explicit TfrmBildKOMMFilterEditor(QWidget* parent = nullptr);
    ~TfrmBildKOMMFilterEditor() override;

    static TKOMMFilterEditorClass ClassRef();

    void FilterInitialize() override;
    void FilterLoad() override;
    void FilterSave() override;

    void FormCreate(QObject* sender) override;
    void FormDestroy(QObject* sender) override;
    void chbBildLoeschenClick(QObject* sender);
    // "Vorschau" / F6: shows a sample image before and after the settings in
    // the edits, saved or not.
    void spbVorschauClick(QObject* sender);
    TBildEinstellung EinstellungAusEdits() const;
    bool EingabenGeaendert() const override;

    // The filter object of the setting being edited (none before
    // FilterInitialize).
    const TBildKOMMFilter* BildKOMMFilter() const { return FBildKOMMFilter.get(); }

    // The explanatory text above the settings.
    static QString UeberschriftText();

private:
    void SetupUi();
    TBildKOMMFilter& Filter() const;
    // The image settings of the edits into the filter object.
    void EditsInFilter(TBildKOMMFilter& filter) const;

    TKRNStdLabel* lblTxtUeberschrift = nullptr;
    TKRNStdCheckBox* chbBildLoeschen = nullptr;
    TKRNStdCheckBox* chbOnlyFirstPicExp = nullptr;
    TKRNAttachLabel* lblGroesseBreite = nullptr;
    TKRNStdEdit* edtGroesseBreite = nullptr;
    TKRNAttachLabel* lblGroesseHoehe = nullptr;
    TKRNStdEdit* edtGroesseHoehe = nullptr;
    TKRNAttachLabel* lblQualitaet = nullptr;
    TKRNStdEdit* edtQualitaet = nullptr;
    TKRNStdSpeedButton* spbVorschau = nullptr;
    TfrmBildVorschau* frmVorschau = nullptr; // made at the first preview, owned by the editor

    std::unique_ptr<TBildKOMMFilter> FBildKOMMFilter;
};

// Registers "Artikelbilder" and "Katalogbilder" with their filter classes
// and this editor (once, at start-up).
void DoRegisterBildKOMMFilterEditor();
