#include "dialogs/VerlaufU.h"

#include "host/KRNNurLesen.h"
#include "host/KRNContrast.h"

#include "host/core/VerlaufWiederherstellen.h"

#include "data/MainDM.h"
#include "host/KRNControls.h"
#include "host/KRNFormFrame.h"
#include "host/core/Guard.h"
#include "host/core/KRNProgramm.h"
#include "host/store/Store.h"

#include <QAction>
#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QTableView>

namespace {

const QSize kDesignClient(1060, 540);
constexpr int kZeile1 = 80;
constexpr int kZeile2 = 108;
constexpr int kListeOben = 138;
const QDate kOhneDatum(2000, 1, 1); // the date edits' "no limit"

const char* const kUeberschriften[] = {"Zeit",      "Benutzer",          "Arbeitsplatz", "Programm",
                                       "Filterart", "Filtereinstellung", "Rechner",      "Änderung"};
// Widths in pixels; the time's column fits its longest text in the font.
const int kBreiten[] = {0, 90, 100, 110, 90, 120, 100, 0};
const char* const kLaengsteZeit = "00.00.0000 00:00:00";

QString RechnerText(const TVerlaufEintrag& e)
{
    if (e.RNr != 0) {
        return QStringLiteral("Rechner %1").arg(e.RNr);
    }
    return e.RTyp != QLatin1Char(' ') ? QStringLiteral("Rechnertyp %1").arg(e.RTyp) : QString();
}

} // namespace

TVerlaufModell::TVerlaufModell(QObject* parent) : QAbstractTableModel(parent) {}

void TVerlaufModell::Suchen(TStore& store, const TVerlaufSuche& suche)
{
    beginResetModel();
    m_store = &store;
    m_suche = suche;
    m_zeilen.clear();
    m_letzteEinheit.clear();
    m_ende = false;
    m_zeilen = Lesen();
    endResetModel();
}

std::vector<TVerlaufModell::TZeile> TVerlaufModell::Lesen()
{
    std::vector<TZeile> result;
    const TVerlaufStelle vor = m_zeilen.empty() ? TVerlaufStelle() : m_zeilen.back().Stelle;
    int gruppe = m_zeilen.empty() ? -1 : m_zeilen.back().Gruppe;
    QList<TVerlaufEintrag> seite;
    // A failure is reported; the list then ends where it could be read.
    m_ende = true;
    KRNGuard(KRNLocation("TVerlaufModell", "Lesen"), true, [&] {
        seite = VerlaufSeite(*m_store, m_suche, vor, Seite);
        m_ende = seite.size() < Seite;
    });
    result.reserve(seite.size());
    for (const TVerlaufEintrag& e : seite) {
        if (e.Arbeitseinheit.isEmpty() || e.Arbeitseinheit != m_letzteEinheit) {
            ++gruppe;
        }
        m_letzteEinheit = e.Arbeitseinheit;
        TZeile zeile;
        zeile.Stelle = TVerlaufStelle(e);
        zeile.Gruppe = gruppe;
        zeile.Wiederherstellbar = FassungWiederherstellbar(e);
        zeile.Zuruecksetzbar = ArbeitseinheitZuruecksetzbar(e);
        zeile.Arbeitseinheit = e.Arbeitseinheit;
        zeile.Zellen[spZeit] = e.Zeit.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        zeile.Zellen[spBenutzer] = e.Rolle.isEmpty() || e.Rolle == e.Benutzer
                                       ? e.Benutzer
                                       : QStringLiteral("%1 (%2)").arg(e.Benutzer, e.Rolle);
        zeile.Zellen[spArbeitsplatz] = e.Arbeitsplatz;
        zeile.Zellen[spProgramm] =
            e.Version.isEmpty() ? e.Programm : QStringLiteral("%1 %2").arg(e.Programm, e.Version);
        zeile.Zellen[spFilterart] = e.Kennung.isEmpty() ? QString() : FilterartName(e.Kennung);
        zeile.Zellen[spFiltereinstellung] = e.Bezeichnung;
        zeile.Zellen[spRechner] = RechnerText(e);
        zeile.Zellen[spAenderung] = VerlaufText(e);
        result.push_back(std::move(zeile));
    }
    return result;
}

