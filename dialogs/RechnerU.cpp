#include "dialogs/RechnerU.h"

#include "dialogs/DialogSupport.h"
#include "dialogs/RechnerTipps.h"
#include "dialogs/VerlaufU.h"

#include "data/MainDM.h"
#include "host/KRNNurLesen.h"
#include "host/KRNControls.h"
#include "host/KRNFormFrame.h"
#include "host/KRNFremdeAenderungenLeiste.h"
#include "host/KRNHinweisLeiste.h"
#include "host/VTRTypRNrCheck.h"
#include "host/core/FremdeAenderungen.h"
#include "host/core/Guard.h"
#include "host/core/KOMMFilter.h"
#include "host/core/KRNError.h"
#include "host/core/KRNInfo.h"
#include "host/core/KRNProgramm.h"
#include "host/store/Store.h"

#include <QAction>
#include <QFont>
#include <QPalette>
#include <QStringList>

TfrmRechner* frmRechner = nullptr;

namespace {

const QSize kDesignClient(459, 584);

const QSize kHauptrahmen(461, 581); // design size of the outer panel
constexpr int kTreeTop = 248;       // the tree fills the data panel below the texts

} // namespace

TfrmRechner::TfrmRechner(QWidget* parent) : TKRNForm(parent)
{
    setObjectName(QStringLiteral("frmRechner"));
    SetupComponents();
}

TfrmRechner::~TfrmRechner() = default;

QString TfrmRechner::TextRTyp()
{
    return QStringList{
        QStringLiteral("Bei welchen Rechnertypen bzw. welchen Rechnernummern"),
        QStringLiteral("soll der Filter aktiv werden, wenn die eigenen Daten an "),
        QStringLiteral("andere Rechner weitergegeben werden?"),
        QString(),
        QStringLiteral("Eine Einstellung für eine Rechnernummer überschreibt die"),
        QStringLiteral("Einstellung für den Rechnertypen."),
    }
        .join(QStringLiteral("\r\n"));
}

