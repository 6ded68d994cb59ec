// The button menu as assistive technology sees it.
#include "AccessibleTest.h"
#include "GuiTest.h"

#include "host/Buttons.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// "Filter": &Eins (with a right caption), a hidden entry, Zwei (disabled);
// "Optionen": Drei.
class AccessibleMenu : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.resize(405, 340);
        Add(u"HeadFilter"_s, u"Filter"_s, btHead);
        Add(u"E1"_s, u"&Eins"_s, btMenu)->SetRightCaption(u"F2"_s);
        Add(u"HIDDEN"_s, u"Versteckt"_s, btMenu)->SetVisible(false);
        Add(u"E2"_s, u"Zwei"_s, btMenu)->SetEnabled(false);
        Add(u"HeadOptionen"_s, u"Optionen"_s, btHead);
        Add(u"E3"_s, u"Drei"_s, btMenu);
        menu->SetOnBtnClick([this](QObject*, int, const QString& name) { clicks << name; });
    }
    TButtonItem* Add(const QString& name, const QString& caption, TButtonType type)
    {
        TButtonItem* item = menu->Items().Add();
        item->SetButtonName(name);
        item->SetLeftCaption(caption);
        item->SetButtonType(type);
        return item;
    }
    QAccessibleInterface* Child(const QString& name) { return AccessibleChild(Accessible(menu), name); }
    QStringList Focused()
    {
        QStringList names;
        QAccessibleInterface* iface = Accessible(menu);
        for (int i = 0; i < iface->childCount(); ++i) {
            if (iface->child(i)->state().focused) {
                names << iface->child(i)->text(QAccessible::Name);
            }
        }
        return names;
    }

    QWidget window;
    TButtons* menu = new TButtons(u"btsMain"_s, &window);
    QStringList clicks;
};

TEST_F(AccessibleMenu, ChildrenAreTheVisibleHeadingsAndEntriesWithRoleNameAndState)
{
    menu->resize(405, 340);
    window.show();
    menu->setAccessibleName(u"Hauptmenü"_s);
    QAccessibleInterface* iface = Accessible(menu);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Grouping);
    EXPECT_EQ(iface->text(QAccessible::Name), u"Hauptmenü"_s);

    QStringList seen; // role | name | description | disabled | focusable | actions
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        EXPECT_EQ(iface->indexOfChild(child), i);
        EXPECT_EQ(child->parent(), iface);
        EXPECT_EQ(child, iface->child(i)) << "one interface per entry";
        QAccessibleActionInterface* actions = child->actionInterface();
        seen << QStringList{child->role() == QAccessible::Heading ? u"heading"_s : u"button"_s,
                            child->text(QAccessible::Name), child->text(QAccessible::Description),
                            QString::number(child->state().disabled), QString::number(child->state().focusable),
                            actions ? actions->actionNames().join(u',') : u"-"_s}
                    .join(u" | "_s);
    }
    const QString press = QAccessibleActionInterface::pressAction();
    const QString focus = QAccessibleActionInterface::setFocusAction();
    EXPECT_EQ(Lines(seen), Lines({
                               u"heading | Filter |  | 0 | 0 | -"_s,
                               u"button | Eins, F2 | Filter | 0 | 1 | "_s + press + u","_s + focus,
                               u"button | Zwei | Filter | 1 | 0 | "_s,
                               u"heading | Optionen |  | 0 | 0 | -"_s,
                               u"button | Drei | Optionen | 0 | 1 | "_s + press + u","_s + focus,
                           }));

    // Scroll buttons join while the entries do not fit.
    menu->resize(405, 60);
    EXPECT_EQ(iface->child(iface->childCount() - 1)->text(QAccessible::Name), u"Nach unten blättern"_s);
}

TEST_F(AccessibleMenu, TheFocusedEntryFollowsTheKeyboard)
{
    ASSERT_TRUE(ShowActive(window));
    menu->setFocus();
    SpinEventLoop();
    EXPECT_EQ(Lines(Focused()), "Eins, F2");
    EXPECT_EQ(Accessible(menu)->focusChild(), Child(u"Eins, F2"_s));

    QTest::keyClick(menu, Qt::Key_Down); // skips the disabled entry and the heading
    EXPECT_EQ(Lines(Focused()), "Drei");
    EXPECT_EQ(Accessible(menu)->focusChild(), Child(u"Drei"_s));

    // Without the keyboard focus no entry counts as focused.
    window.setFocus();
    EXPECT_EQ(Lines(Focused()), "");
    EXPECT_EQ(Accessible(menu)->focusChild(), nullptr);
}

TEST_F(AccessibleMenu, PressClicksTheEntryOnceTheCallHasReturned)
{
    QAccessibleInterface* drei = Child(u"Drei"_s);
    ASSERT_NE(drei, nullptr);
    drei->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(clicks.isEmpty()) << "a workflow's modal window must not hold the caller";
    SpinEventLoop();
    EXPECT_EQ(clicks, QStringList{u"E3"_s});
    EXPECT_EQ(menu->FocusedIndex(), menu->Items().IndexOf(u"E3"_s));

    // Neither the disabled entry nor an unknown action clicks.
    Child(u"Zwei"_s)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    drei->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    SpinEventLoop();
    EXPECT_EQ(clicks, QStringList{u"E3"_s});
}

TEST_F(AccessibleMenu, AnEntryKeepsItsInterfaceWhileOthersMoveAndTakesItAlong)
{
    QAccessibleInterface* drei = Child(u"Drei"_s);
    const QAccessible::Id id = QAccessible::uniqueId(drei);
    menu->Items().Insert(1)->SetLeftCaption(u"Neu"_s);
    menu->Items().Item(menu->Items().IndexOf(u"E2"_s))->SetEnabled(true);
    EXPECT_EQ(Child(u"Drei"_s), drei);
    EXPECT_NE(Child(u"Neu"_s), nullptr);
    EXPECT_FALSE(Child(u"Zwei"_s)->state().disabled);

    menu->Items().Delete(menu->Items().IndexOf(u"E3"_s));
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
    EXPECT_EQ(Child(u"Drei"_s), nullptr);
}

} // namespace
