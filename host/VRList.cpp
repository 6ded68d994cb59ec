#include "host/VRList.h"

PVRItem TVRRow::Item(int column) const
{
    if (column < 0 || column >= Items.size()) {
        return nullptr;
    }
    return &Items[column];
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
}

int TVRList::RowAdd(const QList<QVariant>& values, int tag)
{
    m_rows.push_back(TVRRow{values, tag});
    return GetRowCount() - 1;
}

PVRRow TVRList::Row(int index) const
{
    if (index < 0 || index >= GetRowCount()) {
        return nullptr;
    }
    return &m_rows[static_cast<size_t>(index)];
}
