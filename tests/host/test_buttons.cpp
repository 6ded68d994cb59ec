#include "GuiTest.h"

#include "host/Buttons.h"

#include <QToolButton>

#include <gtest/gtest.h>

namespace {

struct Click
{
    int Position;
    QString ButtonName;
    bool operator==(const Click&) const = default;
};

void PrintTo(const Click& click, std::ostream* os)
{
    *os << click.Position << ":" << click.ButtonName.toStdString();
}

// A menu of two groups: Head A, a1, a2, Head B, b1.
class ButtonMenu : public ::testing::Test
{
protected:
    void SetUp() override
    {
        menu.resize(405, 340);
        AddEntry(QStringLiteral("HeadA"), btHead);
        AddEntry(QStringLiteral("a1"), btMenu);
        AddEntry(QStringLiteral("a2"), btMenu);
        AddEntry(QStringLiteral("HeadB"), btHead);
        AddEntry(QStringLiteral("b1"), btMenu);
        menu.SetOnBtnClick([this](QObject* sender, int position, const QString& name) {
            EXPECT_EQ(sender, &menu);
            clicks.append(Click{position, name});
        });
    }
    TButtonItem* AddEntry(const QString& name, TButtonType type)
    {
        TButtonItem* item = menu.Items().Add();
        item->SetButtonName(name);
        item->SetLeftCaption(name);
        item->SetButtonType(type);
        return item;
    }

    TButtons menu{QStringLiteral("btsMain")};
    QList<Click> clicks;
};

TEST_F(ButtonMenu, InsertAndDeleteShiftLaterEntries)
{
    TButtonItem* item = menu.Items().Insert(1);
    EXPECT_EQ(item->ButtonType(), btMenu);
    EXPECT_TRUE(item->Visible());
    EXPECT_TRUE(item->Enabled());
    item->SetButtonName(QStringLiteral("new"));
    EXPECT_EQ(menu.Items().ButtonNames(),
              (QStringList{QStringLiteral("HeadA"), QStringLiteral("new"), QStringLiteral("a1"),
                           QStringLiteral("a2"), QStringLiteral("HeadB"), QStringLiteral("b1")}));
    EXPECT_EQ(menu.Items().Item(1), item);

    menu.Items().Delete(0);
    EXPECT_EQ(menu.Items().Count(), 5);
    EXPECT_EQ(menu.Items().Item(0)->ButtonName(), QStringLiteral("new"));
    menu.Items().Delete(5); // outside: nothing happens
    EXPECT_EQ(menu.Items().Count(), 5);
    EXPECT_EQ(menu.Items().Item(5), nullptr);
    EXPECT_EQ(menu.Items().IndexOf(QStringLiteral("b1")), 4);
}

TEST_F(ButtonMenu, OnlyVisibleEnabledMenuEntriesClick)
{
    EXPECT_FALSE(menu.Click(0)); // heading
    EXPECT_TRUE(menu.Click(2));
    menu.Items().Item(1)->SetEnabled(false);
    EXPECT_FALSE(menu.Click(1));
    menu.Items().Item(4)->SetVisible(false);
    EXPECT_FALSE(menu.Click(4));
    EXPECT_EQ(clicks, QList<Click>{(Click{2, QStringLiteral("a2")})});
}

TEST_F(ButtonMenu, MouseClickOnAnEntry)
{
    ASSERT_TRUE(ShowActive(menu));
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.ItemRect(4).center());
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.ItemRect(3).center()); // heading
    EXPECT_EQ(clicks, QList<Click>{(Click{4, QStringLiteral("b1")})});
    EXPECT_EQ(menu.FocusedIndex(), 4);
}

