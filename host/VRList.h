#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

// Kind of the cells of a column. Every kind is shown as text.
inline constexpr quint8 vrtString = 6;

// Alignment of a column's cells.
inline constexpr quint8 vraLeft = 0;
inline constexpr quint8 vraRight = 1;
inline constexpr quint8 vraCenter = 2;

// Settings of one column of a TVRList, as the view shows it.
struct TVRColumn
{
    QString Caption;
    quint8 DataType = vrtString;
    quint8 Alignment = vraLeft;
    QString Hint;          // tool tip of the column's header; empty: none
    int Width = 0;         // pixels; 0: fitted to the contents at each refresh
    bool Resizable = true; // the user may drag the column's width
    bool Visible = true;
};

// One cell; nullptr stands for a missing cell.
using PVRItem = const QVariant*;

// A row's cells live in one store of the whole list, so a row costs no
// allocation of its own.
struct TVRRow
{
    int Tag = 0; // the caller's own value, carried along

    // The cell of a column, nullptr outside the row.
    PVRItem Item(int column) const;
    int GetItemCount() const { return m_count; }

private:
    friend class TVRList;
    const std::vector<QVariant>* m_cells = nullptr;
    size_t m_first = 0;
    int m_count = 0;
};
using PVRRow = const TVRRow*;

// Text of a cell; empty for a missing one.
QString PVRItem2String(PVRItem item);

// Rows of cells under a fixed set of columns; plain data, shown by TVTVRList.
// Column settings references stay valid for the list's life; row and cell
// pointers until the rows next change.
class TVRList : public QObject
{
public:
    TVRList() = default;
    ~TVRList() override;

    TVRColumn& ColumnAdd();
    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    const TVRColumn* Column(int index) const;

    void RowsClear();
    // Replaces the rows by those that fill adds. The previous rows' cells
    // live until fill has returned (or thrown): the allocator then gives the
    // new rows fresh memory instead of the many small blocks the old rows
    // would just have returned, which saves 10 to 20 ms of a refill of
    // 100,000 rows (at about 20 MiB more peak memory).
    template <typename Fill> void RowsRefill(Fill&& fill)
    {
        const std::vector<QVariant> previous = TakeCells();
        std::forward<Fill>(fill)();
    }
    // Appends a row of cells; returns its index.
    int RowAdd(std::initializer_list<QVariant> values, int tag);
    int RowAdd(const QList<QVariant>& values, int tag);
    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    PVRRow Row(int index) const;

private:
    template <typename Values> int Append(const Values& values, int tag);
    // Clears the rows and returns their cells; room for as many is reserved.
    std::vector<QVariant> TakeCells();

    std::vector<std::unique_ptr<TVRColumn>> m_columns;
    std::vector<TVRRow> m_rows;
    std::vector<QVariant> m_cells; // every row's cells, row after row
};