void TfrmRechner::SetupComponents()
{
    SetCaption(QStringLiteral("Zu berücksichtigende Rechner"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    auto* anchors = new TAnchors(*this, kDesignClient);
    TDialogFrame frame(*this, *anchors, QStringLiteral("bvlButton"), kHauptrahmen);
    pnlHauptrahmen = frame.Hauptrahmen;
    pnlDaten = frame.Daten;
    bvlButton = frame.Buttons;

    spbCancel = frame.AddButton(QStringLiteral("spbCancel"), QStringLiteral("Abbrechen"),
                                QStringLiteral("Esc - zurück ..."), QStyle::SP_DialogCancelButton,
                                [this] { btnZurueckClick(spbCancel); });
    spbBuchen = frame.AddButton(QStringLiteral("spbBuchen"), QStringLiteral("Speichern"),
                                QStringLiteral("F5 - Buchen ..."), QStyle::SP_DialogSaveButton,
                                [this] { btnWeiterClick(spbBuchen); });
    spbVerlauf = frame.AddButton(QStringLiteral("spbVerlauf"), QStringLiteral("Verlauf"),
                                 QStringLiteral("F9 - Verlauf des selektierten Rechners ..."),
                                 QStyle::SP_FileDialogDetailedView, [this] { btnVerlaufClick(spbVerlauf); });

    lblUeberschrift = new TKRNStdLabel(QStringLiteral("lblUeberschrift"), pnlDaten);
    lblUeberschrift->setGeometry(8, 80, 433, 61);
    lblUeberschrift->setTextFormat(Qt::PlainText);
    lblUeberschrift->setAlignment(Qt::AlignCenter);
    QFont large = lblUeberschrift->font();
    large.setPointSize(12);
    large.setBold(true);
    lblUeberschrift->setFont(large);
    lblUeberschrift->SetElideLines(true);
    lblUeberschrift->SetFontColor(HeadingColor());
    lblUeberschrift->SetCaption(QStringLiteral("Kommunikationseinstellungen für den Filter"));

    lblTextRTyp = new TKRNStdLabel(QStringLiteral("lblTextRTyp"), pnlDaten);
    lblTextRTyp->setGeometry(8, 144, 437, 101);
    lblTextRTyp->setTextFormat(Qt::PlainText);
    lblTextRTyp->setAlignment(Qt::AlignCenter);
    QFont medium = lblTextRTyp->font();
    medium.setPointSize(10);
    lblTextRTyp->setFont(medium);
    lblTextRTyp->SetCaption(TextRTyp());

    vtRTypRNrCheck = new TVTRTypRNrCheck(pnlDaten);
    vtRTypRNrCheck->setObjectName(QStringLiteral("vtRTypRNrCheck"));
    vtRTypRNrCheck->setAccessibleName(QStringLiteral("Rechnertypen und Rechner"));
    vtRTypRNrCheck->setAccessibleDescription(QStringLiteral("Leertaste setzt oder löscht die Markierung"));
    vtRTypRNrCheck->SetCaptionRTyp(QStringLiteral("Rechnertypen"));
    vtRTypRNrCheck->SetCaptionRNr(QStringLiteral("Rechner"));
    vtRTypRNrCheck->setSelectionBehavior(QAbstractItemView::SelectRows);
    vtRTypRNrCheck->setAllColumnsShowFocus(true);
    vtRTypRNrCheck->setRootIsDecorated(true);
    vtRTypRNrCheck->setExpandsOnDoubleClick(true);
    anchors->Place(vtRTypRNrCheck, frame.ContentArea(kTreeTop), TAnchors::akAll);
    new TRechnerTipps(*vtRTypRNrCheck, [this] { return FFilterKennung; });
    anchors->KeepMinimum(vtRTypRNrCheck);
    FFremd = new TKRNFremdeAenderungenLeiste(
        pnlDaten, QStringLiteral("TfrmRechner"),
        {[this](const TFremdeAenderungen& aenderungen) -> std::optional<TFremdHinweis> {
             const auto eintrag = aenderungen.Einstellung(FFilterKennung, FFilterBezeichnung);
             if (!eintrag) {
                 return std::nullopt;
             }
             const QString was =
                 aenderungen.Geloescht(FFilterKennung, FFilterBezeichnung)
                     ? QStringLiteral("Die Einstellung „%1“ wurde an einem anderen Arbeitsplatz gelöscht.")
                     : QStringLiteral("Die Zuordnungen der Einstellung „%1“ wurden an einem anderen "
                                      "Arbeitsplatz geändert.");
             return TFremdHinweis{was.arg(FFilterBezeichnung), eintrag};
         },
         [this] { return MarkierungenGeaendert(); }, [this] { Laden(); }});
    barHinweis = FFremd->Leiste();

    actESC = AddAction(QStringLiteral("actESC"), QKeySequence(Qt::Key_Escape),
                       [this] { btnZurueckClick(actESC); });
    actF5 = AddAction(QStringLiteral("actF5"), QKeySequence(Qt::Key_F5), [this] { btnWeiterClick(actF5); });
    actF9 = AddAction(QStringLiteral("actF9"), QKeySequence(Qt::Key_F9), [this] { btnVerlaufClick(actF9); });
}

void TfrmRechner::btnVerlaufClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmRechner", "btnVerlaufClick"), true, [&] {
        TVerlaufSuche suche;
        const QModelIndex eintrag = vtRTypRNrCheck->currentIndex();
        if (eintrag.isValid() && eintrag.parent() == vtRTypRNrCheck->RTypGroupIndex()) {
            suche.Filter.RTyp = vtRTypRNrCheck->GetRTyp(eintrag.row());
        } else if (eintrag.isValid() && eintrag.parent() == vtRTypRNrCheck->RNrGroupIndex()) {
            suche.Filter.RNr = vtRTypRNrCheck->GetRNr(eintrag.row());
        } else {
            suche.Filter.Kennung = FFilterKennung;
            suche.Filter.Bezeichnung = FFilterBezeichnung;
        }
        VerlaufZeigen(suche);
    });
}

TKOMMFilter& TfrmRechner::KOMMFilter() const
{
    if (!FKOMMFilter) {
        throw KRNException(QStringLiteral("Das Filterobjekt des Dialogs ist nicht angelegt."));
    }
    return *FKOMMFilter;
}

