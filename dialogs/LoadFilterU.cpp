#include "dialogs/LoadFilterU.h"

#include "data/MainDM.h"
#include "dialogs/DialogSupport.h"
#include "dialogs/VerlaufU.h"
#include "host/KRNNurLesen.h"
#include "host/KRNControls.h"
#include "host/KRNFormFrame.h"
#include "host/KRNHinweisLeiste.h"
#include "host/VRList.h"
#include "host/VTVRList.h"
#include "host/core/FremdeAenderungen.h"
#include "host/core/Guard.h"
#include "host/core/KRNError.h"
#include "host/core/KRNInfo.h"
#include "host/core/KRNProgramm.h"
#include "host/store/Store.h"

#include <QAction>

TfrmLoad* frmLoad = nullptr;

TfrmLoad::TfrmLoad(QWidget* parent) : TKRNForm(parent)
{
    setObjectName(QStringLiteral("frmLoad"));
    SetupComponents();
}

TfrmLoad::~TfrmLoad()
{
    if (frmLoad == this) {
        frmLoad = nullptr;
    }
}

void TfrmLoad::SetupComponents()
{
    SetCaption(QStringLiteral("frmLoad"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    auto* anchors = new TAnchors(*this, QSize(467, 269));
    TDialogFrame frame(*this, *anchors);
    pnlHauptrahmen = frame.Hauptrahmen;
    pnlDaten = frame.Daten;
    bvlButtons = frame.Buttons;

    spbCancel = frame.AddButton(QStringLiteral("spbCancel"), QStringLiteral("Abbrechen"),
                                QStringLiteral("Esc - zurück"), QStyle::SP_DialogCancelButton,
                                [this] { btnAbbrechenClick(spbCancel); });
    spbLoad = frame.AddButton(QStringLiteral("spbLoad"), QStringLiteral("Laden"),
                              QStringLiteral("Eingabe - selektierte Einstellung laden ..."),
                              QStyle::SP_DialogOpenButton, [this] { btnLadenClick(spbLoad); });
    spbNew =
        frame.AddButton(QStringLiteral("spbNew"), QStringLiteral("Neu"), QStringLiteral("F3 - Neuanlage ..."),
                        QStyle::SP_FileIcon, [this] { btnNeuanlageClick(spbNew); });
    spbDelete = frame.AddButton(QStringLiteral("spbDelete"), QStringLiteral("Löschen"),
                                QStringLiteral("Umsch+F5 - selektierte Einstellung löschen ..."),
                                QStyle::SP_TrashIcon, [this] { btnLoeschenClick(spbDelete); });
    spbVerlauf = frame.AddButton(QStringLiteral("spbVerlauf"), QStringLiteral("Verlauf"),
                                 QStringLiteral("F9 - Verlauf der selektierten Einstellung ..."),
                                 QStyle::SP_FileDialogDetailedView, [this] { btnVerlaufClick(spbVerlauf); });

    vtFIDEList = new TVTVRList(pnlDaten);
    vtFIDEList->setObjectName(QStringLiteral("vtFIDEList"));
    vtFIDEList->setAccessibleName(QStringLiteral("Gespeicherte Filtereinstellungen"));
    anchors->Place(vtFIDEList, frame.ContentArea(), TAnchors::akAll);
    anchors->KeepMinimum(vtFIDEList);
    connect(vtFIDEList, &TVTVRList::DblClick, this, [this] { btnLadenClick(vtFIDEList); });
    barHinweis = new TKRNHinweisLeiste(pnlDaten);

    actEsc = AddAction(QStringLiteral("actEsc"), QKeySequence(Qt::Key_Escape),
                       [this] { btnAbbrechenClick(actEsc); });
    actEingabe = AddAction(QStringLiteral("actEingabe"), QKeySequence(Qt::Key_Return),
                           [this] { btnLadenClick(actEingabe); });
    actEingabe->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    actF3 =
        AddAction(QStringLiteral("actF3"), QKeySequence(Qt::Key_F3), [this] { btnNeuanlageClick(actF3); });
    actF15 = AddAction(QStringLiteral("actF15"), QKeySequence(Qt::SHIFT | Qt::Key_F5),
                       [this] { btnLoeschenClick(actF15); });
    actF9 = AddAction(QStringLiteral("actF9"), QKeySequence(Qt::Key_F9), [this] { btnVerlaufClick(actF9); });
}

void TfrmLoad::FormCreate(QObject*)
{
    KRNGuard(KRNLocation("TfrmLoad", "FormCreate"), true, [&] {
        KRNFormInit(KRNProgramm().ProgrammKennung() + QStringLiteral(".frmLoad"), true);
        FFIDEList = std::make_unique<TVRList>();
        for (const QString& caption : {QStringLiteral("Bezeichnung"), QStringLiteral("Beschreibung")}) {
            TVRColumn& column = FFIDEList->ColumnAdd();
            column.Caption = caption;
            column.DataType = vrtString;
            column.Alignment = vraLeft;
            column.Hint = QString();
            column.Width = 0;
            column.Visible = true;
        }
        vtFIDEList->SetVRList(FFIDEList.get());
        if (TFremdeAenderungenWaechter* waechter = TFremdeAenderungenWaechter::Aktuell()) {
            connect(waechter, &TFremdeAenderungenWaechter::Geaendert, this,
                    [this](const TFremdeAenderungen& aenderungen) { FremdGeaendert(aenderungen); });
        }
        ClearFilterEinstellung();
        FLoeschen = true;
        FNeuanlage = true;
    });
}

void TfrmLoad::FormShow(QObject*)
{
    KRNGuard(KRNLocation("TfrmLoad", "FormShow"), true, [&] {
        spbDelete->setEnabled(FLoeschen);
        spbDelete->setVisible(FLoeschen);
        actF15->setEnabled(FLoeschen);
        spbNew->setEnabled(FNeuanlage);
        spbNew->setVisible(FNeuanlage);
        actF3->setEnabled(FNeuanlage);
        KRNSperrenWennNurLesen({spbDelete, actF15, spbNew, actF3});
        barHinweis->Verbergen();
        grdFIDEFuellen();
    });
}

void TfrmLoad::FremdGeaendert(const TFremdeAenderungen& aenderungen)
{
    KRNGuard(KRNLocation("TfrmLoad", "FremdGeaendert"), true, [&] {
        if (!isVisible() || !FFIDEList || !aenderungen.Einstellungen(FFilterKennung)) {
            return;
        }
        const PVRRow row = vtFIDEList->GetNodeData(vtFIDEList->GetFirstSelected(false));
        const QString gewaehlt = row ? PVRItem2String(row->Item(0)) : QString();
        grdFIDEFuellen();
        if (gewaehlt.isEmpty() || vtFIDEList->SetFocusedRowWithText(0, gewaehlt)) {
            return;
        }
        QString text = QStringLiteral("Die gewählte Einstellung „%1“ wurde an einem anderen Arbeitsplatz gelöscht.")
                           .arg(gewaehlt);
        if (const auto eintrag = aenderungen.Einstellung(FFilterKennung, gewaehlt)) {
            text += QLatin1Char('\n') + FremdeAenderungText(*eintrag);
        }
        barHinweis->Zeigen(text, false);
    });
}

void TfrmLoad::grdFIDEFuellen()
{
    KRNGuard(KRNLocation("TfrmLoad", "grdFIDEFuellen"), true, [&] {
        if (!FFIDEList) {
            throw KRNException(QStringLiteral("Die Liste der Einstellungen ist nicht angelegt."));
        }
        {
            const TUpdateScope update(*vtFIDEList);
            FFIDEList->RowsRefill([&] {
                Tfidefile& fide = FilterDataModule().fidefile;
                fide.ResetSearch();
                fide.UseKey(fide.PrimaryKeyNr());
                fide.Kennung.SetWert(FFilterKennung);
                fide.Kennung.TakeFilterValue();
                fide.ExtendedFilterAdd(fide.Kennung, dbcEqual, dblAnd);
                fide.Get_first_extMode();
                while (fide.Found()) {
                    FFIDEList->RowAdd({fide.Bezeichnung.GetWert(), fide.Beschreibung.GetWert()}, 0);
                    fide.Get_next_extMode();
                }
            });
            vtFIDEList->RefreshVRList(true);
            vtFIDEList->SetFocusedCell(0, 0);
        }
        const bool hasRows = FFIDEList->GetRowCount() > 0;
        spbLoad->setEnabled(hasRows);
        actEingabe->setEnabled(hasRows);
        spbDelete->setEnabled(hasRows && FLoeschen && !KRNNurLesen());
        actF15->setEnabled(spbDelete->isEnabled());
    });
}

void TfrmLoad::btnLadenClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmLoad", "btnLadenClick"), true, [&] {
        SetModalResult(mrNone);
        const PVRRow row = vtFIDEList->GetNodeData(vtFIDEList->GetFirstSelected(false));
        if (!row) {
            return;
        }
        FFilterBezeichnung = PVRItem2String(row->Item(0));
        FFilterBeschreibung = PVRItem2String(row->Item(1));
        SetModalResult(mrOk);
    });
}

