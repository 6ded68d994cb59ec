#include "host/VTRTypRNrCheck.h"

#include "host/core/KRNError.h"
#include "host/store/Store.h"

#include <QAbstractItemModel>
#include <QFont>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyledItemDelegate>

#include <algorithm>
#include <vector>

namespace {

constexpr int kGroupRTyp = 0;
constexpr int kGroupRNr = 1;
constexpr int kColumnTyp = 0;
constexpr int kColumnNummer = 1;
constexpr int kColumnName = 2;

struct TRTypEntry
{
    TRechnerTyp Typ;
    bool Checked = false;
};

struct TRNrEntry
{
    TRechner Rechner;
    bool Checked = false;
};

// Rows changed by code since the view last heard of it.
struct TDirtyRange
{
    int First = -1;
    int Last = -1;
    void Add(int row)
    {
        First = First < 0 ? row : std::min(First, row);
        Last = std::max(Last, row);
    }
};

// Keeps right-aligned numbers off the name column that follows.
class TRightPaddedDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->rect.adjust(0, 0, -kPadding, 0);
    }

private:
    static constexpr int kPadding = 8;
};

} // namespace

// Two groups at the top (internal id 0); their entries carry the group's
// number + 1 as internal id, so no pointers are involved.
class TRTypRNrModel final : public QAbstractItemModel
{
public:
    explicit TRTypRNrModel(QObject* parent) : QAbstractItemModel(parent) {}

    QString Caption(int group) const { return m_captions[group]; }
    void SetCaption(int group, const QString& caption)
    {
        m_captions[group] = caption;
        const QModelIndex index = createIndex(group, 0, quintptr(0));
        Q_EMIT dataChanged(index, index, {Qt::DisplayRole});
    }

    bool Loaded() const { return m_loaded; }

    void SetData(const QList<TRechnerTyp>& typen, const QList<TRechner>& rechner)
    {
        beginResetModel();
        m_typen.clear();
        m_rechner.clear();
        m_typIndex.clear();
        m_nrIndex.clear();
        m_dirty[kGroupRTyp] = TDirtyRange();
        m_dirty[kGroupRNr] = TDirtyRange();
        for (const TRechnerTyp& typ : typen) {
            if (typ.RTyp != u' ' && !typ.RTyp.isNull() && !m_typIndex.contains(typ.RTyp.unicode())) {
                m_typIndex.insert(typ.RTyp.unicode(), static_cast<int>(m_typen.size()));
                m_typen.push_back(TRTypEntry{typ, false});
            }
        }
        for (const TRechner& entry : rechner) {
            if (entry.RNr > 0 && !m_nrIndex.contains(entry.RNr)) {
                m_nrIndex.insert(entry.RNr, static_cast<int>(m_rechner.size()));
                m_rechner.push_back(TRNrEntry{entry, false});
            }
        }
        m_loaded = true;
        endResetModel();
    }

    int TypCount() const { return static_cast<int>(m_typen.size()); }
    int NrCount() const { return static_cast<int>(m_rechner.size()); }
    const std::vector<TRTypEntry>& Typen() const { return m_typen; }
    const std::vector<TRNrEntry>& Rechner() const { return m_rechner; }

    int TypRow(QChar rtyp) const { return m_typIndex.value(rtyp.unicode(), -1); }
    int NrRow(qint32 rnr) const { return m_nrIndex.value(rnr, -1); }

    bool Checked(int group, int row) const
    {
        if (row < 0 || row >= GroupSize(group)) {
            return false;
        }
        return group == kGroupRTyp ? m_typen[static_cast<size_t>(row)].Checked
                                   : m_rechner[static_cast<size_t>(row)].Checked;
    }

    // A mark set by code: the view hears of all such marks together, in one
    // change per group, once control is back in the event loop.
    void SetCheckedQuietly(int group, int row, bool checked)
    {
        if (!Store(group, row, checked)) {
            return;
        }
        m_dirty[group].Add(row);
        if (!m_flushPosted) {
            m_flushPosted = true;
            QMetaObject::invokeMethod(this, [this] { Flush(); }, Qt::QueuedConnection);
        }
    }

