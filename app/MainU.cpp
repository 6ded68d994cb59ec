#include "app/MainU.h"

#include "data/MainDM.h"
#include "dialogs/FilterOnOffU.h"
#include "dialogs/LoadFilterU.h"
#include "dialogs/RechnerU.h"
#include "dialogs/SaveFilterU.h"
#include "host/Application.h"
#include "host/Guard.h"
#include "host/KRNControls.h"
#include "host/KRNError.h"
#include "host/KRNProgramm.h"

#include <QAction>
#include <QPointer>

TfrmMain* frmMain = nullptr;

namespace {

const QString kFilterPrefix = QStringLiteral("FLT");
const QString kKommPrefix = QStringLiteral("KOMM");
const QString kFilterOnOff = QStringLiteral("FILTERONOFF");

constexpr int kMargin = 4;
constexpr int kBarHeight = 29;
constexpr int kButtonSize = 26;
constexpr int kMenuTop = 36;

// A workflow refuses to start without the dialog it needs (its creation
// failed at start-up).
void RequireDialog(const TKRNForm* dialog, const QString& name)
{
    if (!dialog) {
        throw KRNException(QStringLiteral("Das Fenster %1 ist nicht vorhanden.").arg(name));
    }
}

// The workflows behind the menu entries are not built yet; an entry
// refuses through the failure report.
[[noreturn]] void WorkflowAbsent(const QString& workflow, const QString& kennung)
{
    QString text = QStringLiteral("Der Ablauf %1 ist noch nicht verfügbar.").arg(workflow);
    if (!kennung.isEmpty()) {
        text += QStringLiteral(" (Filter %1)").arg(kennung);
    }
    throw KRNException(text);
}

} // namespace

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

    pnlHauptrahmen = new TKRNStdPanel(QStringLiteral("pnlHauptrahmen"), this);
    pnlHauptrahmen->SetColor(palette().color(QPalette::Base));

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

    btsMain = new TButtons(QStringLiteral("btsMain"), pnlHauptrahmen);
    btsMain->SetColor(Qt::white);
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
    btsMain->setGeometry(kMargin, kMenuTop, w - 2 * kMargin, h - kMenuTop - 6);
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
        SetCaption(Caption() + QStringLiteral(" - ") + KRNProgramm().GetTextMandant());
        TdtmKOMMFilter* dtm = dtmKOMMFilter;
        if (!dtm) {
            throw KRNException(QStringLiteral("Das Datenmodul ist nicht angelegt."));
        }
        connect(spbVersion, &QToolButton::clicked, dtm, [dtm] { dtm->VersionsInfo(dtm); });
        RefreshMenu();
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

void TfrmMain::DoFilterEdit(const QString& kennung)
{
    KRNGuard(QStringLiteral("TfrmMain.DoFilterEdit"), true, [&] {
        RequireDialog(frmLoad, QStringLiteral("frmLoad"));
        RequireDialog(frmSave, QStringLiteral("frmSave"));
        WorkflowAbsent(QStringLiteral("DoFilterEdit"), kennung);
    });
}

void TfrmMain::DoKommunikationEdit(const QString& kennung)
{
    KRNGuard(QStringLiteral("TfrmMain.DoKommunikationEdit"), true, [&] {
        RequireDialog(frmLoad, QStringLiteral("frmLoad"));
        RequireDialog(frmRechner, QStringLiteral("frmRechner"));
        WorkflowAbsent(QStringLiteral("DoKommunikationEdit"), kennung);
    });
}

void TfrmMain::DoFilterOnOff()
{
    KRNGuard(QStringLiteral("TfrmMain.DoFilterOnOff"), true, [&] {
        RequireDialog(frmFilterOnOff, QStringLiteral("frmFilterOnOff"));
        WorkflowAbsent(QStringLiteral("DoFilterOnOff"), QString());
    });
}
