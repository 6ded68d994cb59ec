#include "app/MainU.h"

#include "data/MainDM.h"
#include "dialogs/FilterOnOffU.h"
#include "dialogs/ImportU.h"
#include "dialogs/LoadFilterU.h"
#include "dialogs/RechnerU.h"
#include "dialogs/SaveFilterU.h"
#include "dialogs/VerlaufU.h"
#include "editors/KOMMFilterEditorU.h"
#include "host/KRNNurLesen.h"
#include "host/Application.h"
#include "host/KRNControls.h"
#include "host/core/FremdeAenderungen.h"
#include "host/core/Guard.h"
#include "host/core/KRNError.h"
#include "host/core/KRNInfo.h"
#include "host/core/KRNProgramm.h"
#include "host/store/Store.h"
#include "transfer/Austausch.h"
#include "transfer/Bericht.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPointer>
#include <QSaveFile>
#include <QUrl>

TfrmMain* frmMain = nullptr;

namespace {

const QString kFilterPrefix = QStringLiteral("FLT");
const QString kKommPrefix = QStringLiteral("KOMM");
const QString kFilterOnOff = QStringLiteral("FILTERONOFF");

constexpr int kMargin = 4;
constexpr int kBarHeight = 29;
constexpr int kButtonSize = 26;
constexpr int kMenuTop = 36;
constexpr int kMenuBottom = 6;

// Shown in the empty menu, until the first filter kind is switched on.
const QString kHinweisOhneFilter =
    QStringLiteral("Noch ist keine Filterart aktiviert. Unter „Einstellungen“ die Filterarten aktivieren, "
                   "dann erscheinen sie hier zum Bearbeiten.");

// A workflow refuses to start without the dialog it needs (its creation
// failed at start-up).
void RequireDialog(const TKRNForm* dialog, const QString& name)
{
    if (!dialog) {
        throw KRNException(QStringLiteral("Das Fenster %1 ist nicht vorhanden.").arg(name));
    }
}

TfrmMain::TDateiWahl& DateiWahl()
{
    static TfrmMain::TDateiWahl wahl = [](QWidget* parent, bool speichern, const QString& titel,
                                          const QString& filter) {
        return speichern ? QFileDialog::getSaveFileName(parent, titel, QString(), filter)
                         : QFileDialog::getOpenFileName(parent, titel, QString(), filter);
    };
    return wahl;
}

const QString kJsonFilter = QStringLiteral("Filtereinstellungen (*.json);;Alle Dateien (*)");

void DateiSchreiben(const QString& datei, const QByteArray& text)
{
    QSaveFile aus(datei);
    if (!aus.open(QIODevice::WriteOnly) || aus.write(text) != text.size() || !aus.commit()) {
        throw KRNException(QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(datei, aus.errorString()));
    }
}

} // namespace

void TfrmMain::SetDateiWahl(TDateiWahl wahl)
{
    DateiWahl() = std::move(wahl);
}

