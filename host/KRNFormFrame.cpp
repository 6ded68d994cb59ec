#include "host/KRNFormFrame.h"

#include "host/KRNControls.h"
#include "host/KRNForm.h"

#include <QEvent>
#include <QHeaderView>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

namespace {

constexpr int kMargin = TDialogFrame::Margin;
constexpr int kBarHeight = 69;  // the button bar with its bottom line
constexpr int kButtonStep = 68; // 65 wide plus the gap to the next button

} // namespace

// --- anchors --------------------------------------------------------------------

TAnchors::TAnchors(QWidget& form, QSize designClient) : QObject(&form), m_form(form), m_design(designClient)
{
    m_form.resize(m_design);
    m_form.installEventFilter(this);
}

void TAnchors::Place(QWidget* widget, const QRect& design, Qt::Edges anchors)
{
    m_entries.push_back(TEntry{widget, design, anchors});
    Apply();
}

void TAnchors::Apply()
{
    const int dx = m_form.width() - m_design.width();
    const int dy = m_form.height() - m_design.height();
    for (const TEntry& entry : m_entries) {
        QRect r = entry.Design;
        if (entry.Anchors.testFlag(Qt::RightEdge)) {
            if (entry.Anchors.testFlag(Qt::LeftEdge)) {
                r.setWidth(std::max(0, r.width() + dx));
            } else {
                r.moveLeft(r.left() + dx);
            }
        }
        if (entry.Anchors.testFlag(Qt::BottomEdge)) {
            if (entry.Anchors.testFlag(Qt::TopEdge)) {
                r.setHeight(std::max(0, r.height() + dy));
            } else {
                r.moveTop(r.top() + dy);
            }
        }
        entry.Widget->setGeometry(r);
    }
}

void TAnchors::FixClientSize(QSize client)
{
    // A form that was never shown gets its resize event only when it is
    // shown; apply now so that its components have their places already.
    m_form.setFixedSize(client);
    Apply();
}

void TAnchors::KeepMinimum(QAbstractItemView* list, int rows)
{
    m_keepMinimum = true;
    m_minimumList = list;
    m_minimumRows = rows;
    ApplyMinimum();
}

// Again at each show: the list's header and rows have their heights once
// its columns are there.
void TAnchors::ApplyMinimum()
{
    int height = m_design.height();
    for (const TEntry& entry : m_entries) {
        if (m_minimumList && entry.Widget == m_minimumList && entry.Anchors.testFlag(Qt::BottomEdge)) {
            height -= std::max(0, entry.Design.height() - MinimumListHeight(*m_minimumList, m_minimumRows));
        }
    }
    m_form.setMinimumSize(m_design.width(), height);
}

int TAnchors::MinimumListHeight(const QAbstractItemView& list, int rows)
{
    const QHeaderView* header = nullptr;
    int rowHeight = 0;
    if (const auto* table = qobject_cast<const QTableView*>(&list)) {
        header = table->horizontalHeader();
        rowHeight = table->verticalHeader()->defaultSectionSize();
    } else if (const auto* tree = qobject_cast<const QTreeView*>(&list)) {
        header = tree->header();
        rowHeight = tree->model() && tree->model()->rowCount() > 0 ? tree->sizeHintForRow(0) : 0;
    }
    if (rowHeight <= 0) {
        // As an item of one line of text, as the view's delegate sizes it.
        rowHeight =
            list.fontMetrics().height() + 2 * list.style()->pixelMetric(QStyle::PM_FocusFrameVMargin) + 2;
    }
    const int headerHeight = header && !header->isHidden() ? header->sizeHint().height() : 0;
    return 2 * list.frameWidth() + headerHeight + rows * rowHeight;
}

bool TAnchors::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_form && event->type() == QEvent::Resize) {
        Apply();
    } else if (watched == &m_form && event->type() == QEvent::Show && m_keepMinimum) {
        ApplyMinimum();
    }
    return QObject::eventFilter(watched, event);
}

// --- frame -----------------------------------------------------------------------

TDialogFrame::TDialogFrame(TKRNForm& form, TAnchors& anchors, const QString& bevelName, QSize hauptrahmen)
    : m_form(form)
{
    if (!hauptrahmen.isValid()) {
        hauptrahmen = anchors.Design() - QSize(2 * kMargin, 2 * kMargin);
    }
    m_daten = hauptrahmen - QSize(2 * kMargin, 2 * kMargin);

    Hauptrahmen = new TKRNStdPanel(QStringLiteral("pnlHauptrahmen"), &form);
    Hauptrahmen->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    anchors.Place(Hauptrahmen, QRect(QPoint(kMargin, kMargin), hauptrahmen), TAnchors::akAll);

    Daten = new TKRNStdPanel(QStringLiteral("pnlDaten"), Hauptrahmen);
    anchors.Place(Daten, QRect(QPoint(kMargin, kMargin), m_daten), TAnchors::akAll);

    Buttons = new TKRNStdBevel(bevelName, Daten, TKRNStdBevel::bsBottomLine);
    anchors.Place(Buttons, QRect(kMargin, kMargin, m_daten.width() - 2 * kMargin, kBarHeight),
                  TAnchors::akLeftTopRight);
}

TKRNStdSpeedButton* TDialogFrame::AddButton(const QString& name, const QString& caption, const QString& hint,
                                            QStyle::StandardPixmap glyph, std::function<void()> onClick)
{
    auto* button = new TKRNStdSpeedButton(name, Daten);
    button->move(kMargin + kButtonStep * m_buttonCount++, kMargin);
    button->SetCaption(caption);
    button->SetHint(hint);
    button->SetFlat(true);
    button->SetGlyph(glyph);
    QObject::connect(button, &QToolButton::clicked, &m_form, [onClick = std::move(onClick)] { onClick(); });
    return button;
}

QRect TDialogFrame::ContentArea(int top) const
{
    return QRect(kMargin, top, m_daten.width() - 2 * kMargin, m_daten.height() - top - kMargin);
}
