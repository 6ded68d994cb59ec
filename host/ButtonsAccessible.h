#pragma once

#include <QAccessibleWidget>

class TButtonItem;
class TButtons;

// What assistive technology sees of a button menu: a grouping named after
// the menu, whose children are its visible headings (role Heading) and
// entries (role Button, with the heading they stand under as description),
// then the scroll buttons while they are shown. An entry reports focus,
// disabled and off-screen states and offers the press action, which clicks
// it as the user would once the call has returned (a workflow's modal window
// must not hold the caller).
class TButtonsAccessible final : public QAccessibleWidget
{
public:
    explicit TButtonsAccessible(TButtons* menu);

    // Makes every button menu answer queryAccessibleInterface with this
    // class (once per program).
    static void Install();

    // The child index of the entry at the position; -1 when it has none
    // (hidden or not in the list).
    static int ChildIndex(const TButtons& menu, int position);

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    // The interface of one entry, registered on first use.
    static QAccessibleInterface* ItemInterface(TButtons& menu, const TButtonItem& item);

private:
    TButtons* Menu() const;
};
