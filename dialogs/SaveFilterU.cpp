#include "dialogs/SaveFilterU.h"

#include "data/MainDM.h"
#include "dialogs/DialogSupport.h"
#include "host/KRNControls.h"
#include "host/KRNFormFrame.h"
#include "host/core/Guard.h"
#include "host/core/KRNInfo.h"
#include "host/core/KRNProgramm.h"

#include <QAction>

TfrmSave* frmSave = nullptr;

namespace {

bool IsBlank(QChar c)
{
    return c.unicode() <= 32 || c.isSpace();
}

// The text without leading and trailing blanks and control characters.
QString Trim(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && IsBlank(text[first])) {
        ++first;
    }
    while (last > first && IsBlank(text[last - 1])) {
        --last;
    }
    return text.mid(first, last - first);
}

// What an edit confirms: the entry trimmed, or a stored value that the edit
// could not take as input exactly as it was stored.
QString Eingabe(const TKRNStdEdit& edit)
{
    return edit.HoldsForeignText() ? edit.text() : Trim(edit.text());
}

} // namespace

TfrmSave::TfrmSave(QWidget* parent) : TKRNForm(parent)
{
    setObjectName(QStringLiteral("frmSave"));
    SetupComponents();
}

TfrmSave::~TfrmSave()
{
    if (frmSave == this) {
        frmSave = nullptr;
    }
}

void TfrmSave::SetupComponents()
{
    SetCaption(QStringLiteral("frmSave"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto* anchors = new TAnchors(*this, QSize(488, 195));
    TDialogFrame frame(*this, *anchors);
    pnlHauptrahmen = frame.Hauptrahmen;
    pnlDaten = frame.Daten;
    bvlButtons = frame.Buttons;

    spbCancel = frame.AddButton(QStringLiteral("spbCancel"), QStringLiteral("Abbrechen"),
                                QStringLiteral("Esc - Abbrechen"), QStyle::SP_DialogCancelButton,
                                [this] { btnAbbrechenClick(spbCancel); });
    spbSave = frame.AddButton(QStringLiteral("spbSave"), QStringLiteral("Speichern"),
                              QStringLiteral("F5 - Speichern"), QStyle::SP_DialogSaveButton,
                              [this] { btnSaveClick(spbSave); });

    const int left = frame.ContentArea().left() + 4;
    const int editWidth = frame.ContentArea().width() - 8;

    edtBezeichnung = new TKRNStdEdit(QStringLiteral("edtBezeichnung"), pnlDaten);
    edtBezeichnung->SetMaxLength(BezeichnungMaxLength);
    edtBezeichnung->SetFieldType(TKRNFieldType::KRN_Uppercase);
    edtBezeichnung->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    anchors->Place(edtBezeichnung, QRect(left, 100, editWidth, 24), TAnchors::akLeftTopRight);

    edtBeschreibung = new TKRNStdEdit(QStringLiteral("edtBeschreibung"), pnlDaten);
    edtBeschreibung->SetMaxLength(BeschreibungMaxLength);
    edtBeschreibung->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    anchors->Place(edtBeschreibung, QRect(left, 148, editWidth, 24), TAnchors::akLeftTopRight);
    anchors->KeepMinimum();
    setTabOrder(edtBezeichnung, edtBeschreibung);

    lblBezeichnung = new TKRNAttachLabel(QStringLiteral("lblBezeichnung"), pnlDaten);
    lblBezeichnung->SetCaption(QStringLiteral("Bezeichnung"));
    lblBezeichnung->Attach(edtBezeichnung);
    anchors->Place(lblBezeichnung, QRect(left, 80, 120, 16));

    lblBeschreibung = new TKRNAttachLabel(QStringLiteral("lblBeschreibung"), pnlDaten);
    lblBeschreibung->SetCaption(QStringLiteral("Beschreibung"));
    lblBeschreibung->Attach(edtBeschreibung);
    anchors->Place(lblBeschreibung, QRect(left, 128, 120, 16));

    actEsc = AddAction(QStringLiteral("actEsc"), QKeySequence(Qt::Key_Escape),
                       [this] { btnAbbrechenClick(actEsc); });
    actF5 = AddAction(QStringLiteral("actF5"), QKeySequence(Qt::Key_F5), [this] { btnSaveClick(actF5); });
}

void TfrmSave::FormCreate(QObject*)
{
    KRNGuard(KRNLocation("TfrmSave", "FormCreate"), true, [&] {
        KRNFormInit(KRNProgramm().ProgrammKennung() + QStringLiteral(".frmSave"), true);
        ClearFilterEinstellung();
    });
}

void TfrmSave::FormShow(QObject*)
{
    KRNGuard(KRNLocation("TfrmSave", "FormShow"), true, [&] {
        FNameWiederverwenden = false;
        edtBezeichnung->SetStoredText(FFilterBezeichnung);
        edtBeschreibung->SetStoredText(FFilterBeschreibung);
        edtBezeichnung->setFocus();
    });
}

// Confirms name and description. An empty name is refused; a name that
// exists for this filter kind is used again only on Yes. When the existence
// check itself fails (reported by the data module), the dialog stays open:
// a name is never taken over without the question having been answered.
void TfrmSave::btnSaveClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmSave", "btnSaveClick"), true, [&] {
        SetModalResult(mrNone);
        const QString name = Eingabe(*edtBezeichnung);
        if (name.isEmpty()) {
            KRNInfo().ShowMeldung(mtNotice, 1002, QStringLiteral("VELDRAKE"));
            edtBezeichnung->setFocus();
            return;
        }
        const TFehlerWatch watch;
        const bool exists = FilterDataModule().BuchenEinstellungenPruefen(FFilterKennung, name);
        if (watch.Reported()) {
            return;
        }
        if (exists && KRNInfo().ShowMeldung(mtQuestion, 1003, QStringLiteral("VELDRAKE")) != mrYes) {
            return;
        }
        FFilterBezeichnung = name;
        FFilterBeschreibung = Eingabe(*edtBeschreibung);
        FNameWiederverwenden = exists;
        SetModalResult(mrOk);
    });
}

void TfrmSave::btnAbbrechenClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmSave", "btnAbbrechenClick"), true, [&] { SetModalResult(mrCancel); });
}
