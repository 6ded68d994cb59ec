#include "host/VTStringList.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QHeaderView>

#include <memory>
#include <vector>

namespace {

struct TEntry
{
    quint64 Id = 0;
    TEntry* Parent = nullptr;
    int Row = 0; // position under Parent; entries are only appended
    std::vector<std::unique_ptr<TEntry>> Children;
    QStringList Data;
    TCheckType CheckType = TCheckType::None;
    TCheckState CheckState = TCheckState::Unchecked;
};

} // namespace

// Tree of entries behind TVTStringList. While an update is open, structural
// changes are collected into one model reset that ends with the update.
class TVTStringListModel final : public QAbstractItemModel
{
public:
    using QAbstractItemModel::QAbstractItemModel;

    TVTNode Add(TVTNode parentNode)
    {
        TEntry* parent = parentNode ? Find(parentNode) : &m_root;
        if (!parent) {
            return TVTNode();
        }
        auto entry = std::make_unique<TEntry>();
        entry->Id = m_nextId++;
        entry->Parent = parent;
        entry->Row = static_cast<int>(parent->Children.size());
        TEntry* added = entry.get();
        if (Collecting()) {
            parent->Children.push_back(std::move(entry));
        } else {
            beginInsertRows(IndexOf(parent), added->Row, added->Row);
            parent->Children.push_back(std::move(entry));
            endInsertRows();
        }
        m_byId.insert(added->Id, added);
        return TVTNode(added->Id);
    }

    TVTNode First() const
    {
        return m_root.Children.empty() ? TVTNode() : TVTNode(m_root.Children.front()->Id);
    }

    TVTNode Next(TVTNode node) const
    {
        const TEntry* entry = Find(node);
        if (!entry) {
            return TVTNode();
        }
        if (!entry->Children.empty()) {
            return TVTNode(entry->Children.front()->Id);
        }
        while (entry->Parent) {
            const auto& siblings = entry->Parent->Children;
            const auto next = static_cast<size_t>(entry->Row) + 1;
            if (next < siblings.size()) {
                return TVTNode(siblings[next]->Id);
            }
            entry = entry->Parent;
        }
        return TVTNode();
    }

    TEntry* Find(TVTNode node) const { return m_byId.value(node.m_id, nullptr); }

    void Changed(TEntry* entry)
    {
        if (entry && !Collecting()) {
            const QModelIndex index = IndexOf(entry);
            Q_EMIT dataChanged(index, index);
        }
    }

    void Clear()
    {
        const bool collecting = Collecting();
        if (!collecting) {
            beginResetModel();
        }
        m_root.Children.clear();
        m_byId.clear();
        if (!collecting) {
            endResetModel();
        }
    }

    int Count() const { return static_cast<int>(m_byId.size()); }

    void BeginUpdate() { ++m_updateDepth; }
    void EndUpdate()
    {
        if (m_updateDepth > 0 && --m_updateDepth == 0 && m_resetOpen) {
            m_resetOpen = false;
            endResetModel();
        }
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override
    {
        const TEntry* owner = EntryAt(parent);
        if (column != 0 || row < 0 || static_cast<size_t>(row) >= owner->Children.size()) {
            return QModelIndex();
        }
        return createIndex(row, 0, owner->Children[static_cast<size_t>(row)].get());
    }

    QModelIndex parent(const QModelIndex& child) const override
    {
        if (!child.isValid()) {
            return QModelIndex();
        }
        return IndexOf(EntryAt(child)->Parent);
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        if (parent.column() > 0) {
            return 0;
        }
        return static_cast<int>(EntryAt(parent)->Children.size());
    }

    int columnCount(const QModelIndex& = QModelIndex()) const override { return 1; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid()) {
            return QVariant();
        }
        const TEntry* entry = EntryAt(index);
        switch (role) {
        case Qt::DisplayRole:
            return entry->Data.value(0);
        case Qt::CheckStateRole:
            if (entry->CheckType == TCheckType::CheckBox) {
                return entry->CheckState == TCheckState::Checked ? Qt::Checked : Qt::Unchecked;
            }
            return QVariant();
        default:
            return QVariant();
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (!index.isValid() || role != Qt::CheckStateRole) {
            return false;
        }
        TEntry* entry = EntryAt(index);
        if (entry->CheckType != TCheckType::CheckBox) {
            return false;
        }
        entry->CheckState =
            value.toInt() == Qt::Checked ? TCheckState::Checked : TCheckState::Unchecked;
        Changed(entry);
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid()) {
            return Qt::NoItemFlags;
        }
        Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (EntryAt(index)->CheckType == TCheckType::CheckBox) {
            result |= Qt::ItemIsUserCheckable;
        }
        return result;
    }

private:
    // True while structural changes go into one pending reset; opens it.
    bool Collecting()
    {
        if (m_updateDepth == 0) {
            return false;
        }
        if (!m_resetOpen) {
            m_resetOpen = true;
            beginResetModel();
        }
        return true;
    }