TfrmMain::TfrmMain(QWidget* parent) : TKRNForm(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    SetupComponents();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::SetupComponents()
{
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    SetCaption(DesignCaption());
    resize(405, 382);
    // The button bar and the menu's four fixed entries stay in sight.
    setMinimumSize(405, kMenuTop + kMenuBottom + 3 * TButtons::HeadHeight + 2 * TButtons::MenuHeight +
                            4 * TButtons::Spacing);

    pnlHauptrahmen = new TKRNStdPanel(QStringLiteral("pnlHauptrahmen"), this);
    // The page of the menu, in the palette's base colour whichever theme.
    pnlHauptrahmen->setBackgroundRole(QPalette::Base);
    pnlHauptrahmen->setAutoFillBackground(true);

    bvlButtons = new TKRNStdBevel(QStringLiteral("bvlButtons"), pnlHauptrahmen, TKRNStdBevel::bsBottomLine);

    spbEnde = new TKRNStdSpeedButton(QStringLiteral("spbEnde"), pnlHauptrahmen);
    spbEnde->SetCaption(QStringLiteral("Ende"));
    spbEnde->SetGlyphOnly(true);
    spbEnde->SetGlyph(QStyle::SP_DialogCloseButton);
    spbEnde->SetHint(QStringLiteral("Esc - Programm beenden"));
    connect(spbEnde, &QToolButton::clicked, this, [this] { btnEndeClick(spbEnde); });

    spbVersion = new TKRNStdSpeedButton(QStringLiteral("spbVersion"), pnlHauptrahmen);
    spbVersion->SetCaption(QStringLiteral("Version"));
    spbVersion->SetGlyphOnly(true);
    spbVersion->SetGlyph(QStyle::SP_MessageBoxInformation);
    spbVersion->SetHint(QStringLiteral("Versionsanzeige"));

    spbVerlauf = new TKRNStdSpeedButton(QStringLiteral("spbVerlauf"), pnlHauptrahmen);
    spbVerlauf->SetCaption(QStringLiteral("Verlauf"));
    spbVerlauf->SetGlyphOnly(true);
    spbVerlauf->SetGlyph(QStyle::SP_FileDialogDetailedView);
    spbVerlauf->SetHint(QStringLiteral("F9 - Verlauf der Änderungen"));
    connect(spbVerlauf, &QToolButton::clicked, this, [this] { btnVerlaufClick(spbVerlauf); });

    const auto knopf = [this](const char* name, const QString& text, const QString& hinweis,
                              QStyle::StandardPixmap bild, void (TfrmMain::*klick)(QObject*)) {
        auto* button = new TKRNStdSpeedButton(QString::fromLatin1(name), pnlHauptrahmen);
        button->SetCaption(text);
        button->SetGlyphOnly(true);
        button->SetGlyph(bild);
        button->SetHint(hinweis);
        connect(button, &QToolButton::clicked, this, [this, button, klick] { (this->*klick)(button); });
        return button;
    };
    spbExportieren = knopf("spbExportieren", QStringLiteral("Exportieren"),
                           QStringLiteral("Exportieren - die Filtereinstellungen in eine Datei schreiben"),
                           QStyle::SP_DialogSaveButton, &TfrmMain::btnExportierenClick);
    spbImportieren = knopf("spbImportieren", QStringLiteral("Importieren"),
                           QStringLiteral("Importieren - Filtereinstellungen aus einer Datei übernehmen"),
                           QStyle::SP_DialogOpenButton, &TfrmMain::btnImportierenClick);
    spbBericht = knopf("spbBericht", QStringLiteral("Bericht"),
                       QStringLiteral("Bericht - welche Einstellung jeder Rechner bekommt, als HTML-Seite"),
                       QStyle::SP_FileDialogContentsView, &TfrmMain::btnBerichtClick);

    btsMain = new TButtons(QStringLiteral("btsMain"), pnlHauptrahmen);
    btsMain->setAccessibleName(QStringLiteral("Hauptmenü"));
    AddFixedEntry(QStringLiteral("HeadFilter"), QStringLiteral("Filtereinstellungen bearbeiten"), btHead);
    AddFixedEntry(QStringLiteral("FLT1"), QStringLiteral("Button 5"), btMenu);
    AddFixedEntry(QStringLiteral("HeadKommunikation"),
                  QStringLiteral("Kommunikationseinstellungen bearbeiten"), btHead);
    AddFixedEntry(QStringLiteral("KOMM1"), QStringLiteral("Button 6"), btMenu);
    AddFixedEntry(QStringLiteral("HeadOptions"), QStringLiteral("Filter aktivieren / passivieren"), btHead);
    AddFixedEntry(kFilterOnOff, QStringLiteral("Einstellungen"), btMenu);
    btsMain->SetOnBtnClick(
        [this](QObject* sender, int position, const QString& name) { bmnMainClick(sender, position, name); });
    btsMain->setFocus();

    actEsc =
        AddAction(QStringLiteral("actEsc"), QKeySequence(Qt::Key_Escape), [this] { btnEndeClick(actEsc); });
    actF9 =
        AddAction(QStringLiteral("actF9"), QKeySequence(Qt::Key_F9), [this] { btnVerlaufClick(actF9); });

    PlaceComponents();
}

void TfrmMain::AddFixedEntry(const QString& name, const QString& caption, TButtonType type)
{
    TButtonItem* item = btsMain->Items().Add();
    item->SetButtonName(name);
    item->SetLeftCaption(caption);
    item->SetButtonType(type);
}

void TfrmMain::PlaceComponents()
{
    const int w = width();
    const int h = height();
    pnlHauptrahmen->setGeometry(0, 0, w, h);
    bvlButtons->setGeometry(kMargin, kMargin, w - 2 * kMargin, kBarHeight);
    spbEnde->setGeometry(kMargin, kMargin, kButtonSize, kButtonSize);
    spbVersion->setGeometry(w - kMargin - kButtonSize, kMargin, kButtonSize, kButtonSize);
    spbVerlauf->setGeometry(w - kMargin - 2 * kButtonSize - 2, kMargin, kButtonSize, kButtonSize);
    spbBericht->setGeometry(w - kMargin - 3 * kButtonSize - 8, kMargin, kButtonSize, kButtonSize);
    spbImportieren->setGeometry(w - kMargin - 4 * kButtonSize - 10, kMargin, kButtonSize, kButtonSize);
    spbExportieren->setGeometry(w - kMargin - 5 * kButtonSize - 12, kMargin, kButtonSize, kButtonSize);
    btsMain->setGeometry(kMargin, kMenuTop, w - 2 * kMargin, h - kMenuTop - kMenuBottom);
}

void TfrmMain::resizeEvent(QResizeEvent* event)
{
    TKRNForm::resizeEvent(event);
    PlaceComponents();
}

void TfrmMain::FormCreate(QObject*)
{
    KRNGuard(QStringLiteral("TfrmMain.FormCreate"), true, [&] {
        FIdle_RefreshMenu = false;
        KRNFormInit(KRNProgramm().ProgrammKennung() + QStringLiteral(".frmMain"), true);
        SetCaption(Caption() + QStringLiteral(" - ") + KRNProgramm().GetTextMandant() +
                   (KRNNurLesen() ? QStringLiteral(" (nur lesen)") : QString()));
        KRNSperrenWennNurLesen({spbImportieren});
        TdtmKOMMFilter* dtm = dtmKOMMFilter;
        if (!dtm) {
            throw KRNException(QStringLiteral("Das Datenmodul ist nicht angelegt."));
        }
        connect(spbVersion, &QToolButton::clicked, dtm, [dtm] { dtm->VersionsInfo(dtm); });
        RefreshMenu();
        // A filter kind switched on or off at another workstation: the menu
        // follows at the next idle moment, as after the activation dialog.
        if (TFremdeAenderungenWaechter* waechter = TFremdeAenderungenWaechter::Aktuell()) {
            connect(waechter, &TFremdeAenderungenWaechter::Geaendert, this,
                    [this](const TFremdeAenderungen& aenderungen) {
                        if (aenderungen.Filterarten()) {
                            FIdle_RefreshMenu = true;
                        }
                    });
        }
        Application().SetOnIdle([self = QPointer<TfrmMain>(this)](QObject* sender, bool& done) {
            if (self) {
                self->Idle(sender, done);
            }
        });
    });
}

void TfrmMain::RefreshMenu()
{
    KRNGuard(QStringLiteral("TfrmMain.RefreshMenu"), true, [&] {
        FIdle_RefreshMenu = false;
        if (!dtmKOMMFilter) {
            throw KRNException(QStringLiteral("Das Datenmodul ist nicht angelegt."));
        }
        dtmKOMMFilter->RefreshFilterList();

        TButtonItems& items = btsMain->Items();
        int position = 0;
        while (position < items.Count()) {
            const QString name = items.Item(position)->ButtonName();
            if (name.startsWith(kFilterPrefix) || name.startsWith(kKommPrefix)) {
                items.Delete(position);
            } else {
                ++position;
            }
        }

        const TKOMMFilterList& filterList = dtmKOMMFilter->FilterList;
        for (int i = 0; i < filterList.size(); ++i) {
            const TKOMMFilterItem& filter = filterList[i];
            TButtonItem* editEntry = items.Insert(1);
            editEntry->SetButtonName(kFilterPrefix + filter.Kennung);
            editEntry->SetLeftCaption(filter.Bezeichnung);
            TButtonItem* kommEntry = items.Insert(i + 3);
            kommEntry->SetButtonName(kKommPrefix + filter.Kennung);
            kommEntry->SetLeftCaption(filter.Bezeichnung);
        }
        btsMain->SetNote(filterList.isEmpty() ? kHinweisOhneFilter : QString());
    });
}

void TfrmMain::Idle(QObject*, bool&)
{
    KRNGuard(QStringLiteral("TfrmMain.Idle"), true, [&] {
        if (FIdle_RefreshMenu) {
            FIdle_RefreshMenu = false;
            RefreshMenu();
        }
    });
}

void TfrmMain::bmnMainClick(QObject*, int, const QString& buttonName)
{
    KRNGuard(QStringLiteral("TfrmMain.bmnMainClick"), true, [&] {
        if (buttonName == kFilterOnOff) {
            DoFilterOnOff();
        } else if (buttonName.startsWith(kFilterPrefix)) {
            DoFilterEdit(buttonName.mid(kFilterPrefix.size()));
        } else if (buttonName.startsWith(kKommPrefix)) {
            DoKommunikationEdit(buttonName.mid(kKommPrefix.size()));
        }
    });
}

void TfrmMain::btnEndeClick(QObject*)
{
    KRNGuard(QStringLiteral("TfrmMain.btnEndeClick"), true, [&] { Application().Terminate(); });
}

void TfrmMain::btnVerlaufClick(QObject*)
{
    KRNGuard(QStringLiteral("TfrmMain.btnVerlaufClick"), true, [&] { VerlaufZeigen(TVerlaufSuche()); });
}

void TfrmMain::btnExportierenClick(QObject*)
{
    KRNGuard(QStringLiteral("TfrmMain.btnExportierenClick"), true, [&] {
        const QString datei = DateiWahl()(this, true, QStringLiteral("Filtereinstellungen exportieren"), kJsonFilter);
        if (datei.isEmpty()) {
            return;
        }
        DateiSchreiben(datei, AustauschText(AustauschLesen(TStore::Required(), {}, false)));
        KRNInfo().ShowMeldung(mtNotice, 1050, QStringLiteral("VELDRAKE"), {datei});
    });
}

void TfrmMain::btnImportierenClick(QObject*)
{
    KRNGuard(QStringLiteral("TfrmMain.btnImportierenClick"), true, [&] {
        const QString datei =
            DateiWahl()(this, false, QStringLiteral("Filtereinstellungen importieren"), kJsonFilter);
        if (!datei.isEmpty() && ImportZeigen(datei)) {
            // The kinds switched on may have changed.
            FIdle_RefreshMenu = true;
        }
    });
}

void TfrmMain::btnBerichtClick(QObject*)
{
    KRNGuard(QStringLiteral("TfrmMain.btnBerichtClick"), true, [&] {
        const QString datei = DateiWahl()(this, true, QStringLiteral("Bericht speichern"),
                                          QStringLiteral("HTML-Seite (*.html);;Alle Dateien (*)"));
        if (datei.isEmpty()) {
            return;
        }
        DateiSchreiben(datei, BerichtHtml(BerichtLesen(TStore::Required())));
        // The page opens in the browser where a screen can show one.
        const QString plattform = QGuiApplication::platformName();
        if (plattform == u"offscreen" || plattform == u"minimal" ||
            !QDesktopServices::openUrl(QUrl::fromLocalFile(datei))) {
            KRNInfo().ShowMeldung(mtNotice, 1052, QStringLiteral("VELDRAKE"), {datei});
        }
    });
}

void TfrmMain::DoFilterEdit(const QString& kennung)
{
    KRNGuard(QStringLiteral("TfrmMain.DoFilterEdit"), true, [&] {
        RequireDialog(frmLoad, QStringLiteral("frmLoad"));
        RequireDialog(frmSave, QStringLiteral("frmSave"));
        const QString anzeigename = GetKOMMFilterBezeichnung(kennung);

        frmLoad->SetLoeschen(true);
        frmLoad->SetNeuanlage(true);
        frmLoad->SetFilterKennung(kennung);
        frmLoad->SetCaption(QStringLiteral("Filtereinstellungen bearbeiten - ") + anzeigename);
        if (frmLoad->ShowModal() != mrOk) {
            return;
        }

        // The editor belongs to this run and goes whichever way it ends.
        const TKOMMFilterEditorClass editorClass = GetKOMMFilterEditor(kennung);
        if (!editorClass || !editorClass->Create) {
            throw KRNException(QStringLiteral("Für den Filter %1 ist kein Editor registriert.").arg(kennung));
        }
        const std::unique_ptr<TfrmKOMMFilterEditor, TKRNFree> editor(editorClass->Create());
        editor->SetFilterKennung(frmLoad->FilterKennung());
        editor->SetFilterBezeichnung(frmLoad->FilterBezeichnung());
        editor->SetFilterBeschreibung(frmLoad->FilterBeschreibung());
        editor->FilterInitialize();
        editor->FilterLoad();
        if (editor->ShowModal() != mrOk) {
            return;
        }

        frmSave->SetCaption(QStringLiteral("Filtereinstellungen speichern - ") + anzeigename);
        frmSave->SetFilterKennung(editor->FilterKennung());
        frmSave->SetFilterBezeichnung(editor->FilterBezeichnung());
        frmSave->SetFilterBeschreibung(editor->FilterBeschreibung());
        // A write that was rolled back (it failed, or the name was taken in
        // the meantime and not written over) brings the save dialog back
        // with the confirmed entries, so that confirming again saves it all.
        while (frmSave->ShowModal() == mrOk) {
            editor->edtBezeichnung->SetStoredText(frmSave->FilterBezeichnung());
            editor->edtBeschreibung->SetStoredText(frmSave->FilterBeschreibung());
            editor->SetUeberschreiben(frmSave->NameWiederverwenden());
            editor->FilterSave();
            if (editor->Gespeichert()) {
                return;
            }
        }
    });
}

void TfrmMain::DoKommunikationEdit(const QString& kennung)
{
    KRNGuard(QStringLiteral("TfrmMain.DoKommunikationEdit"), true, [&] {
        RequireDialog(frmLoad, QStringLiteral("frmLoad"));
        RequireDialog(frmRechner, QStringLiteral("frmRechner"));
        frmLoad->SetLoeschen(false);
        frmLoad->SetNeuanlage(false);
        frmLoad->SetFilterKennung(kennung);
        frmLoad->SetCaption(QStringLiteral("Kommunikationseinstellungen für gespeicherte Filter - ") +
                            GetKOMMFilterBezeichnung(kennung));
        // Back to the chooser until the assignment is booked or the chooser
        // is cancelled.
        while (frmLoad->ShowModal() == mrOk) {
            frmRechner->SetFilterKennung(frmLoad->FilterKennung());
            frmRechner->SetFilterBezeichnung(frmLoad->FilterBezeichnung());
            frmRechner->SetFilterBeschreibung(frmLoad->FilterBeschreibung());
            frmRechner->lblUeberschrift->SetCaption(
                QStringLiteral("Kommunikationseinstellungen für den Filter\r\n") + frmLoad->FilterKennung() +
                QStringLiteral(" - ") + frmLoad->FilterBezeichnung() + QStringLiteral("\r\n") +
                frmLoad->FilterBeschreibung());
            if (frmRechner->ShowModal() == mrOk) {
                return;
            }
        }
    });
}

void TfrmMain::DoFilterOnOff()
{
    KRNGuard(QStringLiteral("TfrmMain.DoFilterOnOff"), true, [&] {
        RequireDialog(frmFilterOnOff, QStringLiteral("frmFilterOnOff"));
        if (frmFilterOnOff->ShowModal() == mrOk) {
            FIdle_RefreshMenu = true;
        }
    });
}
