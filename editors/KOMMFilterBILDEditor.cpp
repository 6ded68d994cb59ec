#include "editors/KOMMFilterBILDEditor.h"

#include "editors/BildQualitaet.h"
#include "editors/BildVorschau.h"
#include "host/KRNFormFrame.h"
#include "host/core/Guard.h"
#include "host/core/KRNConvert.h"

#include <QStringList>

#include <stdexcept>

namespace {

// An integer edit of the image settings: digits only, stepping with the
// arrow keys and the wheel.
TKRNStdEdit* NewIntegerEdit(const QString& name, QWidget* parent, int maxDigits, int maxValue)
{
    auto* edit = new TKRNStdEdit(name, parent);
    edit->SetMaxLength(maxDigits);
    edit->SetFieldType(TKRNFieldType::KRN_Integer);
    edit->SetMaxValue(maxValue);
    return edit;
}

TKRNAttachLabel* NewAttachLabel(const QString& name, const QString& caption, int x, TKRNStdEdit* edit)
{
    auto* label = new TKRNAttachLabel(name, edit->parentWidget());
    label->SetCaption(caption);
    label->Attach(edit);
    PlaceAttachLabel(label, x, edit);
    return label;
}

} // namespace

TfrmBildKOMMFilterEditor::TfrmBildKOMMFilterEditor(QWidget* parent) : TfrmKOMMFilterEditor(parent)
{
    setObjectName(QStringLiteral("frmBildKOMMFilterEditor"));
    SetCaption(QStringLiteral("frmBildKOMMFilterEditor"));
    SetupUi();
}

TfrmBildKOMMFilterEditor::~TfrmBildKOMMFilterEditor() = default;

TKOMMFilterEditorClass TfrmBildKOMMFilterEditor::ClassRef()
{
    return KOMMFilterEditorClassRef<TfrmBildKOMMFilterEditor>("TfrmBildKOMMFilterEditor");
}

QString TfrmBildKOMMFilterEditor::UeberschriftText()
{
    return QStringList{
        QStringLiteral("Hier können Sie einstellen, wie Bilder in der Qualität geändert werden sollen, "),
        QStringLiteral(
            "wenn sie an externe PC's übertragen werden bzw. bei der Einrichtung hinkopiert werden;"),
        QStringLiteral("man kann dies aber auch explizit verbieten."),
        QString(),
        QStringLiteral("Ist die angegebene Größe kleiner, als die tatsächliche Bildgröße, wird das Bild "
                       "verkleinert."),
        QStringLiteral(
            "Ausserdem kann man noch bei gleichbleibender Größe die Qualität des Bildes verringern."),
    }
        .join(QStringLiteral("\r\n"));
}