TEST_F(ButtonMenu, ArrowKeysSkipHeadingsAndEnterClicks)
{
    ASSERT_TRUE(ShowActive(menu));
    menu.setFocus();
    EXPECT_EQ(menu.FocusedIndex(), 1); // first menu entry
    QTest::keyClick(&menu, Qt::Key_Down);
    QTest::keyClick(&menu, Qt::Key_Down); // over "HeadB"
    EXPECT_EQ(menu.FocusedIndex(), 4);
    QTest::keyClick(&menu, Qt::Key_Down); // stays on the last entry
    QTest::keyClick(&menu, Qt::Key_Return);
    QTest::keyClick(&menu, Qt::Key_Up);
    QTest::keyClick(&menu, Qt::Key_Enter);
    EXPECT_EQ(clicks, (QList<Click>{Click{4, QStringLiteral("b1")}, Click{2, QStringLiteral("a2")}}));
}

TEST_F(ButtonMenu, FocusFollowsItsEntryWhenEntriesMove)
{
    menu.SetFocusedIndex(2);
    menu.Items().Insert(0);
    EXPECT_EQ(menu.FocusedIndex(), 3);
    menu.Items().Delete(3); // the focused entry goes: the next menu entry takes the focus
    EXPECT_EQ(menu.FocusedIndex(), 4);
    EXPECT_EQ(menu.Items().Item(4)->ButtonName(), QStringLiteral("b1"));
}

TEST_F(ButtonMenu, EntriesStandCentredWithTheirHeights)
{
    const int content = 26 + 2 + 25 + 2 + 25 + 2 + 26 + 2 + 25;
    EXPECT_FALSE(menu.Scrollable());
    EXPECT_EQ(menu.ItemRect(0), QRect(0, (340 - content) / 2, 405, 26));
    EXPECT_EQ(menu.ItemRect(1).height(), 25);
    EXPECT_EQ(menu.ItemRect(1).top(), menu.ItemRect(0).bottom() + 1 + 2);
    menu.Items().Item(1)->SetVisible(false);
    EXPECT_TRUE(menu.ItemRect(1).isEmpty());
}

TEST_F(ButtonMenu, ScrollsWhenEntriesDoNotFit)
{
    for (int i = 0; i < 20; ++i) {
        AddEntry(QStringLiteral("x%1").arg(i), btMenu);
    }
    ASSERT_TRUE(ShowActive(menu));
    ASSERT_TRUE(menu.Scrollable());
    auto* down = menu.findChild<QToolButton*>(QStringLiteral("btnScrollDown"));
    auto* up = menu.findChild<QToolButton*>(QStringLiteral("btnScrollUp"));
    ASSERT_TRUE(down && up);
    EXPECT_TRUE(down->isVisible());
    EXPECT_FALSE(up->isEnabled());

    // The last entry scrolls into view when it gets the focus.
    const int last = menu.Items().Count() - 1;
    EXPECT_TRUE(menu.ItemRect(last).isEmpty());
    menu.setFocus();
    QTest::keyClick(&menu, Qt::Key_End);
    EXPECT_EQ(menu.FocusedIndex(), last);
    EXPECT_EQ(menu.ItemRect(last).height(), 25);
    EXPECT_GT(menu.TopIndex(), 0);
    EXPECT_TRUE(up->isEnabled());
    EXPECT_FALSE(down->isEnabled());

    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_FALSE(menu.ItemRect(menu.TopIndex()).isEmpty());
    QTest::keyClick(&menu, Qt::Key_Home);
    EXPECT_EQ(menu.TopIndex(), 0); // the heading above the first entry shows too
}

TEST_F(ButtonMenu, HandlerMayRebuildTheEntries)
{
    menu.SetOnBtnClick([this](QObject*, int, const QString& name) {
        menu.Items().Clear();
        clicks.append(Click{0, name});
    });
    EXPECT_TRUE(menu.Click(1));
    EXPECT_EQ(menu.Items().Count(), 0);
    EXPECT_EQ(menu.FocusedIndex(), -1);
    EXPECT_EQ(clicks, QList<Click>{(Click{0, QStringLiteral("a1")})});
}

} // namespace
