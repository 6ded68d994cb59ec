#pragma once

#include "host/core/Rechner.h"

#include <QTreeView>

class TRTypRNrModel;

// Check tree of the computers known to the host: a group of computer types
// and a group of computer numbers, each entry with a check box. Columns:
// type, number (right-aligned) and name. Marks are addressed by value; a
// value that is not in the lists reads unmarked and is not set.
class TVTRTypRNrCheck : public QTreeView
{
public:
    explicit TVTRTypRNrCheck(QWidget* parent = nullptr);
    ~TVTRTypRNrCheck() override;

    QString CaptionRTyp() const;
    void SetCaptionRTyp(const QString& caption);
    QString CaptionRNr() const;
    void SetCaptionRNr(const QString& caption);

    // With true the next LoadData takes only the master computers.
    bool OnlyMaster() const { return m_onlyMaster; }
    void SetOnlyMaster(bool onlyMaster) { m_onlyMaster = onlyMaster; }

    bool GetDataLoadedRTyp() const;
    bool GetDataLoadedRNr() const;

    // Reads both lists from the current store; every mark starts unset.
    // Throws StoreError; the lists then stay as they were.
    void LoadData();
    // Shows the given lists as if loaded (entries with a value that is not
    // valid or already listed are left out).
    void SetData(const QList<TRechnerTyp>& typen, const QList<TRechner>& rechner);

    int GetRTypCount() const;
    int GetRNrCount() const;
    // The entry at an index; blank or 0 outside the list.
    QChar GetRTyp(int index) const;
    qint32 GetRNr(int index) const;

    bool GetRTypChecked(QChar rtyp) const;
    bool GetRNrChecked(qint32 rnr) const;
    // Setting many marks repaints once: the view hears of them together
    // when control returns to the event loop.
    void SetRTypChecked(QChar rtyp, bool checked);
    void SetRNrChecked(qint32 rnr, bool checked);

    // Model indexes of the groups and entries (column 0, where the check
    // box is), for the code that drives the tree as a user would.
    QModelIndex RTypGroupIndex() const;
    QModelIndex RNrGroupIndex() const;
    QModelIndex RTypIndex(int index) const;
    QModelIndex RNrIndex(int index) const;

protected:
    // Space toggles the mark of the current entry, whatever its column.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void AfterReset();

    TRTypRNrModel* m_model;
    bool m_onlyMaster = false;
};