void TfrmRechner::FormCreate(QObject*)
{
    KRNGuard(KRNLocation("TfrmRechner", "FormCreate"), true, [&] {
        KRNFormInit(KRNProgramm().ProgrammKennung() + QStringLiteral(".frmRechner"), true);
        ClearFilterEinstellung();
        FKOMMFilter = std::make_unique<TKOMMFilter>(QString(), QString());
    });
}

void TfrmRechner::FormShow(QObject*)
{
    KRNGuard(KRNLocation("TfrmRechner", "FormShow"), true, [&] {
        KRNSperrenWennNurLesen({spbBuchen, actF5});
        FFremd->Beginnen();
        if (!vtRTypRNrCheck->GetDataLoadedRTyp() && !vtRTypRNrCheck->GetDataLoadedRNr()) {
            vtRTypRNrCheck->SetOnlyMaster(true);
            vtRTypRNrCheck->LoadData();
        }
        Laden();
    });
}

void TfrmRechner::Laden()
{
    TKOMMFilter& filter = KOMMFilter();
    filter.Kennung = FFilterKennung;
    filter.Bezeichnung = FFilterBezeichnung;
    try {
        if (!filter.FilterLoad()) {
            filter.FilterClear();
        }
    } catch (...) {
        // Marks of an earlier show must not survive a failed load.
        filter.FilterClear();
        MarkierungenSetzen();
        throw;
    }
    MarkierungenSetzen();
}

bool TfrmRechner::MarkierungenGeaendert() const
{
    const TKOMMFilter& filter = KOMMFilter();
    const TRechnerMarken marken = Markierungen();
    for (const auto& [rtyp, markiert] : marken.RTypen) {
        if (markiert != filter.ListeRTypCheck(TKOMMFilter::Char2RTyp_Value(rtyp))) {
            return true;
        }
    }
    for (const auto& [rnr, markiert] : marken.RNummern) {
        if (markiert != filter.ListeRNrCheck(rnr)) {
            return true;
        }
    }
    return false;
}

// Every entry's mark from the loaded setting.
void TfrmRechner::MarkierungenSetzen()
{
    const TKOMMFilter& filter = KOMMFilter();
    for (int i = 0; i < vtRTypRNrCheck->GetRTypCount(); ++i) {
        const QChar rtyp = vtRTypRNrCheck->GetRTyp(i);
        vtRTypRNrCheck->SetRTypChecked(rtyp, filter.ListeRTypCheck(TKOMMFilter::Char2RTyp_Value(rtyp)));
    }
    for (int i = 0; i < vtRTypRNrCheck->GetRNrCount(); ++i) {
        const qint32 rnr = vtRTypRNrCheck->GetRNr(i);
        vtRTypRNrCheck->SetRNrChecked(rnr, filter.ListeRNrCheck(rnr));
    }
}

void TfrmRechner::FormDestroy(QObject*)
{
    KRNDestroyGuard(KRNLocation("TfrmRechner", "FormDestroy"), [&] { FKOMMFilter.reset(); });
}

void TfrmRechner::btnZurueckClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmRechner", "btnZurueckClick"), true, [&] { SetModalResult(mrCancel); });
}

bool TfrmRechner::EintragMarkiert() const
{
    for (int i = 0; i < vtRTypRNrCheck->GetRTypCount(); ++i) {
        if (vtRTypRNrCheck->GetRTypChecked(vtRTypRNrCheck->GetRTyp(i))) {
            return true;
        }
    }
    for (int i = 0; i < vtRTypRNrCheck->GetRNrCount(); ++i) {
        if (vtRTypRNrCheck->GetRNrChecked(vtRTypRNrCheck->GetRNr(i))) {
            return true;
        }
    }
    return false;
}

bool TfrmRechner::BuchenPruefenChecked()
{
    bool result = false;
    KRNGuard(KRNLocation("TfrmRechner", "BuchenPruefenChecked"), true, [&] {
        result =
            EintragMarkiert() || KRNInfo().ShowMeldung(mtQuestion, 1000, QStringLiteral("VELDRAKE")) == mrYes;
    });
    return result;
}