int TVerlaufModell::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_zeilen.size());
}

int TVerlaufModell::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : spAnzahl;
}

QColor TVerlaufModell::GruppenFarbe(const QPalette& palette)
{
    return KRNSetApart(KRNMix(palette.color(QPalette::Base), palette.color(QPalette::Highlight), 0.12),
                       palette.color(QPalette::Text));
}

QVariant TVerlaufModell::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= spAnzahl) {
        return {};
    }
    const TZeile& zeile = m_zeilen[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return zeile.Zellen[index.column()];
    case Qt::ToolTipRole:
        // The whole text of a cell its column may cut.
        return zeile.Zellen[index.column()];
    case Qt::BackgroundRole:
        // One shade per unit of work, alternating: a tint of the selection
        // colour on the base, as far as the text stays legible on it.
        return zeile.Gruppe % 2 == 1 ? QVariant(GruppenFarbe(QGuiApplication::palette())) : QVariant();
    default:
        return {};
    }
}

QVariant TVerlaufModell::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= spAnzahl) {
        return {};
    }
    return QString::fromUtf8(kUeberschriften[section]);
}

bool TVerlaufModell::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_ende && m_store;
}

void TVerlaufModell::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent)) {
        return;
    }
    std::vector<TZeile> neu = Lesen();
    if (neu.empty()) {
        return;
    }
    const int erste = rowCount();
    beginInsertRows(QModelIndex(), erste, erste + static_cast<int>(neu.size()) - 1);
    std::move(neu.begin(), neu.end(), std::back_inserter(m_zeilen));
    endInsertRows();
}

TfrmVerlauf::TfrmVerlauf(QWidget* parent) : TKRNForm(parent)
{
    setObjectName(QStringLiteral("frmVerlauf"));
    SetupComponents();
}

TfrmVerlauf::~TfrmVerlauf() = default;

