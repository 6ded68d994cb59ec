#include "editors/KOMMFilterEditorU.h"

#include "host/KRNNurLesen.h"
#include "host/KRNFormFrame.h"
#include "host/KRNFremdeAenderungenLeiste.h"
#include "host/KRNHinweisLeiste.h"
#include "host/core/FremdeAenderungen.h"
#include "host/core/Guard.h"
#include "host/core/KOMMFilter.h"
#include "host/core/KRNInfo.h"
#include "host/core/KRNProgramm.h"
#include "host/store/Store.h"

#include <QAction>

namespace {

const QSize kDesignClient(688, 446);
const QSize kHauptrahmen(681, 437); // design size of the outer panel

} // namespace

TfrmKOMMFilterEditor::TfrmKOMMFilterEditor(QWidget* parent) : TKRNForm(parent)
{
    setObjectName(QStringLiteral("frmKOMMFilterEditor"));
    SetCaption(QStringLiteral("frmKOMMFilterEditor"));
    SetupUi();
}

TfrmKOMMFilterEditor::~TfrmKOMMFilterEditor() = default;

TAnchors& TfrmKOMMFilterEditor::Anchors() const
{
    return *m_anchors;
}

void TfrmKOMMFilterEditor::SetupUi()
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    m_anchors = new TAnchors(*this, kDesignClient);
    TDialogFrame frame(*this, *m_anchors, QStringLiteral("bvlButtons"), kHauptrahmen);
    pnlHauptrahmen = frame.Hauptrahmen;
    pnlDaten = frame.Daten;
    bvlButtons = frame.Buttons;
    m_anchors->FixClientSize(kDesignClient);

    spbCancel = frame.AddButton(QStringLiteral("spbCancel"), QStringLiteral("Abbrechen"),
                                QStringLiteral("Esc - zurück ..."), QStyle::SP_DialogCancelButton,
                                [this] { spbCancelClick(spbCancel); });
    spbBuchen = frame.AddButton(QStringLiteral("spbBuchen"), QStringLiteral("Speichern"),
                                QStringLiteral("F5 - Buchen ..."), QStyle::SP_DialogSaveButton,
                                [this] { btnBuchenClick(spbBuchen); });

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

    m_fremd = new TKRNFremdeAenderungenLeiste(
        pnlDaten, QStringLiteral("TfrmKOMMFilterEditor"),
        {[this](const TFremdeAenderungen& aenderungen) -> std::optional<TFremdHinweis> {
             if (FFilterBezeichnung.isEmpty()) {
                 return std::nullopt; // a new setting: nothing loaded that could have changed
             }
             const auto eintrag = aenderungen.Einstellung(FFilterKennung, FFilterBezeichnung, false);
             if (!eintrag) {
                 return std::nullopt;
             }
             const QString was =
                 aenderungen.Geloescht(FFilterKennung, FFilterBezeichnung)
                     ? QStringLiteral("Die Einstellung „%1“ wurde an einem anderen Arbeitsplatz gelöscht; "
                                      "Speichern legt sie nach Rückfrage mit Ihren Eingaben neu an.")
                     : QStringLiteral("Die Einstellung „%1“ wurde an einem anderen Arbeitsplatz geändert.");
             return TFremdHinweis{was.arg(FFilterBezeichnung), eintrag};
         },
         [this] { return EingabenGeaendert(); }, [this] { FilterLoad(); }});
    barHinweis = m_fremd->Leiste();

    AddAction(QStringLiteral("actEsc"), QKeySequence(Qt::Key_Escape), [this] { spbCancelClick(this); });
    actF5 = AddAction(QStringLiteral("actF5"), QKeySequence(Qt::Key_F5), [this] { btnBuchenClick(this); });
}

void TfrmKOMMFilterEditor::FormCreate(QObject*)
{
    KRNGuard(QStringLiteral("TfrmKOMMFilterEditor.FormCreate"), true, [&] {
        KRNFormInit(KRNProgramm().ProgrammKennung() + QLatin1Char('.') + objectName(), true);
        ClearFilterEinstellung();
    });
}

void TfrmKOMMFilterEditor::FormShow(QObject*)
{
    KRNGuard(QStringLiteral("TfrmKOMMFilterEditor.FormShow"), true, [&] {
        KRNSperrenWennNurLesen({spbBuchen, actF5});
        m_fremd->Beginnen();
        SetCaption(QStringLiteral("Einstellungen bearbeiten - ") + GetKOMMFilterBezeichnung(FFilterKennung));
        edtBezeichnung->SetStoredText(FFilterBezeichnung);
        edtBeschreibung->SetStoredText(FFilterBeschreibung);
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

bool TfrmKOMMFilterEditor::EingabenGeaendert() const
{
    return !edtBezeichnung->ShowsStoredText() || !edtBeschreibung->ShowsStoredText();
}

namespace {

// One transaction: nothing written, and why, when the setting exists and may
// not be written over, or was changed or deleted since it was loaded and
// that was not agreed to.
struct TSpeichernErgebnis
{
    bool Gespeichert = false;
    TEinstellungSeitLaden SeitLaden = TEinstellungSeitLaden::Unveraendert;
};

TSpeichernErgebnis SpeichernEinheit(TKOMMFilter& filter, bool ueberschreiben, bool seitLadenEinverstanden)
{
    TStoreTransaction transaktion(TStore::Required());
    const TEinstellungSeitLaden seitLaden = filter.SeitLaden();
    if (seitLaden != TEinstellungSeitLaden::Unveraendert && !seitLadenEinverstanden) {
        return {false, seitLaden};
    }
    if (!filter.FilterSave(ueberschreiben || seitLadenEinverstanden)) {
        return {};
    }
    transaktion.Commit();
    return {true, seitLaden};
}

// "\n" and who changed the setting when, from the history; empty when it
// does not say.
QString LetzteAenderung(const TKOMMFilter& filter)
{
    TVerlaufFilter suche;
    suche.Kennung = filter.Kennung;
    suche.Bezeichnung = filter.Bezeichnung;
    for (const TVerlaufEintrag& e : VerlaufLesen(TStore::Required(), suche)) {
        if (e.Art.startsWith(QLatin1String("einstellung_"))) {
            return QLatin1Char('\n') + FremdeAenderungText(e);
        }
    }
    return QString();
}

} // namespace

void TfrmKOMMFilterEditor::EinstellungSpeichern(TKOMMFilter& filter)
{
    FGespeichert = false; // stays so when the write fails
    const TSpeichernErgebnis ergebnis = SpeichernEinheit(filter, FUeberschreiben, false);
    FGespeichert = ergebnis.Gespeichert;
    if (FGespeichert) {
        return;
    }
    if (ergebnis.SeitLaden != TEinstellungSeitLaden::Unveraendert) {
        const int nummer = ergebnis.SeitLaden == TEinstellungSeitLaden::Geloescht ? 1005 : 1004;
        if (KRNInfo().ShowMeldung(mtQuestion, nummer, QStringLiteral("VELDRAKE"),
                                  {filter.Bezeichnung, LetzteAenderung(filter)}) == mrYes) {
            FGespeichert = SpeichernEinheit(filter, true, true).Gespeichert;
        }
        return;
    }
    if (KRNInfo().ShowMeldung(mtQuestion, 1003, QStringLiteral("VELDRAKE")) == mrYes) {
        FGespeichert = SpeichernEinheit(filter, true, false).Gespeichert;
    }
}

void PlaceAttachLabel(TKRNAttachLabel* label, int x, QWidget* control)
{
    label->adjustSize();
    label->move(x, control->y() + (control->height() - label->height()) / 2);
}