    TEntry* EntryAt(const QModelIndex& index) const
    {
        return index.isValid() ? static_cast<TEntry*>(index.internalPointer()) : const_cast<TEntry*>(&m_root);
    }

    QModelIndex IndexOf(const TEntry* entry) const
    {
        if (!entry || entry == &m_root) {
            return QModelIndex();
        }
        return createIndex(entry->Row, 0, const_cast<TEntry*>(entry));
    }

    TEntry m_root;
    QHash<quint64, TEntry*> m_byId;
    quint64 m_nextId = 1;
    int m_updateDepth = 0;
    bool m_resetOpen = false;
};

TVTStringList::TVTStringList(QWidget* parent) : QTreeView(parent), m_model(new TVTStringListModel(this))
{
    setModel(m_model);
    setHeaderHidden(true);
    header()->setStretchLastSection(true);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

TVTStringList::~TVTStringList() = default;

TVTNode TVTStringList::AddChild(TVTNode parent)
{
    const TVTNode node = m_model->Add(parent);
    if (parent && node) {
        setRootIsDecorated(true);
    }
    return node;
}

TVTNode TVTStringList::GetFirst() const
{
    return m_model->First();
}

TVTNode TVTStringList::GetNext(TVTNode node) const
{
    return m_model->Next(node);
}

QStringList* TVTStringList::GetNodeData(TVTNode node) const
{
    TEntry* entry = m_model->Find(node);
    return entry ? &entry->Data : nullptr;
}

void TVTStringList::SetNodeData(TVTNode node, const QStringList& values)
{
    if (TEntry* entry = m_model->Find(node)) {
        entry->Data = values;
        m_model->Changed(entry);
    }
}

void TVTStringList::InvalidateNode(TVTNode node)
{
    m_model->Changed(m_model->Find(node));
}

TCheckType TVTStringList::GetCheckType(TVTNode node) const
{
    const TEntry* entry = m_model->Find(node);
    return entry ? entry->CheckType : TCheckType::None;
}

void TVTStringList::SetCheckType(TVTNode node, TCheckType type)
{
    if (TEntry* entry = m_model->Find(node)) {
        entry->CheckType = type;
        m_model->Changed(entry);
    }
}

TCheckState TVTStringList::GetCheckState(TVTNode node) const
{
    const TEntry* entry = m_model->Find(node);
    return entry ? entry->CheckState : TCheckState::Unchecked;
}

void TVTStringList::SetCheckState(TVTNode node, TCheckState state)
{
    if (TEntry* entry = m_model->Find(node)) {
        entry->CheckState = state;
        m_model->Changed(entry);
    }
}

void TVTStringList::Clear()
{
    m_model->Clear();
}

int TVTStringList::GetCount() const
{
    return m_model->Count();
}

void TVTStringList::BeginUpdate()
{
    if (m_updateDepth++ == 0) {
        setUpdatesEnabled(false);
    }
    m_model->BeginUpdate();
}

void TVTStringList::EndUpdate()
{
    if (m_updateDepth == 0) {
        return;
    }
    m_model->EndUpdate();
    if (--m_updateDepth == 0) {
        setUpdatesEnabled(true);
    }
}