void TfrmVerlauf::SetupComponents()
{
    SetCaption(QStringLiteral("Verlauf"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    auto* anchors = new TAnchors(*this, kDesignClient);
    TDialogFrame frame(*this, *anchors);
    pnlHauptrahmen = frame.Hauptrahmen;
    pnlDaten = frame.Daten;
    bvlButtons = frame.Buttons;

    spbCancel = frame.AddButton(QStringLiteral("spbCancel"), QStringLiteral("Schließen"),
                                QStringLiteral("Esc - zurück"), QStyle::SP_DialogCloseButton,
                                [this] { btnSchliessenClick(spbCancel); });
    spbLeeren = frame.AddButton(QStringLiteral("spbLeeren"), QStringLiteral("Alle"),
                                QStringLiteral("F2 - alle Filter leeren"), QStyle::SP_DialogResetButton,
                                [this] { btnFilterLeerenClick(spbLeeren); });
    spbWiederherstellen =
        frame.AddButton(QStringLiteral("spbWiederherstellen"), QStringLiteral("Fassung"),
                        QStringLiteral("F5 - diese Fassung der Einstellung wiederherstellen"),
                        QStyle::SP_BrowserReload, [this] { btnWiederherstellenClick(spbWiederherstellen); });
    spbZuruecksetzen =
        frame.AddButton(QStringLiteral("spbZuruecksetzen"), QStringLiteral("Zurück"),
                        QStringLiteral("F6 - die Zuordnungen dieser Bestätigung zurücksetzen"),
                        QStyle::SP_ArrowBack, [this] { btnZuruecksetzenClick(spbZuruecksetzen); });

    const auto beschriftung = [&](const char* name, const QString& text, QWidget* control,
                                  const QRect& rect) {
        auto* label = new TKRNAttachLabel(QString::fromLatin1(name), pnlDaten);
        label->SetCaption(text);
        label->Attach(control);
        anchors->Place(label, rect);
    };
    const auto edit = [&](const char* name, TKRNFieldType typ, int laenge, const QRect& rect) {
        auto* e = new TKRNStdEdit(QString::fromLatin1(name), pnlDaten);
        e->SetFieldType(typ);
        e->SetMaxLength(laenge);
        anchors->Place(e, rect);
        connect(e, &QLineEdit::textChanged, this, [this] { Suchen(); });
        return e;
    };
    const auto datum = [&](const char* name, const QRect& rect) {
        auto* d = new TKRNStdDateEdit(QString::fromLatin1(name), pnlDaten);
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        d->setCalendarPopup(true);
        d->setMinimumDate(kOhneDatum);
        d->setSpecialValueText(QStringLiteral("–"));
        d->setDate(kOhneDatum);
        anchors->Place(d, rect);
        connect(d, &QDateEdit::dateChanged, this, [this] { Suchen(); });
        return d;
    };

    cmbFilterart = new QComboBox(pnlDaten);
    cmbFilterart->setObjectName(QStringLiteral("cmbFilterart"));
    anchors->Place(cmbFilterart, QRect(80, kZeile1, 130, 24));
    connect(cmbFilterart, &QComboBox::currentIndexChanged, this, [this] { Suchen(); });
    beschriftung("lblFilterart", QStringLiteral("&Filterart"), cmbFilterart, QRect(8, kZeile1 + 4, 70, 18));
    edtEinstellung = edit("edtEinstellung", TKRNFieldType::KRN_Text, 64, QRect(300, kZeile1, 150, 24));
    beschriftung("lblEinstellung", QStringLiteral("&Einstellung"), edtEinstellung,
                 QRect(220, kZeile1 + 4, 78, 18));
    edtRTyp = edit("edtRTyp", TKRNFieldType::KRN_Uppercase, 1, QRect(546, kZeile1, 30, 24));
    beschriftung("lblRTyp", QStringLiteral("Rechner&typ"), edtRTyp, QRect(462, kZeile1 + 4, 82, 18));
    edtRNr = edit("edtRNr", TKRNFieldType::KRN_Integer, 9, QRect(656, kZeile1, 90, 24));
    beschriftung("lblRNr", QStringLiteral("&Rechner"), edtRNr, QRect(590, kZeile1 + 4, 64, 18));
    // A computer is a type or a number: the one typed last counts.
    connect(edtRTyp, &QLineEdit::textEdited, this, [this] { edtRNr->clear(); });
    connect(edtRNr, &QLineEdit::textEdited, this, [this] { edtRTyp->clear(); });
    edtBenutzer = edit("edtBenutzer", TKRNFieldType::KRN_Text, 128, QRect(80, kZeile2, 130, 24));
    beschriftung("lblBenutzer", QStringLiteral("&Benutzer"), edtBenutzer, QRect(8, kZeile2 + 4, 70, 18));
    edtArbeitsplatz = edit("edtArbeitsplatz", TKRNFieldType::KRN_Text, 128, QRect(300, kZeile2, 150, 24));
    beschriftung("lblArbeitsplatz", QStringLiteral("&Arbeitsplatz"), edtArbeitsplatz,
                 QRect(220, kZeile2 + 4, 78, 18));
    dtpSeit = datum("dtpSeit", QRect(546, kZeile2, 110, 24));
    beschriftung("lblSeit", QStringLiteral("&vom"), dtpSeit, QRect(462, kZeile2 + 4, 82, 18));
    dtpBis = datum("dtpBis", QRect(696, kZeile2, 110, 24));
    beschriftung("lblBis", QStringLiteral("b&is"), dtpBis, QRect(666, kZeile2 + 4, 28, 18));

    FModell = new TVerlaufModell(this);
    grdVerlauf = new QTableView(pnlDaten);
    grdVerlauf->setObjectName(QStringLiteral("grdVerlauf"));
    grdVerlauf->setAccessibleName(QStringLiteral("Änderungen"));
    grdVerlauf->setModel(FModell);
    grdVerlauf->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdVerlauf->setSelectionMode(QAbstractItemView::SingleSelection);
    grdVerlauf->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdVerlauf->setWordWrap(false);
    // Tab leaves the table for the next control; the arrow keys move within.
    grdVerlauf->setTabKeyNavigation(false);
    grdVerlauf->verticalHeader()->hide();
    // Fixed row heights: the view never measures the rows.
    grdVerlauf->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdVerlauf->verticalHeader()->setDefaultSectionSize(grdVerlauf->fontMetrics().height() + 6);
    grdVerlauf->horizontalHeader()->setStretchLastSection(true);
    for (int spalte = 0; spalte < TVerlaufModell::spAnzahl; ++spalte) {
        if (kBreiten[spalte] > 0) {
            grdVerlauf->setColumnWidth(spalte, kBreiten[spalte]);
        }
    }
    grdVerlauf->setColumnWidth(TVerlaufModell::spZeit,
                               grdVerlauf->fontMetrics().horizontalAdvance(QLatin1String(kLaengsteZeit)) + 16);
    anchors->Place(grdVerlauf, frame.ContentArea(kListeOben), TAnchors::akAll);
    anchors->KeepMinimum(grdVerlauf);

    actEsc = AddAction(QStringLiteral("actEsc"), QKeySequence(Qt::Key_Escape),
                       [this] { btnSchliessenClick(actEsc); });
    actF2 =
        AddAction(QStringLiteral("actF2"), QKeySequence(Qt::Key_F2), [this] { btnFilterLeerenClick(actF2); });
    actF5 = AddAction(QStringLiteral("actF5"), QKeySequence(Qt::Key_F5),
                      [this] { btnWiederherstellenClick(actF5); });
    actF6 = AddAction(QStringLiteral("actF6"), QKeySequence(Qt::Key_F6),
                      [this] { btnZuruecksetzenClick(actF6); });
    connect(grdVerlauf->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { WegZurueckZeigen(); });
    connect(FModell, &QAbstractItemModel::modelReset, this, [this] { WegZurueckZeigen(); });
}

// The way back is offered for what the selected entry allows.
void TfrmVerlauf::WegZurueckZeigen()
{
    const int row = grdVerlauf->currentIndex().row();
    const bool zeile = row >= 0 && row < FModell->rowCount();
    const bool schreiben = !KRNSperrenWennNurLesen({spbWiederherstellen, spbZuruecksetzen});
    spbWiederherstellen->setEnabled(schreiben && zeile && FModell->Wiederherstellbar(row));
    spbZuruecksetzen->setEnabled(schreiben && zeile && FModell->Zuruecksetzbar(row));
    actF5->setEnabled(spbWiederherstellen->isEnabled());
    actF6->setEnabled(spbZuruecksetzen->isEnabled());
}

void TfrmVerlauf::FormCreate(QObject*)
{
    KRNGuard(KRNLocation("TfrmVerlauf", "FormCreate"), true, [&] {
        KRNFormInit(KRNProgramm().ProgrammKennung() + QStringLiteral(".frmVerlauf"), true);
        SetCaption(QStringLiteral("Verlauf - ") + KRNProgramm().GetTextMandant());
        FZeigen = true;
        cmbFilterart->clear();
        cmbFilterart->addItem(QStringLiteral("alle"), QString());
        EnumKOMMFilter([this](const QString& kennung, const QString& bezeichnung, TKOMMFilterClass) {
            cmbFilterart->addItem(bezeichnung, kennung);
        });
        FZeigen = false;
    });
}

void TfrmVerlauf::FormShow(QObject*)
{
    KRNGuard(KRNLocation("TfrmVerlauf", "FormShow"), true, [&] {
        FilterZeigen(FVorauswahl);
        Suchen();
        grdVerlauf->setFocus();
    });
}

void TfrmVerlauf::FilterZeigen(const TVerlaufSuche& suche)
{
    FZeigen = true;
    const TVerlaufFilter& f = suche.Filter;
    int art = f.Kennung.isEmpty() ? 0 : cmbFilterart->findData(f.Kennung);
    if (art < 0) {
        // A kind no editor is registered for any more still has its history.
        cmbFilterart->addItem(FilterartName(f.Kennung), f.Kennung);
        art = cmbFilterart->count() - 1;
    }
    cmbFilterart->setCurrentIndex(art);
    edtEinstellung->setText(f.Bezeichnung);
    edtRTyp->setText(f.RTyp ? QString(*f.RTyp) : QString());
    edtRNr->setText(f.RNr ? QString::number(*f.RNr) : QString());
    edtBenutzer->setText(suche.Benutzer);
    edtArbeitsplatz->setText(suche.Arbeitsplatz);
    dtpSeit->setDate(f.Seit.isValid() ? f.Seit : kOhneDatum);
    dtpBis->setDate(f.Bis.isValid() ? f.Bis : kOhneDatum);
    FZeigen = false;
}

TVerlaufSuche TfrmVerlauf::Suche() const
{
    TVerlaufSuche suche;
    suche.Filter.Kennung = cmbFilterart->currentData().toString();
    suche.Filter.Bezeichnung = edtEinstellung->text();
    if (!edtRTyp->text().isEmpty()) {
        suche.Filter.RTyp = edtRTyp->text().front();
    }
    if (!edtRNr->text().isEmpty()) {
        suche.Filter.RNr = static_cast<qint32>(edtRNr->Value());
    }
    suche.Benutzer = edtBenutzer->text();
    suche.Arbeitsplatz = edtArbeitsplatz->text();
    if (dtpSeit->date() != kOhneDatum) {
        suche.Filter.Seit = dtpSeit->date();
    }
    if (dtpBis->date() != kOhneDatum) {
        suche.Filter.Bis = dtpBis->date();
    }
    return suche;
}

void TfrmVerlauf::Suchen()
{
    if (FZeigen) {
        return;
    }
    KRNGuard(KRNLocation("TfrmVerlauf", "Suchen"), true, [&] {
        FModell->Suchen(TStore::Required(), Suche());
        grdVerlauf->scrollToTop();
        if (FModell->rowCount() > 0) {
            grdVerlauf->setCurrentIndex(FModell->index(0, 0));
        }
    });
}

void TfrmVerlauf::btnSchliessenClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmVerlauf", "btnSchliessenClick"), true, [&] { SetModalResult(mrCancel); });
}

void TfrmVerlauf::btnFilterLeerenClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmVerlauf", "btnFilterLeerenClick"), true, [&] {
        FilterZeigen(TVerlaufSuche());
        Suchen();
    });
}

