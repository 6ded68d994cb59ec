#include "host/VRList.h"

PVRItem TVRRow::Item(int column) const
{
    if (!m_cells || column < 0 || column >= m_count) {
        return nullptr;
    }
    return &(*m_cells)[m_first + static_cast<size_t>(column)];
}

QString PVRItem2String(PVRItem item)
{
    return item ? item->toString() : QString();
}

TVRList::~TVRList() = default;

TVRColumn& TVRList::ColumnAdd()
{
    m_columns.push_back(std::make_unique<TVRColumn>());
    return *m_columns.back();
}

const TVRColumn* TVRList::Column(int index) const
{
    if (index < 0 || index >= GetColumnCount()) {
        return nullptr;
    }
    return m_columns[static_cast<size_t>(index)].get();
}

void TVRList::RowsClear()
{
    m_rows.clear();
    m_cells.clear();
}

std::vector<QVariant> TVRList::TakeCells()
{
    std::vector<QVariant> cells;
    cells.swap(m_cells);
    m_rows.clear();
    m_cells.reserve(cells.size());
    return cells;
}

int TVRList::RowAdd(std::initializer_list<QVariant> values, int tag)
{
    return Append(values, tag);
}

int TVRList::RowAdd(const QList<QVariant>& values, int tag)
{
    return Append(values, tag);
}

template <typename Values> int TVRList::Append(const Values& values, int tag)
{
    TVRRow row;
    row.Tag = tag;
    row.m_cells = &m_cells;
    row.m_first = m_cells.size();
    row.m_count = static_cast<int>(values.size());
    m_cells.insert(m_cells.end(), values.begin(), values.end());
    m_rows.push_back(row);
    return GetRowCount() - 1;
}

PVRRow TVRList::Row(int index) const
{
    if (index < 0 || index >= GetRowCount()) {
        return nullptr;
    }
    return &m_rows[static_cast<size_t>(index)];
}
