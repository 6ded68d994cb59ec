#include "host/VTVRList.h"

#include <QAbstractItemModel>
#include <QCollator>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <numeric>
#include <vector>

// Table model over a TVRList. Row and column counts are taken at each
// reload, so the list may change in between without the view noticing
// until the next refresh. Sorting keeps a permutation of the list's rows.
class TVRListModel final : public QAbstractItemModel
{
public:
    using QAbstractItemModel::QAbstractItemModel;

    void SetList(TVRList* list) { m_list = list; }
    TVRList* List() const { return m_list.data(); }

    void Reload(bool keepSort)
    {
        beginResetModel();
        m_rows = m_list ? m_list->GetRowCount() : 0;
        m_columns = m_list ? m_list->GetColumnCount() : 0;
        if (!keepSort || m_sortColumn >= m_columns) {
            m_sortColumn = -1;
        }
        m_order = SortedOrder(m_sortColumn, m_sortOrder);
        endResetModel();
    }

    int SortColumn() const { return m_sortColumn; }

    // The list row shown at a view row; -1 outside.
    int ListRow(int viewRow) const
    {
        if (viewRow < 0 || viewRow >= m_rows) {
            return -1;
        }
        return m_order.empty() ? viewRow : m_order[static_cast<size_t>(viewRow)];
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override
    {
        if (parent.isValid() || row < 0 || row >= m_rows || column < 0 || column >= m_columns) {
            return QModelIndex();
        }
        return createIndex(row, column);
    }

    QModelIndex parent(const QModelIndex&) const override { return QModelIndex(); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_rows;
    }

    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_columns;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || !m_list) {
            return QVariant();
        }
        switch (role) {
        case Qt::DisplayRole:
            return CellText(ListRow(index.row()), index.column());
        case Qt::TextAlignmentRole:
            return AlignmentOf(index.column());
        default:
            return QVariant();
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        const TVRColumn* column = (orientation == Qt::Horizontal && m_list) ? m_list->Column(section) : nullptr;
        if (!column) {
            return QAbstractItemModel::headerData(section, orientation, role);
        }
        switch (role) {
        case Qt::DisplayRole:
            return column->Caption;
        case Qt::ToolTipRole:
            return column->Hint.isEmpty() ? QVariant() : QVariant(column->Hint);
        case Qt::TextAlignmentRole:
            return AlignmentOf(section);
        default:
            return QVariant();
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid()) {
            return Qt::NoItemFlags;
        }
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    }

    // Column -1 restores the list order. Selection and current row follow
    // their rows.
    void sort(int column, Qt::SortOrder order) override
    {
        if (column >= m_columns) {
            column = -1;
        }
        if (column == m_sortColumn && (column < 0 || order == m_sortOrder)) {
            return;
        }
        Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList before = persistentIndexList();
        std::vector<int> listRows;
        listRows.reserve(static_cast<size_t>(before.size()));
        for (const QModelIndex& index : before) {
            listRows.push_back(ListRow(index.row()));
        }

        m_sortColumn = column;
        m_sortOrder = order;
        m_order = SortedOrder(column, order);

        std::vector<int> viewRowOf(static_cast<size_t>(m_rows));
        for (int viewRow = 0; viewRow < m_rows; ++viewRow) {
            viewRowOf[static_cast<size_t>(ListRow(viewRow))] = viewRow;
        }
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            const int listRow = listRows[static_cast<size_t>(i)];
            after.append(listRow < 0 ? QModelIndex()
                                     : index(viewRowOf[static_cast<size_t>(listRow)], before[i].column()));
        }
        changePersistentIndexList(before, after);
        Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

private:
    QString CellText(int listRow, int column) const
    {
        const PVRRow row = m_list ? m_list->Row(listRow) : nullptr;
        return row ? PVRItem2String(row->Item(column)) : QString();
    }

    QVariant AlignmentOf(int column) const
    {
        const TVRColumn* settings = m_list ? m_list->Column(column) : nullptr;
        Qt::Alignment horizontal = Qt::AlignLeft;
        if (settings && settings->Alignment == vraRight) {
            horizontal = Qt::AlignRight;
        } else if (settings && settings->Alignment == vraCenter) {
            horizontal = Qt::AlignHCenter;
        }
        return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }

    // Empty for the list order. Sorting compares the cells' texts as the
    // user's language does; equal texts keep their list order.
    std::vector<int> SortedOrder(int column, Qt::SortOrder order) const
    {
        if (column < 0 || m_rows == 0) {
            return {};
        }
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        collator.setNumericMode(true);
        std::vector<QCollatorSortKey> keys;
        keys.reserve(static_cast<size_t>(m_rows));
        for (int row = 0; row < m_rows; ++row) {
            keys.push_back(collator.sortKey(CellText(row, column)));
        }
        std::vector<int> result(static_cast<size_t>(m_rows));
        std::iota(result.begin(), result.end(), 0);
        const auto key = [&keys](int row) -> const QCollatorSortKey& { return keys[static_cast<size_t>(row)]; };
        if (order == Qt::AscendingOrder) {
            std::stable_sort(result.begin(), result.end(),
                             [&key](int a, int b) { return key(a).compare(key(b)) < 0; });
        } else {
            std::stable_sort(result.begin(), result.end(),
                             [&key](int a, int b) { return key(b).compare(key(a)) < 0; });
        }
        return result;
    }