void TfrmLoad::btnNeuanlageClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmLoad", "btnNeuanlageClick"), true, [&] {
        FFilterBezeichnung.clear();
        FFilterBeschreibung.clear();
        SetModalResult(mrOk);
    });
}

// Deletes the selected saved setting after the question, unless a fikofile
// row refers to it. The lookup, the reference check and the delete run in
// one write transaction, so no assignment can slip in between; the
// messages are shown outside it.
void TfrmLoad::btnLoeschenClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmLoad", "btnLoeschenClick"), true, [&] {
        const PVRRow row = vtFIDEList->GetNodeData(vtFIDEList->GetFirstSelected(false));
        if (!row) {
            return;
        }
        const QString name = PVRItem2String(row->Item(0));
        if (KRNInfo().ShowMeldung(mtQuestion, 10, QStringLiteral("STANDARD")) != mrYes) {
            return;
        }
        Tfidefile& fide = FilterDataModule().fidefile;
        std::optional<bool> referenced;
        {
            TStoreTransaction transaction(TStore::Required());
            fide.ResetSearch();
            fide.UseKey(fide.PrimaryKeyNr());
            fide.Kennung.SetKeyWert(FFilterKennung);
            fide.Bezeichnung.SetKeyWert(name);
            if (!fide.FindKey()) {
                return; // gone since the fill: nothing to delete, nothing to say
            }
            referenced = ReferenceCheck();
            if (referenced == false) {
                fide.WriteRecord(wrdonDelete, 0);
                transaction.Commit();
            }
        }
        if (!referenced) {
            return; // the check failed and was reported; nothing was deleted
        }
        if (*referenced) {
            KRNInfo().ShowMeldung(mtNotice, 1020, QStringLiteral("ALLMANI"));
            return;
        }
        grdFIDEFuellen();
    });
}