void TfrmRechner::btnWeiterClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmRechner", "btnWeiterClick"), true, [&] {
        SetModalResult(mrNone);
        if (!BuchenPruefenChecked()) {
            return;
        }
        std::optional<TKonflikt> konflikt;
        const TLaufErgebnis ergebnis = PruefenUndBuchen(FilterDataModule(), konflikt);
        if (ergebnis == TLaufErgebnis::Konflikt && konflikt) {
            KRNInfo().ShowMeldung(mtNotice, 1001, QStringLiteral("VELDRAKE"),
                                  {konflikt->Eintrag, konflikt->UsedBezeichung});
        } else if (ergebnis == TLaufErgebnis::EinstellungFehlt) {
            KRNInfo().ShowMeldung(mtNotice, 1010, QStringLiteral("VELDRAKE"), {FFilterBezeichnung});
        } else if (ergebnis == TLaufErgebnis::Gebucht) {
            SetModalResult(mrOk);
        }
    });
}

// The existence of the saved setting, the consistency check and the
// booking as one unit of work, committed whole or not at all, each with a
// statement count that does not grow with the tree: the write lock is taken before the first check, so no
// other workstation deletes the setting or books between check and booking. No message is shown while the
// transaction is open; failure reports wait until it has ended. After a
// rollback the marks stay as they are, so confirming again does it all.
TfrmRechner::TLaufErgebnis TfrmRechner::PruefenUndBuchen(TdtmKOMMFilter& dtm,
                                                         std::optional<TKonflikt>& konflikt)
{
    const TFehlerWatch fehlerWatch;
    TStoreTransaction transaktion(TStore::Required());
    const bool vorhanden = dtm.BuchenEinstellungenPruefen(FFilterKennung, FFilterBezeichnung);
    if (fehlerWatch.Reported()) {
        return TLaufErgebnis::Fehler;
    }
    if (!vorhanden) {
        return TLaufErgebnis::EinstellungFehlt;
    }
    const TRechnerMarken marken = Markierungen();
    konflikt = KonsistenzPruefen(dtm, marken);
    if (fehlerWatch.Reported()) {
        return TLaufErgebnis::Fehler;
    }
    if (konflikt) {
        return TLaufErgebnis::Konflikt;
    }
    dtm.BuchenKommunikation(FFilterKennung, FFilterBezeichnung, marken);
    if (fehlerWatch.Reported()) {
        return TLaufErgebnis::Fehler;
    }
    transaktion.Commit();
    return TLaufErgebnis::Gebucht;
}

// The tree's entries and marks, in tree order.
TRechnerMarken TfrmRechner::Markierungen() const
{
    TRechnerMarken marken;
    for (int i = 0; i < vtRTypRNrCheck->GetRTypCount(); ++i) {
        const QChar rtyp = vtRTypRNrCheck->GetRTyp(i);
        marken.RTypen.append({rtyp, vtRTypRNrCheck->GetRTypChecked(rtyp)});
    }
    for (int i = 0; i < vtRTypRNrCheck->GetRNrCount(); ++i) {
        const qint32 rnr = vtRTypRNrCheck->GetRNr(i);
        marken.RNummern.append({rnr, vtRTypRNrCheck->GetRNrChecked(rnr)});
    }
    return marken;
}

// The first entry, types before numbers, that another saved setting holds.
// A check that failed is reported by the data module.
std::optional<TfrmRechner::TKonflikt> TfrmRechner::KonsistenzPruefen(TdtmKOMMFilter& dtm,
                                                                     const TRechnerMarken& marken)
{
    const std::optional<TRechnerKonflikt> konflikt =
        dtm.BuchenKommunikationPruefenKonsistenz(FFilterKennung, FFilterBezeichnung, marken);
    if (!konflikt) {
        return std::nullopt;
    }
    if (konflikt->TypEintrag) {
        return TKonflikt{QStringLiteral("Rechnertyp - ") + konflikt->RTyp, konflikt->UsedBezeichung};
    }
    return TKonflikt{QStringLiteral("Rechnernummer - ") + QString::number(konflikt->RNr),
                     konflikt->UsedBezeichung};
}
