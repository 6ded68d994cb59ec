#pragma once

#include "host/VRList.h"

#include <QSet>
#include <QTableView>

class TVRListModel;

// A node of TVTVRList: the index of the row in the row list it shows, so it
// stays the same row whatever order the view is sorted in.
struct TVRNode
{
    int Row = -1;
    bool IsNull() const { return Row < 0; }
    explicit operator bool() const { return Row >= 0; }
};

// Shows the rows of a TVRList as a table: a header with sort marks, column
// resizing and dragging, full-row single selection, rows of one fixed height
// (so a refill costs nothing per row). The view reads the row list only when
// refreshed; the list is not owned.
class TVTVRList : public QTableView
{
    Q_OBJECT

public:
    explicit TVTVRList(QWidget* parent = nullptr);
    ~TVTVRList() override;

    // Shows the given row list (none: nothing) and refreshes from it.
    void SetVRList(TVRList* list);
    TVRList* GetVRList() const;

    // Nestable; nothing is repainted in between.
    void BeginUpdate();
    void EndUpdate();

    // Takes the row list's current rows and columns in one model reset. With
    // keepSort the rows come sorted as the user last chose by a header
    // click; without, they come in list order and the sort mark goes.
    void RefreshVRList(bool keepSort);

    // Makes the shown row the current, selected one and scrolls to it. Used
    // as (0, 0) after a refresh: the first row is selected, so Enter acts on
    // it at once. Outside the rows it clears the selection.
    void SetFocusedCell(int row, int column);

    // Makes the first shown row whose text in the column is the given one
    // the current, selected row, as SetFocusedCell does; false, and nothing
    // changed, when no row has it (after a refresh: the row is gone).
    bool SetFocusedRowWithText(int column, const QString& text);

    // The selected row, none without a selection. The list is flat, so
    // considerChildren changes nothing.
    TVRNode GetFirstSelected(bool considerChildren = false) const;
    // The row a node stands for; nullptr for none or a row no longer there.
    // Valid until the row list next changes.
    PVRRow GetNodeData(TVRNode node) const;

Q_SIGNALS:
    void DblClick();

protected:
    void changeEvent(QEvent* event) override;
    // Home and End go to the first and the last row (a table would go to
    // the first and last column of the row).
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    void ApplyRowHeight();
    void ApplyColumns();
    bool IsLastVisibleColumn(int column) const;

    TVRListModel* m_model;
    int m_updateDepth = 0;
    bool m_applyingWidths = false;
    QSet<int> m_userSized;  // columns the user has resized by hand
    QSet<int> m_widthSet;   // columns whose fixed start width was applied
};