void TfrmLoad::btnAbbrechenClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmLoad", "btnAbbrechenClick"), true, [&] { SetModalResult(mrCancel); });
}

void TfrmLoad::btnVerlaufClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmLoad", "btnVerlaufClick"), true, [&] {
        TVerlaufSuche suche;
        suche.Filter.Kennung = FFilterKennung;
        if (const PVRRow row = vtFIDEList->GetNodeData(vtFIDEList->GetFirstSelected(false))) {
            suche.Filter.Bezeichnung = PVRItem2String(row->Item(0));
        }
        VerlaufZeigen(suche);
    });
}

bool TfrmLoad::RI_FIKO_Exists()
{
    return ReferenceCheck().value_or(true);
}

std::optional<bool> TfrmLoad::ReferenceCheck()
{
    std::optional<bool> result;
    KRNGuard(KRNLocation("TfrmLoad", "RI_FIKO_Exists"), true, [&] {
        TdtmKOMMFilter& dtm = FilterDataModule();
        Tfikofile& fiko = dtm.fikofile;
        fiko.ResetSearch();
        const QString kennung = dtm.fidefile.Kennung.GetWert();
        const QString bezeichnung = dtm.fidefile.Bezeichnung.GetWert();
        fiko.Kennung.SetFilterMin(kennung);
        fiko.Kennung.SetFilterMax(kennung);
        fiko.Bezeichnung.SetFilterMin(bezeichnung);
        fiko.Bezeichnung.SetFilterMax(bezeichnung);
        const bool found = fiko.ReadFirst();
        fiko.FinishCursor();
        result = found;
    });
    return result;
}

void TfrmLoad::FormDestroy(QObject*)
{
    KRNDestroyGuard(KRNLocation("TfrmLoad", "FormDestroy"), [&] { FFIDEList.reset(); });
}