    QModelIndex GroupIndex(int group) const { return createIndex(group, 0, quintptr(0)); }
    QModelIndex EntryIndex(int group, int row, int column = 0) const
    {
        if (row < 0 || row >= GroupSize(group)) {
            return QModelIndex();
        }
        return createIndex(row, column, quintptr(group + 1));
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override
    {
        if (column < 0 || column >= 3 || row < 0) {
            return QModelIndex();
        }
        if (!parent.isValid()) {
            return row < 2 ? createIndex(row, column, quintptr(0)) : QModelIndex();
        }
        if (parent.internalId() != 0 || parent.column() != 0) {
            return QModelIndex();
        }
        return EntryIndex(parent.row(), row, column);
    }

    QModelIndex parent(const QModelIndex& child) const override
    {
        if (!child.isValid() || child.internalId() == 0) {
            return QModelIndex();
        }
        return GroupIndex(static_cast<int>(child.internalId()) - 1);
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        if (!parent.isValid()) {
            return 2;
        }
        if (parent.internalId() != 0 || parent.column() != 0) {
            return 0;
        }
        return GroupSize(parent.row());
    }

    int columnCount(const QModelIndex& = QModelIndex()) const override { return 3; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid()) {
            return QVariant();
        }
        if (index.internalId() == 0) {
            return GroupData(index, role);
        }
        const int group = static_cast<int>(index.internalId()) - 1;
        if (index.row() >= GroupSize(group)) {
            return QVariant();
        }
        if (role == Qt::TextAlignmentRole && index.column() == kColumnNummer) {
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        }
        if (role == Qt::CheckStateRole && index.column() == kColumnTyp) {
            return Checked(group, index.row()) ? Qt::Checked : Qt::Unchecked;
        }
        if (role != Qt::DisplayRole) {
            return QVariant();
        }
        return group == kGroupRTyp ? TypText(m_typen[static_cast<size_t>(index.row())], index.column())
                                   : NrText(m_rechner[static_cast<size_t>(index.row())], index.column());
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal) {
            return QVariant();
        }
        if (role == Qt::TextAlignmentRole && section == kColumnNummer) {
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        }
        if (role != Qt::DisplayRole) {
            return QVariant();
        }
        switch (section) {
        case kColumnTyp:
            return QStringLiteral("Typ");
        case kColumnNummer:
            return QStringLiteral("Nummer");
        case kColumnName:
            return QStringLiteral("Bezeichnung");
        default:
            return QVariant();
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (!index.isValid() || index.internalId() == 0 || index.column() != kColumnTyp ||
            role != Qt::CheckStateRole) {
            return false;
        }
        const int group = static_cast<int>(index.internalId()) - 1;
        if (Store(group, index.row(), value.toInt() == Qt::Checked)) {
            Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
        }
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid()) {
            return Qt::NoItemFlags;
        }
        Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.internalId() != 0) {
            result |= Qt::ItemNeverHasChildren;
            if (index.column() == kColumnTyp) {
                result |= Qt::ItemIsUserCheckable;
            }
        }
        return result;
    }

private:
    int GroupSize(int group) const { return group == kGroupRTyp ? TypCount() : NrCount(); }

    // Sets a mark; false when the row is outside or the mark was already so.
    bool Store(int group, int row, bool checked)
    {
        if (row < 0 || row >= GroupSize(group)) {
            return false;
        }
        bool& mark = group == kGroupRTyp ? m_typen[static_cast<size_t>(row)].Checked
                                         : m_rechner[static_cast<size_t>(row)].Checked;
        if (mark == checked) {
            return false;
        }
        mark = checked;
        return true;
    }

    void Flush()
    {
        m_flushPosted = false;
        for (int group : {kGroupRTyp, kGroupRNr}) {
            const TDirtyRange range = m_dirty[group];
            m_dirty[group] = TDirtyRange();
            if (range.First >= 0 && range.Last < GroupSize(group)) {
                Q_EMIT dataChanged(EntryIndex(group, range.First), EntryIndex(group, range.Last),
                                   {Qt::CheckStateRole});
            }
        }
    }

    QVariant GroupData(const QModelIndex& index, int role) const
    {
        if (index.column() != 0) {
            return QVariant();
        }
        if (role == Qt::DisplayRole) {
            return m_captions[index.row()];
        }
        if (role == Qt::FontRole) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return QVariant();
    }

    static QVariant TypText(const TRTypEntry& entry, int column)
    {
        switch (column) {
        case kColumnTyp:
            return QString(entry.Typ.RTyp);
        case kColumnName:
            return entry.Typ.Name;
        default:
            return QVariant();
        }
    }

    static QVariant NrText(const TRNrEntry& entry, int column)
    {
        switch (column) {
        case kColumnTyp:
            return QString(entry.Rechner.RTyp);
        case kColumnNummer:
            return QString::number(entry.Rechner.RNr);
        case kColumnName:
            return entry.Rechner.Name;
        default:
            return QVariant();
        }
    }

    QString m_captions[2] = {QStringLiteral("Rechnertypen"), QStringLiteral("Rechner")};
    std::vector<TRTypEntry> m_typen;
    std::vector<TRNrEntry> m_rechner;
    QHash<char16_t, int> m_typIndex;
    QHash<qint32, int> m_nrIndex;
    bool m_loaded = false;
    TDirtyRange m_dirty[2];
    bool m_flushPosted = false;
};