void TfrmBildKOMMFilterEditor::SetupUi()
{
    // Shorter than the base editor; the frame follows.
    Anchors().FixClientSize(QSize(688, 420));

    lblTxtUeberschrift = new TKRNStdLabel(QStringLiteral("lblTxtUeberschrift"), pnlDaten);
    lblTxtUeberschrift->setGeometry(8, 140, 657, 117);
    lblTxtUeberschrift->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblTxtUeberschrift->setTextFormat(Qt::PlainText);
    lblTxtUeberschrift->SetCaption(UeberschriftText());

    chbBildLoeschen = new TKRNStdCheckBox(QStringLiteral("chbBildLoeschen"), pnlDaten);
    chbBildLoeschen->setGeometry(176, 252, 281, 17);
    chbBildLoeschen->SetCaption(QStringLiteral("Bild nicht übertragen"));
    chbBildLoeschen->SetOnClick([this] { chbBildLoeschenClick(chbBildLoeschen); });

    chbOnlyFirstPicExp = new TKRNStdCheckBox(QStringLiteral("chbOnlyFirstPicExp"), pnlDaten);
    chbOnlyFirstPicExp->setGeometry(176, 284, 281, 17);
    chbOnlyFirstPicExp->SetCaption(QStringLiteral("Nur ein Bild (erstes Bild) übertragen"));
    chbOnlyFirstPicExp->SetOnClick([this] { chbBildLoeschenClick(chbOnlyFirstPicExp); });

    edtGroesseBreite = NewIntegerEdit(QStringLiteral("edtGroesseBreite"), pnlDaten, 5, 99999);
    edtGroesseBreite->setGeometry(380, 311, 75, 24);
    lblGroesseBreite =
        NewAttachLabel(QStringLiteral("lblGroesseBreite"),
                       QStringLiteral("max. &Breite (Auflösung in Pixel)"), 174, edtGroesseBreite);

    edtGroesseHoehe = NewIntegerEdit(QStringLiteral("edtGroesseHoehe"), pnlDaten, 5, 99999);
    edtGroesseHoehe->setGeometry(380, 342, 75, 24);
    lblGroesseHoehe = NewAttachLabel(QStringLiteral("lblGroesseHoehe"),
                                     QStringLiteral("max. &Höhe (Auflösung in Pixel)"), 176, edtGroesseHoehe);

    edtQualitaet = NewIntegerEdit(QStringLiteral("edtQualitaet"), pnlDaten, 3, 100);
    edtQualitaet->setGeometry(380, 373, 75, 24);
    lblQualitaet =
        NewAttachLabel(QStringLiteral("lblQualitaet"), QStringLiteral("&Qualität (in %)"), 176, edtQualitaet);

    // Name, description, height, quality, the two check boxes, width.
    QWidget::setTabOrder(edtBeschreibung, edtGroesseHoehe);
    QWidget::setTabOrder(edtGroesseHoehe, edtQualitaet);
    QWidget::setTabOrder(edtQualitaet, chbBildLoeschen);
    QWidget::setTabOrder(chbBildLoeschen, chbOnlyFirstPicExp);
    QWidget::setTabOrder(chbOnlyFirstPicExp, edtGroesseBreite);

    // The preview button follows the base editor's buttons in the bar.
    spbVorschau = new TKRNStdSpeedButton(QStringLiteral("spbVorschau"), spbBuchen->parentWidget());
    spbVorschau->move(spbBuchen->pos() + (spbBuchen->pos() - spbCancel->pos()));
    spbVorschau->SetCaption(QStringLiteral("Vorschau"));
    spbVorschau->SetHint(QStringLiteral("F6 - Vorschau ..."));
    spbVorschau->SetFlat(true);
    spbVorschau->SetGlyph(QStyle::SP_FileDialogContentsView);
    connect(spbVorschau, &QToolButton::clicked, this, [this] { spbVorschauClick(spbVorschau); });
    AddAction(QStringLiteral("actF6"), QKeySequence(Qt::Key_F6), [this] { spbVorschauClick(this); });
}

TBildKOMMFilter& TfrmBildKOMMFilterEditor::Filter() const
{
    if (!FBildKOMMFilter) {
        throw std::logic_error("Das Filterobjekt ist nicht angelegt (FilterInitialize fehlt).");
    }
    return *FBildKOMMFilter;
}

void TfrmBildKOMMFilterEditor::FormCreate(QObject* sender)
{
    KRNGuard(QStringLiteral("TfrmBildKOMMFilterEditor.FormCreate"), true, [&] {
        TfrmKOMMFilterEditor::FormCreate(sender);
        FBildKOMMFilter.reset();
    });
}

void TfrmBildKOMMFilterEditor::FormDestroy(QObject*)
{
    KRNDestroyGuard(QStringLiteral("TfrmBildKOMMFilterEditor.FormDestroy"), [&] { FBildKOMMFilter.reset(); });
}

void TfrmBildKOMMFilterEditor::FilterInitialize()
{
    KRNGuard(QStringLiteral("TfrmBildKOMMFilterEditor.FilterInitialize"), true, [&] {
        if (SameText(FilterKennung(), TKBILKommFilter::Filter_Kennung())) {
            FBildKOMMFilter = std::make_unique<TKBILKommFilter>(FilterKennung(), FilterBezeichnung());
        } else {
            FBildKOMMFilter = std::make_unique<TABILKommFilter>(FilterKennung(), FilterBezeichnung());
        }
    });
}

void TfrmBildKOMMFilterEditor::FilterLoad()
{
    KRNGuard(QStringLiteral("TfrmBildKOMMFilterEditor.FilterLoad"), true, [&] {
        TBildKOMMFilter& filter = Filter();
        filter.Kennung = FilterKennung();
        filter.Bezeichnung = FilterBezeichnung();
        const bool found = filter.FilterLoad();
        if (!found) {
            filter.FilterClear();
        }
        // The name of an existing setting is fixed; a new one gets its name here.
        edtBezeichnung->setEnabled(!found);
        edtBezeichnung->SetStoredText(FilterBezeichnung());
        edtBeschreibung->SetStoredText(FilterBeschreibung());
        chbBildLoeschen->SetChecked(filter.BildLoeschen);
        edtGroesseBreite->SetStoredText(QString::number(filter.GroesseBreite));
        edtGroesseHoehe->SetStoredText(QString::number(filter.GroesseHoehe));
        chbOnlyFirstPicExp->SetChecked(filter.OnlyFirstPicExp);
        const QString ausserhalb = filter.QualitaetsverlustAusserhalb();
        if (ausserhalb.isEmpty()) {
            edtQualitaet->SetStoredText(QString::number(BildQualitaetProzent(filter.Qualitaetsverlust)));
        } else {
            edtQualitaet->SetStoredText(
                ausserhalb,
                QStringLiteral("Der gespeicherte Qualitätsverlust %1 liegt außerhalb von 0 bis 255 "
                               "und hat keinen Prozentwert.")
                    .arg(ausserhalb));
        }
    });
}

