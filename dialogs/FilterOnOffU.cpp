#include "dialogs/FilterOnOffU.h"

#include "data/MainDM.h"
#include "dialogs/DialogSupport.h"
#include "host/KRNNurLesen.h"
#include "host/KRNControls.h"
#include "host/KRNFormFrame.h"
#include "host/KRNFremdeAenderungenLeiste.h"
#include "host/KRNHinweisLeiste.h"
#include "host/VTStringList.h"
#include "host/core/FremdeAenderungen.h"
#include "host/core/Guard.h"
#include "host/core/KRNError.h"
#include "host/core/KRNProgramm.h"
#include "host/store/Store.h"

#include <QAction>

TfrmFilterOnOff* frmFilterOnOff = nullptr;

namespace {

// An entry's string list holds the display name, then the Kennung.
constexpr qsizetype kKennung = 1;

} // namespace

TfrmFilterOnOff::TfrmFilterOnOff(QWidget* parent) : TKRNForm(parent)
{
    setObjectName(QStringLiteral("frmFilterOnOff"));
    SetupComponents();
}

TfrmFilterOnOff::~TfrmFilterOnOff()
{
    if (frmFilterOnOff == this) {
        frmFilterOnOff = nullptr;
    }
}

void TfrmFilterOnOff::SetupComponents()
{
    SetCaption(DesignCaption());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto* anchors = new TAnchors(*this, QSize(332, 364));
    TDialogFrame frame(*this, *anchors);
    pnlHauptrahmen = frame.Hauptrahmen;
    pnlDaten = frame.Daten;
    bvlButtons = frame.Buttons;

    spbCancel = frame.AddButton(QStringLiteral("spbCancel"), QStringLiteral("Abbrechen"),
                                QStringLiteral("Esc - zurück ..."), QStyle::SP_DialogCancelButton,
                                [this] { btnAbbrechenClick(spbCancel); });
    spbBuchen = frame.AddButton(QStringLiteral("spbBuchen"), QStringLiteral("Speichern"),
                                QStringLiteral("F5 - Einstellungen buchen ..."), QStyle::SP_DialogSaveButton,
                                [this] { btnBuchenClick(spbBuchen); });

    vtFilter = new TVTStringList(pnlDaten);
    vtFilter->setObjectName(QStringLiteral("vtFilter"));
    vtFilter->setAccessibleName(QStringLiteral("Filterarten"));
    anchors->Place(vtFilter, frame.ContentArea(), TAnchors::akAll);
    anchors->KeepMinimum(vtFilter);
    FFremd = new TKRNFremdeAenderungenLeiste(
        pnlDaten, QStringLiteral("TfrmFilterOnOff"),
        {[](const TFremdeAenderungen& aenderungen) -> std::optional<TFremdHinweis> {
             if (!aenderungen.Filterarten()) {
                 return std::nullopt;
             }
             return TFremdHinweis{QStringLiteral("Filterarten wurden an einem anderen Arbeitsplatz aktiviert "
                                                 "oder passiviert."),
                                  aenderungen.Aktivierung()};
         },
         [this] { return Markiert() != FGeladen; },
         [this] {
             FilterDataModule().RefreshFilterList();
             MarkierungenSetzen();
         }});
    barHinweis = FFremd->Leiste();

    actF5 = AddAction(QStringLiteral("actF5"), QKeySequence(Qt::Key_F5), [this] { btnBuchenClick(actF5); });
    actEsc = AddAction(QStringLiteral("actEsc"), QKeySequence(Qt::Key_Escape),
                       [this] { btnAbbrechenClick(actEsc); });
}

void TfrmFilterOnOff::FormCreate(QObject*)
{
    KRNGuard(KRNLocation("TfrmFilterOnOff", "FormCreate"), true, [&] {
        KRNFormInit(KRNProgramm().ProgrammKennung() + QStringLiteral(".frmFilterOnOff"), true);
        SetCaption(DesignCaption() + QStringLiteral(" - ") + KRNProgramm().GetTextMandant());
        const TUpdateScope update(*vtFilter);
        vtFilter->Clear();
        EnumKOMMFilter([this](const QString& kennung, const QString& bezeichnung, TKOMMFilterClass klasse) {
            AddFilterItem(kennung, bezeichnung, klasse);
        });
    });
}

void TfrmFilterOnOff::AddFilterItem(const QString& kennung, const QString& bezeichnung, TKOMMFilterClass)
{
    KRNGuard(KRNLocation("TfrmFilterOnOff", "AddFilterItem"), true, [&] {
        const TVTNode node = vtFilter->AddChild();
        vtFilter->SetCheckType(node, TCheckType::CheckBox);
        vtFilter->SetNodeData(node, QStringList{bezeichnung, kennung});
    });
}

void TfrmFilterOnOff::FormShow(QObject*)
{
    KRNGuard(KRNLocation("TfrmFilterOnOff", "FormShow"), true, [&] {
        KRNSperrenWennNurLesen({spbBuchen, actF5});
        FFremd->Beginnen();
        MarkierungenSetzen();
    });
}

void TfrmFilterOnOff::MarkierungenSetzen()
{
    const TKOMMFilterList& active = FilterDataModule().FilterList;
    for (TVTNode node = vtFilter->GetFirst(); node; node = vtFilter->GetNext(node)) {
        vtFilter->SetCheckState(node, TCheckState::Unchecked);
        const QString kennung = vtFilter->GetNodeData(node)->value(kKennung);
        for (const TKOMMFilterItem& item : active) {
            if (item.Kennung == kennung) {
                vtFilter->SetCheckState(node, TCheckState::Checked);
                break;
            }
        }
    }
    FGeladen = Markiert();
}

QSet<QString> TfrmFilterOnOff::Markiert() const
{
    QSet<QString> markiert;
    for (TVTNode node = vtFilter->GetFirst(); node; node = vtFilter->GetNext(node)) {
        if (vtFilter->GetCheckState(node) == TCheckState::Checked) {
            markiert.insert(vtFilter->GetNodeData(node)->value(kKennung));
        }
    }
    return markiert;
}

// Books every entry, marked or not, as one unit of work. The data module
// reports a failed booking itself (held until the transaction has ended);
// the walk then stops, nothing is kept and the dialog stays open with the
// marks as they are, so that confirming again books them all.
void TfrmFilterOnOff::btnBuchenClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmFilterOnOff", "btnBuchenClick"), true, [&] {
        if (AlleBuchen(FilterDataModule())) {
            SetModalResult(mrOk);
        }
    });
}

bool TfrmFilterOnOff::AlleBuchen(TdtmKOMMFilter& dtm)
{
    const TFehlerWatch watch;
    TStoreTransaction transaktion(TStore::Required());
    for (TVTNode node = vtFilter->GetFirst(); node; node = vtFilter->GetNext(node)) {
        dtm.BuchenAktivitaet(vtFilter->GetNodeData(node)->value(kKennung),
                             vtFilter->GetCheckState(node) == TCheckState::Checked);
        if (watch.Reported()) {
            return false;
        }
    }
    transaktion.Commit();
    return true;
}

void TfrmFilterOnOff::btnAbbrechenClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmFilterOnOff", "btnAbbrechenClick"), true, [&] { SetModalResult(mrCancel); });
}
