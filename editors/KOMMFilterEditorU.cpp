#include "editors/KOMMFilterEditorU.h"

#include "host/Guard.h"
#include "host/KRNProgramm.h"

#include <QAction>

TfrmKOMMFilterEditor::TfrmKOMMFilterEditor(QWidget* parent) : TKRNForm(parent)
{
    setObjectName(QStringLiteral("frmKOMMFilterEditor"));
    SetCaption(QStringLiteral("frmKOMMFilterEditor"));
    SetupUi();
}

TfrmKOMMFilterEditor::~TfrmKOMMFilterEditor() = default;

void TfrmKOMMFilterEditor::SetupUi()
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    pnlHauptrahmen = new TKRNStdPanel(QStringLiteral("pnlHauptrahmen"), this);
    pnlHauptrahmen->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlDaten = new TKRNStdPanel(QStringLiteral("pnlDaten"), pnlHauptrahmen);
    pnlDaten->setGeometry(4, 4, 673, 429);
    pnlHauptrahmen->setGeometry(4, 4, 681, 437);
    setFixedSize(688, 446);

    bvlButtons = new TKRNStdBevel(QStringLiteral("bvlButtons"), pnlDaten, TKRNStdBevel::bsBottomLine);
    bvlButtons->setGeometry(4, 4, 665, 69);

    spbCancel = new TKRNStdSpeedButton(QStringLiteral("spbCancel"), pnlDaten);
    spbCancel->move(4, 4);
    spbCancel->SetCaption(QStringLiteral("Abbrechen"));
    spbCancel->SetHint(QStringLiteral("Esc - zurück ..."));
    spbCancel->SetGlyph(QStyle::SP_DialogCancelButton);
    connect(spbCancel, &QToolButton::clicked, this, [this] { spbCancelClick(spbCancel); });

    spbBuchen = new TKRNStdSpeedButton(QStringLiteral("spbBuchen"), pnlDaten);
    spbBuchen->move(72, 4);
    spbBuchen->SetCaption(QStringLiteral("Speichern"));
    spbBuchen->SetHint(QStringLiteral("F5 - Buchen ..."));
    spbBuchen->SetGlyph(QStyle::SP_DialogSaveButton);
    connect(spbBuchen, &QToolButton::clicked, this, [this] { btnBuchenClick(spbBuchen); });

    edtBezeichnung = new TKRNStdEdit(QStringLiteral("edtBezeichnung"), pnlDaten);
    edtBezeichnung->setGeometry(100, 80, 149, 24);
    edtBezeichnung->SetFieldType(TKRNFieldType::KRN_Uppercase);
    edtBezeichnung->SetMaxLength(16);

    edtBeschreibung = new TKRNStdEdit(QStringLiteral("edtBeschreibung"), pnlDaten);
    edtBeschreibung->setGeometry(100, 112, 561, 24);
    edtBeschreibung->SetMaxLength(80);
    QWidget::setTabOrder(edtBezeichnung, edtBeschreibung);

    lblTxtBezeichnung = new TKRNAttachLabel(QStringLiteral("lblTxtBezeichnung"), pnlDaten);
    lblTxtBezeichnung->SetCaption(QStringLiteral("Be&zeichnung"));
    lblTxtBezeichnung->Attach(edtBezeichnung);
    PlaceAttachLabel(lblTxtBezeichnung, 8, edtBezeichnung);

    lblTxtBeschreibung = new TKRNAttachLabel(QStringLiteral("lblTxtBeschreibung"), pnlDaten);
    lblTxtBeschreibung->SetCaption(QStringLiteral("Be&schreibung"));
    lblTxtBeschreibung->Attach(edtBeschreibung);
    PlaceAttachLabel(lblTxtBeschreibung, 8, edtBeschreibung);

    AddAction(QStringLiteral("actEsc"), QKeySequence(Qt::Key_Escape), [this] { spbCancelClick(this); });
    AddAction(QStringLiteral("actF5"), QKeySequence(Qt::Key_F5), [this] { btnBuchenClick(this); });
}

void TfrmKOMMFilterEditor::FormCreate(QObject*)
{
    KRNGuard(QStringLiteral("TfrmKOMMFilterEditor.FormCreate"), true, [&] {
        KRNFormInit(KRNProgramm().ProgrammKennung() + QLatin1Char('.') + objectName(), true);
        FFilterKennung.clear();
        FFilterBezeichnung.clear();
        FFilterBeschreibung.clear();
    });
}

void TfrmKOMMFilterEditor::FormShow(QObject*)
{
    KRNGuard(QStringLiteral("TfrmKOMMFilterEditor.FormShow"), true, [&] {
        SetCaption(QStringLiteral("Einstellungen bearbeiten - ") + GetKOMMFilterBezeichnung(FFilterKennung));
        edtBezeichnung->setText(FFilterBezeichnung);
        edtBeschreibung->setText(FFilterBeschreibung);
    });
}

void TfrmKOMMFilterEditor::btnBuchenClick(QObject*)
{
    KRNGuard(QStringLiteral("TfrmKOMMFilterEditor.btnBuchenClick"), true, [&] {
        FFilterBezeichnung = edtBezeichnung->text();
        FFilterBeschreibung = edtBeschreibung->text();
        SetModalResult(mrOk);
    });
}

void TfrmKOMMFilterEditor::spbCancelClick(QObject*)
{
    KRNGuard(QStringLiteral("TfrmKOMMFilterEditor.spbCancelClick"), true, [&] { SetModalResult(mrCancel); });
}

void PlaceAttachLabel(TKRNAttachLabel* label, int x, QWidget* control)
{
    label->adjustSize();
    label->move(x, control->y() + (control->height() - label->height()) / 2);
}
