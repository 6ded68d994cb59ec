// The list widgets: TVTStringList (entries with check boxes), the row list
// TVRList and its view TVTVRList.
#include "GuiTest.h"
#include "ListTestSupport.h"

#include "host/VRList.h"
#include "host/VTStringList.h"
#include "host/VTVRList.h"

#include <QHeaderView>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

QStringList Walk(const TVTStringList& list)
{
    QStringList texts;
    for (TVTNode node = list.GetFirst(); node; node = list.GetNext(node)) {
        texts << list.GetNodeData(node)->value(0);
    }
    return texts;
}

TVTNode AddEntry(TVTStringList& list, const QString& text, TVTNode parent = TVTNode())
{
    const TVTNode node = list.AddChild(parent);
    list.SetCheckType(node, TCheckType::CheckBox);
    list.GetNodeData(node)->append(text);
    list.InvalidateNode(node);
    return node;
}

} // namespace

TEST(VTStringList, WalksEntriesDepthFirstInTheOrderAdded)
{
    TVTStringList list;
    const TVTNode a = AddEntry(list, u"a"_s);
    AddEntry(list, u"b"_s);
    AddEntry(list, u"a1"_s, a);
    AddEntry(list, u"a2"_s, a);
    AddEntry(list, u"c"_s);

    EXPECT_EQ(Walk(list), (QStringList{u"a"_s, u"a1"_s, u"a2"_s, u"b"_s, u"c"_s}));
    EXPECT_EQ(list.GetCount(), 5);
    EXPECT_EQ(list.model()->rowCount(), 3);
    EXPECT_EQ(list.model()->index(0, 0).data().toString(), u"a"_s);
    EXPECT_EQ(list.model()->rowCount(list.model()->index(0, 0)), 2);
    EXPECT_FALSE(TVTStringList().GetFirst());
}

