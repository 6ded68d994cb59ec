#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QModelIndex;
class TVTRTypRNrCheck;

// Tool tips of the computer check tree: every computer type and number
// names the saved setting of the filter kind that serves it now and why,
// read from the store when the tip is asked for.
class TRechnerTipps final : public QObject
{
    Q_OBJECT
public:
    // The kind is asked for each tip (the dialog's filter kind changes
    // between shows).
    TRechnerTipps(TVTRTypRNrCheck& tree, std::function<QString()> kennung);

    // The tip of an entry; empty for the group rows.
    QString TipText(const QModelIndex& index) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TVTRTypRNrCheck& m_tree;
    std::function<QString()> m_kennung;
};