    QPointer<TVRList> m_list;
    int m_rows = 0;
    int m_columns = 0;
    std::vector<int> m_order; // view row -> list row; empty: the same
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

TVTVRList::TVTVRList(QWidget* parent) : QTableView(parent), m_model(new TVRListModel(this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false); // Tab leaves the list, as in any dialog
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    ApplyRowHeight();

    QHeaderView* head = horizontalHeader();
    head->setHighlightSections(false); // a selected row would mark every section
    head->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    head->setSectionsMovable(true);
    head->setSectionsClickable(true);
    head->setSortIndicatorShown(true);
    head->setStretchLastSection(true);
    head->setResizeContentsPrecision(200);
    head->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);

    connect(head, &QHeaderView::sectionResized, this, [this](int column, int, int) {
        if (!m_applyingWidths) {
            m_userSized.insert(column);
        }
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex&) { Q_EMIT DblClick(); });
}

TVTVRList::~TVTVRList() = default;

void TVTVRList::SetVRList(TVRList* list)
{
    m_model->SetList(list);
    m_userSized.clear();
    m_widthSet.clear();
    RefreshVRList(false);
}

TVRList* TVTVRList::GetVRList() const
{
    return m_model->List();
}

void TVTVRList::BeginUpdate()
{
    if (m_updateDepth++ == 0) {
        setUpdatesEnabled(false);
    }
}

void TVTVRList::EndUpdate()
{
    if (m_updateDepth > 0 && --m_updateDepth == 0) {
        setUpdatesEnabled(true);
    }
}

void TVTVRList::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        ApplyRowHeight();
    }
}

QModelIndex TVTVRList::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    if (cursorAction == MoveHome || cursorAction == MoveEnd) {
        const int rows = m_model->rowCount();
        if (rows == 0) {
            return QModelIndex();
        }
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        return m_model->index(cursorAction == MoveHome ? 0 : rows - 1, column);
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

// Every row is one line of text high, as the style sizes an item of one,
// and never lower than the font's glyphs reach: capital umlauts stand above
// the ascent in some fonts.
void TVTVRList::ApplyRowHeight()
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("ÄÖÜg");
    const int styled = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height();
    const QFontMetrics metrics(font());
    const int glyphs = std::max(metrics.height(), metrics.boundingRect(QStringLiteral("ÄÖÜÅÉgjpq")).height());
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, this) + 1;
    const int height = std::max(styled, glyphs + 2 * margin);
    QHeaderView* rows = verticalHeader();
    rows->setMinimumSectionSize(height);
    rows->setDefaultSectionSize(height);
}

void TVTVRList::RefreshVRList(bool keepSort)
{
    m_model->Reload(keepSort);
    if (m_model->SortColumn() < 0 && horizontalHeader()->sortIndicatorSection() >= 0) {
        horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    }
    ApplyColumns();
}

void TVTVRList::ApplyColumns()
{
    const TVRList* list = m_model->List();
    if (!list) {
        return;
    }
    m_applyingWidths = true;
    for (int column = 0; column < list->GetColumnCount(); ++column) {
        const TVRColumn* settings = list->Column(column);
        setColumnHidden(column, !settings->Visible);
        horizontalHeader()->setSectionResizeMode(column, settings->Resizable ? QHeaderView::Interactive
                                                                             : QHeaderView::Fixed);
    }
    for (int column = 0; column < list->GetColumnCount(); ++column) {
        const TVRColumn* settings = list->Column(column);
        if (!settings->Visible || IsLastVisibleColumn(column) || m_userSized.contains(column)) {
            continue;
        }
        if (settings->Width > 0) {
            if (!m_widthSet.contains(column)) {
                setColumnWidth(column, settings->Width);
                m_widthSet.insert(column);
            }
        } else {
            resizeColumnToContents(column);
        }
    }
    m_applyingWidths = false;
}

bool TVTVRList::IsLastVisibleColumn(int column) const
{
    const QHeaderView* head = horizontalHeader();
    for (int visual = head->count() - 1; visual >= 0; --visual) {
        const int logical = head->logicalIndex(visual);
        if (!head->isSectionHidden(logical)) {
            return logical == column;
        }
    }
    return false;
}

void TVTVRList::SetFocusedCell(int row, int column)
{
    if (row < 0 || row >= m_model->rowCount()) {
        if (selectionModel()) {
            selectionModel()->clear();
        }
        return;
    }
    const QModelIndex index = m_model->index(row, std::clamp(column, 0, std::max(0, m_model->columnCount() - 1)));
    setCurrentIndex(index);
    scrollTo(index);
}

bool TVTVRList::SetFocusedRowWithText(int column, const QString& text)
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const PVRRow zeile = GetNodeData(TVRNode{m_model->ListRow(row)});
        if (zeile && PVRItem2String(zeile->Item(column)) == text) {
            SetFocusedCell(row, column);
            return true;
        }
    }
    return false;
}

TVRNode TVTVRList::GetFirstSelected(bool /*considerChildren*/) const
{
    if (!selectionModel()) {
        return TVRNode();
    }
    int first = -1;
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange& range : selection) {
        if (first < 0 || range.top() < first) {
            first = range.top();
        }
    }
    return TVRNode{m_model->ListRow(first)};
}

PVRRow TVTVRList::GetNodeData(TVRNode node) const
{
    const TVRList* list = m_model->List();
    return list && node ? list->Row(node.Row) : nullptr;
}
