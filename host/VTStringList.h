#pragma once

#include <QStringList>
#include <QTreeView>

class TVTStringListModel;

enum class TCheckType
{
    None,
    CheckBox
};

enum class TCheckState
{
    Unchecked,
    Checked
};

// Handle of one entry of a TVTStringList. Handles are never reused: after
// Clear (or for a default-constructed handle) every operation that takes one
// does nothing and answers none, nullptr or Unchecked.
class TVTNode
{
public:
    TVTNode() = default;
    bool IsNull() const { return m_id == 0; }
    explicit operator bool() const { return m_id != 0; }
    friend bool operator==(TVTNode, TVTNode) = default;

private:
    friend class TVTStringListModel;
    explicit TVTNode(quint64 id) : m_id(id) {}
    quint64 m_id = 0;
};

// List of entries, each carrying a string list and optionally a check box.
// The first string is the text shown in the single column, which follows
// the widget's width; there is no visible header.
class TVTStringList : public QTreeView
{
public:
    explicit TVTStringList(QWidget* parent = nullptr);
    ~TVTStringList() override;

    // Appends an entry under parent (none: top level) with an empty string
    // list and no check box.
    TVTNode AddChild(TVTNode parent = TVTNode());

    // Walks the entries depth first in the order they were added; none at
    // the end.
    TVTNode GetFirst() const;
    TVTNode GetNext(TVTNode node) const;

    // The entry's string list, to read or fill. The pointer is valid until
    // Clear or the widget's end. Changes made through it outside
    // BeginUpdate/EndUpdate show after InvalidateNode.
    QStringList* GetNodeData(TVTNode node) const;
    void SetNodeData(TVTNode node, const QStringList& values);
    void InvalidateNode(TVTNode node);

    TCheckType GetCheckType(TVTNode node) const;
    void SetCheckType(TVTNode node, TCheckType type);
    TCheckState GetCheckState(TVTNode node) const;
    void SetCheckState(TVTNode node, TCheckState state);

    // Removes every entry; all handles become stale.
    void Clear();
    int GetCount() const;

    // Nestable. In between nothing is repainted and the entries added count
    // as one change of the model.
    void BeginUpdate();
    void EndUpdate();

private:
    TVTStringListModel* m_model;
    int m_updateDepth = 0;
};