TVTRTypRNrCheck::TVTRTypRNrCheck(QWidget* parent) : QTreeView(parent), m_model(new TRTypRNrModel(this))
{
    setModel(m_model);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(true);
    setRootIsDecorated(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(true);
    header()->resizeSection(0, 90);
    header()->resizeSection(1, 70);
    setItemDelegateForColumn(kColumnNummer, new TRightPaddedDelegate(this));
    AfterReset();
}

TVTRTypRNrCheck::~TVTRTypRNrCheck() = default;

QString TVTRTypRNrCheck::CaptionRTyp() const
{
    return m_model->Caption(kGroupRTyp);
}

void TVTRTypRNrCheck::SetCaptionRTyp(const QString& caption)
{
    m_model->SetCaption(kGroupRTyp, caption);
}

QString TVTRTypRNrCheck::CaptionRNr() const
{
    return m_model->Caption(kGroupRNr);
}

void TVTRTypRNrCheck::SetCaptionRNr(const QString& caption)
{
    m_model->SetCaption(kGroupRNr, caption);
}

bool TVTRTypRNrCheck::GetDataLoadedRTyp() const
{
    return m_model->Loaded();
}

bool TVTRTypRNrCheck::GetDataLoadedRNr() const
{
    return m_model->Loaded();
}

void TVTRTypRNrCheck::LoadData()
{
    TStore* store = TStore::Current();
    if (!store) {
        throw StoreError(QStringLiteral("Die Rechner können nicht gelesen werden: kein Datenbestand geöffnet."));
    }
    const QList<TRechnerTyp> typen = ReadRechnerTypen(*store);
    const QList<TRechner> rechner = ReadRechner(*store, m_onlyMaster);
    SetData(typen, rechner);
}

void TVTRTypRNrCheck::SetData(const QList<TRechnerTyp>& typen, const QList<TRechner>& rechner)
{
    m_model->SetData(typen, rechner);
    AfterReset();
}

void TVTRTypRNrCheck::AfterReset()
{
    for (int group : {kGroupRTyp, kGroupRNr}) {
        setFirstColumnSpanned(group, QModelIndex(), true);
        expand(m_model->GroupIndex(group));
    }
}

int TVTRTypRNrCheck::GetRTypCount() const
{
    return m_model->TypCount();
}

int TVTRTypRNrCheck::GetRNrCount() const
{
    return m_model->NrCount();
}

QChar TVTRTypRNrCheck::GetRTyp(int index) const
{
    if (index < 0 || index >= GetRTypCount()) {
        return QLatin1Char(' ');
    }
    return m_model->Typen()[static_cast<size_t>(index)].Typ.RTyp;
}

qint32 TVTRTypRNrCheck::GetRNr(int index) const
{
    if (index < 0 || index >= GetRNrCount()) {
        return 0;
    }
    return m_model->Rechner()[static_cast<size_t>(index)].Rechner.RNr;
}

bool TVTRTypRNrCheck::GetRTypChecked(QChar rtyp) const
{
    return m_model->Checked(kGroupRTyp, m_model->TypRow(rtyp));
}

bool TVTRTypRNrCheck::GetRNrChecked(qint32 rnr) const
{
    return m_model->Checked(kGroupRNr, m_model->NrRow(rnr));
}

void TVTRTypRNrCheck::SetRTypChecked(QChar rtyp, bool checked)
{
    m_model->SetCheckedQuietly(kGroupRTyp, m_model->TypRow(rtyp), checked);
}

void TVTRTypRNrCheck::SetRNrChecked(qint32 rnr, bool checked)
{
    m_model->SetCheckedQuietly(kGroupRNr, m_model->NrRow(rnr), checked);
}

QModelIndex TVTRTypRNrCheck::RTypGroupIndex() const
{
    return m_model->GroupIndex(kGroupRTyp);
}

QModelIndex TVTRTypRNrCheck::RNrGroupIndex() const
{
    return m_model->GroupIndex(kGroupRNr);
}

QModelIndex TVTRTypRNrCheck::RTypIndex(int index) const
{
    return m_model->EntryIndex(kGroupRTyp, index);
}

QModelIndex TVTRTypRNrCheck::RNrIndex(int index) const
{
    return m_model->EntryIndex(kGroupRNr, index);
}

void TVTRTypRNrCheck::keyPressEvent(QKeyEvent* event)
{
    const QModelIndex current = currentIndex();
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && current.isValid() &&
        current.parent().isValid()) {
        const QModelIndex box = current.siblingAtColumn(0);
        const bool checked = box.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        model()->setData(box, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}