void TfrmVerlauf::btnWiederherstellenClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmVerlauf", "btnWiederherstellenClick"), true, [&] {
        const int row = grdVerlauf->currentIndex().row();
        if (row < 0 || !FModell->Wiederherstellbar(row)) {
            return;
        }
        if (FassungWiederherstellen(TStore::Required(), FModell->Id(row)) ==
            TWiederherstellung::Wiederhergestellt) {
            Suchen(); // the restore's own entries on top
        }
    });
}

void TfrmVerlauf::btnZuruecksetzenClick(QObject*)
{
    KRNGuard(KRNLocation("TfrmVerlauf", "btnZuruecksetzenClick"), true, [&] {
        const int row = grdVerlauf->currentIndex().row();
        if (row < 0 || !FModell->Zuruecksetzbar(row)) {
            return;
        }
        if (ArbeitseinheitZuruecksetzen(TStore::Required(), FModell->Arbeitseinheit(row)) > 0) {
            Suchen();
        }
    });
}

void VerlaufZeigen(const TVerlaufSuche& vorauswahl)
{
    KRNGuard(QStringLiteral("VerlaufZeigen"), true, [&] {
        const auto form = KRNCreateForm<TfrmVerlauf>();
        form->SetVorauswahl(vorauswahl);
        form->ShowModal();
    });
}
