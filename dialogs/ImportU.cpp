#include "dialogs/ImportU.h"

#include "host/KRNControls.h"
#include "host/KRNFormFrame.h"
#include "host/core/Guard.h"
#include "host/core/KRNInfo.h"
#include "host/core/KRNProgramm.h"
#include "host/store/Store.h"

#include <QAction>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>

namespace {

const QSize kDesignClient(760, 480);

} // namespace

TfrmImport::TfrmImport(QWidget* parent) : TKRNForm(parent)
{
    setObjectName(QStringLiteral("frmImport"));
    SetupComponents();
}

TfrmImport::~TfrmImport() = default;

void TfrmImport::SetupComponents()
{
    SetCaption(QStringLiteral("Importieren"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    auto* anchors = new TAnchors(*this, kDesignClient);
    TDialogFrame frame(*this, *anchors);
    pnlHauptrahmen = frame.Hauptrahmen;
    pnlDaten = frame.Daten;
    bvlButtons = frame.Buttons;
    spbCancel = frame.AddButton(QStringLiteral("spbCancel"), QStringLiteral("Schließen"),
                                QStringLiteral("Esc - schließen, nichts importieren"), QStyle::SP_DialogCloseButton,
                                [this] { btnSchliessenClick(spbCancel); });
    spbImportieren = frame.AddButton(QStringLiteral("spbImportieren"), QStringLiteral("Importieren"),
                                     QStringLiteral("F5 - diese Änderungen übernehmen"), QStyle::SP_DialogApplyButton,
                                     [this] { btnImportierenClick(spbImportieren); });
    memAenderungen = new QPlainTextEdit(pnlDaten);
    memAenderungen->setObjectName(QStringLiteral("memAenderungen"));
    memAenderungen->setReadOnly(true);
    memAenderungen->setLineWrapMode(QPlainTextEdit::NoWrap);
    memAenderungen->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    anchors->Place(memAenderungen, frame.ContentArea(), TAnchors::akAll);
    anchors->KeepMinimum();
    actEsc = AddAction(QStringLiteral("actEsc"), QKeySequence(Qt::Key_Escape),
                       [this] { btnSchliessenClick(actEsc); });
    actF5 = AddAction(QStringLiteral("actF5"), QKeySequence(Qt::Key_F5), [this] { btnImportierenClick(actF5); });
}

void TfrmImport::FormCreate(QObject*)
{
    KRNGuard(KRNLocation("TfrmImport", "FormCreate"), true, [&] {
        KRNFormInit(KRNProgramm().ProgrammKennung() + QStringLiteral(".frmImport"), true);
    });
}

void TfrmImport::Vorbereiten(const QString& datei)
{
    FOptionen = TImportOptionen();
    FOptionen.Quelle = datei;
    FErgebnis = TImportPlan();
    SetCaption(QStringLiteral("Importieren - %1 - %2").arg(datei, KRNProgramm().GetTextMandant()));
    bool anbieten = false;
    QString text;
    try {
        QFile ein(datei);
        if (!ein.open(QIODevice::ReadOnly)) {
            throw TAustauschFehler(QStringLiteral("%1 kann nicht gelesen werden: %2").arg(datei, ein.errorString()));
        }
        FAustausch = AustauschParsen(ein.readAll(), datei);
        const TImportPlan plan = ImportPlanen(TStore::Required(), FAustausch, FOptionen);
        anbieten = !plan.Leer();
        text = plan.Leer() ? QStringLiteral("Der Import würde nichts ändern.\n")
                           : QStringLiteral("Mit F5 werden diese Änderungen übernommen:\n\n") + plan.Text();
        for (const QString& warnung : plan.Warnungen) {
            text += QStringLiteral("\nWarnung: ") + warnung;
        }
    } catch (const KRNException& e) {
        text = QStringLiteral("Die Datei kann nicht importiert werden:\n\n") + e.Message();
    }
    memAenderungen->setPlainText(text);
    spbImportieren->setEnabled(anbieten);
    actF5->setEnabled(anbieten);
}

void TfrmImport::btnImportierenClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmImport", "btnImportierenClick"), true, [&] {
        if (!spbImportieren->isEnabled()) {
            return;
        }
        // Planned again under the store's write lock: what another workstation
        // changed meanwhile counts.
        FErgebnis = Importieren(TStore::Required(), FAustausch, FOptionen);
        SetModalResult(mrOk);
    });
}

void TfrmImport::btnSchliessenClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmImport", "btnSchliessenClick"), true, [&] { SetModalResult(mrCancel); });
}

bool ImportZeigen(const QString& datei)
{
    bool importiert = false;
    KRNGuard(QStringLiteral("ImportZeigen"), true, [&] {
        const auto form = KRNCreateForm<TfrmImport>();
        form->Vorbereiten(datei);
        importiert = form->ShowModal() == mrOk;
        if (importiert) {
            KRNInfo().ShowMeldung(mtNotice, 1051, QStringLiteral("VELDRAKE"),
                                  {QString::number(form->Ergebnis().Einstellungen),
                                   QString::number(form->Ergebnis().Zuordnungen)});
        }
    });
    return importiert;
}