void TfrmBildKOMMFilterEditor::FilterSave()
{
    KRNGuard(QStringLiteral("TfrmBildKOMMFilterEditor.FilterSave"), true, [&] {
        TBildKOMMFilter& filter = Filter();
        filter.Kennung = FilterKennung();
        filter.Bezeichnung = edtBezeichnung->text();
        filter.Beschreibung = edtBeschreibung->text();
        EditsInFilter(filter);
        EinstellungSpeichern(filter);
    });
}

// Disabled controls are taken as they stand. A number edit still showing the
// loaded value keeps the filter's value: the edit may not be able to show it
// exactly.
void TfrmBildKOMMFilterEditor::EditsInFilter(TBildKOMMFilter& filter) const
{
    filter.BildLoeschen = chbBildLoeschen->Checked();
    if (!edtGroesseBreite->ShowsStoredText()) {
        filter.GroesseBreite = StrToIntDef(edtGroesseBreite->text(), 0);
    }
    if (!edtGroesseHoehe->ShowsStoredText()) {
        filter.GroesseHoehe = StrToIntDef(edtGroesseHoehe->text(), 0);
    }
    filter.OnlyFirstPicExp = chbOnlyFirstPicExp->Checked();
    if (!edtQualitaet->ShowsStoredText()) {
        filter.Qualitaetsverlust = BildQualitaetsverlust(edtQualitaet->text());
    }
}

TBildEinstellung TfrmBildKOMMFilterEditor::EinstellungAusEdits() const
{
    TBildKOMMFilter filter{QString(), QString()};
    if (FBildKOMMFilter) {
        // Values the edits show as stored come from the loaded setting.
        filter.GroesseBreite = FBildKOMMFilter->GroesseBreite;
        filter.GroesseHoehe = FBildKOMMFilter->GroesseHoehe;
        filter.Qualitaetsverlust = FBildKOMMFilter->Qualitaetsverlust;
    }
    EditsInFilter(filter);
    return TBildEinstellung::Von(filter);
}

bool TfrmBildKOMMFilterEditor::EingabenGeaendert() const
{
    if (TfrmKOMMFilterEditor::EingabenGeaendert() || !FBildKOMMFilter) {
        return TfrmKOMMFilterEditor::EingabenGeaendert();
    }
    const TBildKOMMFilter& filter = *FBildKOMMFilter;
    return chbBildLoeschen->Checked() != filter.BildLoeschen ||
           chbOnlyFirstPicExp->Checked() != filter.OnlyFirstPicExp || !edtGroesseBreite->ShowsStoredText() ||
           !edtGroesseHoehe->ShowsStoredText() || !edtQualitaet->ShowsStoredText();
}

void TfrmBildKOMMFilterEditor::spbVorschauClick(QObject*)
{
    KRNGuard(QStringLiteral("TfrmBildKOMMFilterEditor.spbVorschauClick"), true, [&] {
        if (frmVorschau == nullptr) {
            frmVorschau = new TfrmBildVorschau(this);
        }
        frmVorschau->SetEinstellung(EinstellungAusEdits());
        frmVorschau->show();
        frmVorschau->raise();
    });
}

void TfrmBildKOMMFilterEditor::chbBildLoeschenClick(QObject*)
{
    KRNGuard(QStringLiteral("TfrmBildKOMMFilterEditor.chbBildLoeschenClick"), true, [&] {
        const bool uebertragen = !chbBildLoeschen->Checked();
        edtGroesseBreite->setEnabled(uebertragen);
        edtGroesseHoehe->setEnabled(uebertragen);
        edtQualitaet->setEnabled(uebertragen);
        chbOnlyFirstPicExp->setEnabled(uebertragen);
    });
}

void DoRegisterBildKOMMFilterEditor()
{
    KRNGuard(QStringLiteral("DoRegisterBildKOMMFilterEditor"), true, [] {
        RegisterKOMMFilterEditor(TABILKommFilter::Filter_Kennung(), QStringLiteral("Artikelbilder"),
                                 TABILKommFilter::ClassRef(), TfrmBildKOMMFilterEditor::ClassRef());
        RegisterKOMMFilterEditor(TKBILKommFilter::Filter_Kennung(), QStringLiteral("Katalogbilder"),
                                 TKBILKommFilter::ClassRef(), TfrmBildKOMMFilterEditor::ClassRef());
    });
}