TEST(VTStringList, CheckStatesAreKeptPerEntryAndToggledByTheUser)
{
    TVTStringList list;
    const TVTNode first = AddEntry(list, u"Artikelbilder"_s);
    const TVTNode plain = list.AddChild();
    list.SetNodeData(plain, {u"ohne Kästchen"_s});
    const TVTNode last = AddEntry(list, u"Katalogbilder"_s);

    list.SetCheckState(last, TCheckState::Checked);
    EXPECT_EQ(list.GetCheckState(first), TCheckState::Unchecked);
    EXPECT_EQ(list.GetCheckState(last), TCheckState::Checked);
    EXPECT_EQ(list.model()->index(2, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_FALSE(list.model()->index(1, 0).data(Qt::CheckStateRole).isValid());
    EXPECT_FALSE(list.model()->setData(list.model()->index(1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(list.GetCheckState(plain), TCheckState::Unchecked);

    list.resize(300, 200);
    ASSERT_TRUE(ShowActive(list));
    list.setFocus();
    list.setCurrentIndex(list.model()->index(0, 0));
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(list.GetCheckState(first), TCheckState::Checked);
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(list.GetCheckState(first), TCheckState::Unchecked);
}

TEST(VTStringList, ClearMakesEveryHandleStale)
{
    TVTStringList list;
    const TVTNode old = AddEntry(list, u"alt"_s);
    AddEntry(list, u"alt2"_s);
    list.Clear();

    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.model()->rowCount(), 0);
    EXPECT_FALSE(list.GetFirst());
    EXPECT_EQ(list.GetNodeData(old), nullptr);
    EXPECT_FALSE(list.GetNext(old));
    list.SetCheckState(old, TCheckState::Checked);
    EXPECT_EQ(list.GetCheckState(old), TCheckState::Unchecked);
    EXPECT_FALSE(list.AddChild(old)); // a stale parent adds nothing

    const TVTNode fresh = AddEntry(list, u"neu"_s);
    EXPECT_FALSE(fresh == old);
    EXPECT_EQ(list.GetNodeData(old), nullptr);
    EXPECT_EQ(Walk(list), QStringList{u"neu"_s});
}

TEST(VTStringList, AnUpdateIsOneModelResetWithoutRepaints)
{
    TVTStringList list;
    AddEntry(list, u"vorher"_s);
    QSignalSpy resets(list.model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(list.model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy changes(list.model(), &QAbstractItemModel::dataChanged);

    list.BeginUpdate();
    list.BeginUpdate();
    EXPECT_FALSE(list.updatesEnabled());
    list.Clear();
    for (int i = 0; i < 50; ++i) {
        AddEntry(list, QString::number(i));
    }
    list.EndUpdate();
    EXPECT_FALSE(list.updatesEnabled());
    EXPECT_EQ(resets.count(), 0);
    list.EndUpdate();
    list.EndUpdate(); // one too many does no harm

    EXPECT_TRUE(list.updatesEnabled());
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(list.model()->rowCount(), 50);
    EXPECT_EQ(list.model()->index(49, 0).data().toString(), u"49"_s);
}

TEST(VRList, ColumnsStayPutAndCellsReadSafely)
{
    TVRList list;
    TVRColumn& first = list.ColumnAdd();
    for (int i = 0; i < 20; ++i) {
        list.ColumnAdd();
    }
    first.Caption = u"Bezeichnung"_s;
    EXPECT_EQ(list.Column(0)->Caption, u"Bezeichnung"_s);
    EXPECT_EQ(list.GetColumnCount(), 21);
    EXPECT_EQ(list.Column(21), nullptr);

    EXPECT_EQ(list.RowAdd({u"Ä"_s, u"ß"_s}, 7), 0);
    const PVRRow row = list.Row(0);
    EXPECT_EQ(PVRItem2String(row->Item(1)), u"ß"_s);
    EXPECT_EQ(row->Tag, 7);
    EXPECT_EQ(row->Item(2), nullptr);
    EXPECT_EQ(PVRItem2String(row->Item(-1)), QString());
    EXPECT_EQ(list.Row(1), nullptr);

    list.RowsClear();
    EXPECT_EQ(list.GetRowCount(), 0);
    EXPECT_EQ(list.GetColumnCount(), 21);
}

TEST(VRList, RowsOfDifferentLengthsKeepTheirOwnCellsWhileTheListGrows)
{
    TVRList list;
    list.ColumnAdd();
    list.ColumnAdd();
    for (int i = 0; i < 1000; ++i) {
        QList<QVariant> values{QString::number(i)};
        if (i % 3 == 0) {
            values << u"Beschreibung %1"_s.arg(i);
        }
        EXPECT_EQ(list.RowAdd(values, i), i);
    }
    list.RowAdd({}, -1);

    const PVRRow third = list.Row(3);
    EXPECT_EQ(third->GetItemCount(), 2);
    EXPECT_EQ(PVRItem2String(third->Item(0)), u"3"_s);
    EXPECT_EQ(PVRItem2String(third->Item(1)), u"Beschreibung 3"_s);
    EXPECT_EQ(list.Row(4)->GetItemCount(), 1);
    EXPECT_EQ(list.Row(4)->Item(1), nullptr); // not the next row's first cell
    EXPECT_EQ(PVRItem2String(list.Row(999)->Item(1)), u"Beschreibung 999"_s);
    EXPECT_EQ(list.Row(1000)->Item(0), nullptr);
    EXPECT_EQ(list.Row(1000)->Tag, -1);

    list.RowsClear();
    list.RowAdd({u"neu"_s}, 0);
    EXPECT_EQ(PVRItem2String(list.Row(0)->Item(0)), u"neu"_s);
    EXPECT_EQ(list.Row(0)->Item(1), nullptr);
}

// A refill keeps the previous rows' texts alive until the fill has ended,
// also when the fill fails; the rows are then the new ones only.
TEST(VRList, ARefillHoldsThePreviousTextsUntilTheFillHasEnded)
{
    for (const bool fails : {false, true}) {
        SCOPED_TRACE(fails);
        TVRList list;
        list.ColumnAdd();
        list.RowAdd({u"alt %1"_s.arg(1)}, 0);
        list.RowAdd({u"alt %1"_s.arg(2)}, 0);
        QString old = list.Row(1)->Item(0)->toString(); // shares the cell's text
        bool heldDuringFill = false;
        try {
            list.RowsRefill([&] {
                EXPECT_EQ(list.GetRowCount(), 0);
                list.RowAdd({u"neu"_s}, 5);
                heldDuringFill = !old.isDetached();
                if (fails) {
                    throw std::runtime_error("Lesefehler");
                }
            });
        } catch (const std::runtime_error&) {
            EXPECT_TRUE(fails);
        }
        EXPECT_TRUE(heldDuringFill);
        EXPECT_TRUE(old.isDetached()) << "released after the fill";
        ASSERT_EQ(list.GetRowCount(), 1);
        EXPECT_EQ(PVRItem2String(list.Row(0)->Item(0)), u"neu"_s);
        EXPECT_EQ(list.Row(0)->Tag, 5);
    }
}
namespace {

// A row list with the chooser's two columns.
std::unique_ptr<TVRList> NamesList(const QStringList& names)
{
    auto list = std::make_unique<TVRList>();
    list->ColumnAdd().Caption = u"Bezeichnung"_s;
    list->ColumnAdd().Caption = u"Beschreibung"_s;
    for (const QString& name : names) {
        list->RowAdd({name, u"zu "_s + name}, 0);
    }
    return list;
}

QStringList Shown(const TVTVRList& view, int column = 0)
{
    QStringList texts;
    for (int row = 0; row < view.model()->rowCount(); ++row) {
        texts << view.model()->index(row, column).data().toString();
    }
    return texts;
}

QString SelectedName(const TVTVRList& view)
{
    const PVRRow row = view.GetNodeData(view.GetFirstSelected());
    return row ? PVRItem2String(row->Item(0)) : u"<keine>"_s;
}

void ClickHeader(TVTVRList& view, int column)
{
    QHeaderView* head = view.horizontalHeader();
    const int x = head->sectionViewportPosition(column) + head->sectionSize(column) / 2;
    QTest::mouseClick(head->viewport(), Qt::LeftButton, {}, QPoint(x, head->height() / 2));
}

} // namespace

TEST(VTVRList, ShowsTheRowsOfItsListFromTheRefreshOn)
{
    auto list = NamesList({u"B"_s, u"A"_s});
    TVTVRList view;
    view.SetVRList(list.get());
    EXPECT_EQ(view.model()->headerData(0, Qt::Horizontal).toString(), u"Bezeichnung"_s);
    EXPECT_EQ(view.model()->headerData(1, Qt::Horizontal).toString(), u"Beschreibung"_s);
    EXPECT_EQ(Shown(view), (QStringList{u"B"_s, u"A"_s}));
    EXPECT_EQ(Shown(view, 1), (QStringList{u"zu B"_s, u"zu A"_s}));

    list->RowAdd({u"C"_s, QString()}, 0);
    EXPECT_EQ(view.model()->rowCount(), 2); // until the next refresh
    list->RowsClear();
    EXPECT_EQ(view.model()->index(1, 0).data().toString(), QString()); // a vanished row reads empty
    list->RowAdd({u"X"_s, QString()}, 0);
    view.RefreshVRList(true);
    EXPECT_EQ(Shown(view), QStringList{u"X"_s});

    list.reset();
    view.RefreshVRList(true);
    EXPECT_EQ(view.model()->rowCount(), 0);
    EXPECT_EQ(view.GetNodeData(TVRNode{0}), nullptr);
}

TEST(VTVRList, TheFocusCallSelectsTheFirstRowAndNothingWithoutRows)
{
    auto list = NamesList({u"ERSTE"_s, u"ZWEITE"_s});
    TVTVRList view;
    view.SetVRList(list.get());
    EXPECT_FALSE(view.GetFirstSelected());
    EXPECT_EQ(view.GetNodeData(view.GetFirstSelected()), nullptr);

    view.SetFocusedCell(0, 0);
    EXPECT_EQ(SelectedName(view), u"ERSTE"_s);

    list->RowsClear();
    view.RefreshVRList(true);
    view.SetFocusedCell(0, 0);
    EXPECT_FALSE(view.GetFirstSelected());
}

TEST(VTVRList, SelectionNamesTheRowTheUserSeesAfterSortingByHeaderClicks)
{
    auto list = NamesList({u"Birne"_s, u"Zitrone"_s, u"apfel"_s, u"Äpfel"_s, u"Banane"_s});
    TVTVRList view;
    view.resize(400, 300);
    view.SetVRList(list.get());
    ASSERT_TRUE(ShowActive(view));

    view.SetFocusedCell(1, 0); // "Zitrone"
    ClickHeader(view, 0);
    EXPECT_EQ(Shown(view), (QStringList{u"apfel"_s, u"Äpfel"_s, u"Banane"_s, u"Birne"_s, u"Zitrone"_s}));
    EXPECT_EQ(view.horizontalHeader()->sortIndicatorSection(), 0);
    EXPECT_EQ(SelectedName(view), u"Zitrone"_s);
    EXPECT_EQ(view.currentIndex().row(), 4);

    ClickHeader(view, 0);
    EXPECT_EQ(Shown(view).first(), u"Zitrone"_s);
    EXPECT_EQ(SelectedName(view), u"Zitrone"_s);

    view.SetFocusedCell(1, 0);
    EXPECT_EQ(SelectedName(view), u"Birne"_s);
    EXPECT_EQ(view.GetFirstSelected().Row, 0); // the node is the list's row
}

TEST(VTVRList, ARefreshKeepsTheUsersSortOnlyWhenAsked)
{
    auto list = NamesList({u"B"_s, u"C"_s, u"A"_s});
    TVTVRList view;
    view.SetVRList(list.get());
    view.sortByColumn(0, Qt::AscendingOrder);
    list->RowAdd({u"0"_s, QString()}, 0);

    view.RefreshVRList(true);
    EXPECT_EQ(Shown(view), (QStringList{u"0"_s, u"A"_s, u"B"_s, u"C"_s}));
    view.RefreshVRList(false);
    EXPECT_EQ(Shown(view), (QStringList{u"B"_s, u"C"_s, u"A"_s, u"0"_s}));
    EXPECT_EQ(view.horizontalHeader()->sortIndicatorSection(), -1);
}

TEST(VTVRList, ColumnSettingsAndTheUsersWidthsSurviveARefresh)
{
    TVRList list;
    list.ColumnAdd().Caption = u"Bezeichnung"_s;
    TVRColumn& second = list.ColumnAdd();
    second.Caption = u"Beschreibung"_s;
    second.Alignment = vraRight;
    second.Hint = u"Beschreibung der Einstellung"_s;
    second.Width = 123;
    list.ColumnAdd().Caption = u"Dritte"_s;
    list.ColumnAdd().Visible = false;
    list.RowAdd({u"KURZ"_s, u"x"_s}, 0);
    TVTVRList view;
    view.resize(600, 200);
    view.SetVRList(&list);

    EXPECT_EQ(view.columnWidth(1), 123);
    EXPECT_TRUE(view.isColumnHidden(3));
    EXPECT_EQ(view.model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(), second.Hint);
    EXPECT_TRUE(view.model()->index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);

    view.horizontalHeader()->resizeSection(0, 321); // as a drag of the user
    view.horizontalHeader()->moveSection(0, 1);
    list.RowAdd({u"EIN VIEL LÄNGERER NAME ALS ZUVOR"_s, QString()}, 0);
    view.RefreshVRList(true);
    EXPECT_EQ(view.columnWidth(0), 321);
    EXPECT_EQ(view.horizontalHeader()->visualIndex(0), 1);
    EXPECT_EQ(view.model()->rowCount(), 2);
}

TEST(VTVRList, DoubleClickOnARowSignals)
{
    auto list = NamesList({u"A"_s, u"B"_s});
    TVTVRList view;
    view.resize(300, 200);
    view.SetVRList(list.get());
    ASSERT_TRUE(ShowActive(view));
    QSignalSpy dbl(&view, &TVTVRList::DblClick);

    const QRect rect = view.visualRect(view.model()->index(1, 0));
    DoubleClick(view.viewport(), rect.center());
    EXPECT_EQ(dbl.count(), 1);
    EXPECT_EQ(SelectedName(view), u"B"_s);
}

TEST(VTVRList, HundredThousandRowsFillInOneResetAndScroll)
{
    constexpr int kRows = 100000;
    TVRList list;
    list.ColumnAdd().Caption = u"Bezeichnung"_s;
    list.ColumnAdd().Caption = u"Beschreibung"_s;
    TVTVRList view;
    view.resize(450, 180);
    view.SetVRList(&list);
    ASSERT_TRUE(ShowActive(view));
    QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(view.model(), &QAbstractItemModel::rowsInserted);

    view.BeginUpdate();
    list.RowsClear();
    for (int i = 0; i < kRows; ++i) {
        list.RowAdd({u"E%1"_s.arg(i, 6, 10, QLatin1Char('0')), u"Einstellung %1"_s.arg(i)}, 0);
    }
    view.RefreshVRList(true);
    view.SetFocusedCell(0, 0);
    view.EndUpdate();

    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    EXPECT_EQ(view.model()->rowCount(), kRows);
    view.scrollToBottom();
    QApplication::processEvents();
    const QModelIndex last = view.model()->index(kRows - 1, 0);
    EXPECT_TRUE(view.viewport()->rect().contains(view.visualRect(last)));
    EXPECT_EQ(last.data().toString(), u"E099999"_s);

    view.sortByColumn(0, Qt::DescendingOrder);
    EXPECT_EQ(view.model()->index(0, 0).data().toString(), u"E099999"_s);
    EXPECT_EQ(SelectedName(view), u"E000000"_s);
}
