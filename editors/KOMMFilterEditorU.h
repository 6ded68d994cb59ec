#pragma once

#include "data/FilterEinstellung.h"
#include "data/MainDM.h"
#include "host/KRNControls.h"
#include "host/KRNForm.h"

#include <QString>

class TAnchors;
class TKRNFremdeAenderungenLeiste;
class TKRNHinweisLeiste;

// The abstract settings editor of a filter kind. It owns the name and the
// description of the saved setting and the buttons "Abbrechen" and
// "Speichern"; a filter kind derives its own editor, adds its controls and
// implements FilterInitialize, FilterLoad and FilterSave.
//
// Use: create (creation handler run), set the three properties,
// FilterInitialize, FilterLoad, ShowModal; after 1 write the confirmed name
// and description into edtBezeichnung / edtBeschreibung and call
// FilterSave; then free the editor.
class TfrmKOMMFilterEditor : public TKRNForm, public TFilterEinstellung
{
    Q_OBJECT
public:
    explicit TfrmKOMMFilterEditor(QWidget* parent = nullptr);
    ~TfrmKOMMFilterEditor() override;

    // Creates the filter object for FilterKennung and FilterBezeichnung.
    virtual void FilterInitialize() = 0;
    // Loads the saved setting and fills every control, the two edits included.
    virtual void FilterLoad() = 0;
    // Stores the controls under the name and description in the two edits.
    virtual void FilterSave() = 0;

    void FormCreate(QObject* sender) override;
    void FormShow(QObject* sender) override;
    void btnBuchenClick(QObject* sender);
    void spbCancelClick(QObject* sender);

    // The name and the description of the saved setting; the workflow writes
    // the confirmed values here before FilterSave.
    TKRNStdEdit* edtBezeichnung = nullptr;
    TKRNStdEdit* edtBeschreibung = nullptr;
    // Tells that the setting was changed or deleted at another workstation.
    TKRNHinweisLeiste* barHinweis = nullptr;

    // Whether the user agreed to write over a setting of the same name (the
    // save dialog asked); set by the workflow before FilterSave.
    bool Ueberschreiben() const { return FUeberschreiben; }
    void SetUeberschreiben(bool value) { FUeberschreiben = value; }
    // Whether the last FilterSave stored the setting (committed).
    bool Gespeichert() const { return FGespeichert; }

protected:
    // Stores the filter object as one unit of work: the existence check and
    // the write run in one transaction. When a setting of this name exists
    // and overwriting was not agreed (another workstation saved it since the
    // save dialog asked), nothing is written; message 1003 is asked after
    // the transaction has ended, and only Yes writes it over. When the
    // setting loaded was changed (1004) or deleted (1005) elsewhere since,
    // the question names who and when, and only Yes writes the entries over
    // it or creates it anew; No writes nothing.
    void EinstellungSpeichern(TKOMMFilter& filter);
    // Whether a control holds an entry that differs from the loaded setting.
    virtual bool EingabenGeaendert() const;

    // Keep the frame at its distances to the form's sides; an editor of a
    // filter kind fixes its own client size through them.
    TAnchors& Anchors() const;

    TKRNStdPanel* pnlHauptrahmen = nullptr;
    TKRNStdPanel* pnlDaten = nullptr; // holds every control
    TKRNStdBevel* bvlButtons = nullptr;
    TKRNStdSpeedButton* spbCancel = nullptr;
    TKRNStdSpeedButton* spbBuchen = nullptr;
    QAction* actF5 = nullptr;
    TKRNAttachLabel* lblTxtBezeichnung = nullptr;
    TKRNAttachLabel* lblTxtBeschreibung = nullptr;

private:
    void SetupUi();

    TAnchors* m_anchors = nullptr; // owned by the form
    TKRNFremdeAenderungenLeiste* m_fremd = nullptr;
    bool FUeberschreiben = false;
    bool FGespeichert = false;
};

// Places an attached label at x, vertically centred on its control.
void PlaceAttachLabel(TKRNAttachLabel* label, int x, QWidget* control);

// The class reference of an editor class T: creates an editor without owner
// and runs its creation handler.
template <class T> TKOMMFilterEditorClass KOMMFilterEditorClassRef(const char* className)
{
    static const TKOMMFilterEditorClassInfo info{
        QString::fromLatin1(className),
        []() -> TfrmKOMMFilterEditor* { return KRNCreateForm<T>().release(); },
    };
    return &info;
}
