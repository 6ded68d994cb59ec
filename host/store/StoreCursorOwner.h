#pragma once

// What the store asks of a table open on it: its cursor and its prepared
// statements, which a commit, a reconnect or another statement on the
// connection may end. The tables register with TStore::Attach.
class TStoreCursorOwner
{
public:
    virtual void CloseTable() = 0;
    virtual void FinishCursor() = 0;
    virtual void SpillCursor() = 0;
    virtual void DropStatements() = 0;

protected:
    ~TStoreCursorOwner() = default;
};
