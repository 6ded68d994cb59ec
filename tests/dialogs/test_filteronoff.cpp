// The filter activation dialog on the real store: which kinds it lists, how
// it marks them, what confirming and cancelling book, and its keys on the
// shown dialog.
#include "DialogFixture.h"

#include "dialogs/FilterOnOffU.h"
#include "host/VTStringList.h"
#include "host/core/KRNProgramm.h"

#include <QAction>

#include <optional>

namespace {

const QString kUnregistered = u"ALT"_s;

class FilterOnOffTest : public DialogTest
{
protected:
    using Form = std::unique_ptr<TfrmFilterOnOff, TKRNFree>;

    // Books activity records and reloads the list of active kinds, as the
    // main window does before the dialog is shown.
    void Activate(const QStringList& kennungen)
    {
        for (const QString& kennung : kennungen) {
            dtm.BuchenAktivitaet(kennung, true);
        }
        dtm.RefreshFilterList();
    }

    // Entries as "name|Kennung|mark" ("x" marked, "-" not), in list order.
    static QStringList Entries(const TfrmFilterOnOff& f)
    {
        QStringList entries;
        const TVTStringList& list = *f.vtFilter;
        for (TVTNode node = list.GetFirst(); node; node = list.GetNext(node)) {
            const bool box = list.GetCheckType(node) == TCheckType::CheckBox;
            const bool marked = list.GetCheckState(node) == TCheckState::Checked;
            entries << list.GetNodeData(node)->join(u'|') + (box ? (marked ? u"|x"_s : u"|-"_s) : u"|?"_s);
        }
        return entries;
    }

    // Kinds with an activity record, in table order.
    QStringList ActiveInStore()
    {
        QStringList kinds;
        QSqlQuery query(store.Store().Database());
        query.exec(
            u"SELECT Kennung FROM fikofile WHERE Bezeichnung = '' AND RTyp = ' ' AND RNr = 0 ORDER BY 1"_s);
        while (query.next()) {
            kinds << query.value(0).toString();
        }
        return kinds;
    }

    static void Toggle(TfrmFilterOnOff& f, int row)
    {
        f.vtFilter->setCurrentIndex(f.vtFilter->model()->index(row, 0));
        QTest::keyClick(f.vtFilter, Qt::Key_Space);
    }
};

TEST_F(FilterOnOffTest, ListsEveryRegisteredKindOnceInOrderAndMarksTheActiveOnes)
{
    Activate({kKBIL, kUnregistered});
    Form form = KRNCreateForm<TfrmFilterOnOff>();
    EXPECT_TRUE(form->KRNFormText().endsWith(u".frmFilterOnOff"_s));

    QStringList shown;
    EXPECT_EQ(ShowAndDo<TfrmFilterOnOff>(*form,
                                         [&](TfrmFilterOnOff& f) {
                                             shown = Entries(f);
                                             QTest::keyClick(f.vtFilter, Qt::Key_Escape);
                                         }),
              mrCancel);
    EXPECT_EQ(shown, (QStringList{u"Artikelbilder|ABIL|-"_s, u"Katalogbilder|KBIL|x"_s}));
    EXPECT_EQ(form->vtFilter->model()->index(1, 0).data().toString(), u"Katalogbilder"_s);
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(FilterOnOffTest, ConfirmBooksEveryEntryAndLeavesEverythingElse)
{
    Activate({kKBIL, kUnregistered});
    AddSetting(kKBIL, u"S1"_s);
    dtm.BuchenKommunikation(kKBIL, u"S1"_s, QLatin1Char('A'), 0, true);
    Form form = KRNCreateForm<TfrmFilterOnOff>();

    // Unchanged marks: every entry booked, nothing changes.
    EXPECT_EQ(ShowAndDo<TfrmFilterOnOff>(*form,
                                         [](TfrmFilterOnOff& f) { QTest::keyClick(f.vtFilter, Qt::Key_F5); }),
              mrOk);
    EXPECT_EQ(ActiveInStore(), (QStringList{kUnregistered, kKBIL}));

    // Mark ABIL, unmark KBIL by key.
    EXPECT_EQ(ShowAndDo<TfrmFilterOnOff>(*form,
                                         [](TfrmFilterOnOff& f) {
                                             Toggle(f, 0);
                                             Toggle(f, 1);
                                             QTest::keyClick(f.vtFilter, Qt::Key_F5);
                                         }),
              mrOk);
    EXPECT_EQ(ActiveInStore(), (QStringList{kABIL, kUnregistered}));
    EXPECT_EQ(Count(u"fidefile"_s, u"Kennung = 'KBIL'"_s), 1) << "switching off keeps the saved settings";
    EXPECT_EQ(Count(u"fikofile"_s, u"Kennung = 'KBIL' AND Bezeichnung = 'S1'"_s), 1) << "and the assignments";

    // The dialog does not refresh the list of active kinds itself.
    EXPECT_EQ(dtm.FilterList.size(), 2);
    EXPECT_EQ(dtm.FilterList.front().Kennung, kUnregistered);
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(FilterOnOffTest, CancelBooksNothingAndTheNextShowMarksFromTheActiveList)
{
    Activate({kABIL});
    Form form = KRNCreateForm<TfrmFilterOnOff>();
    EXPECT_EQ(
        ShowAndDo<TfrmFilterOnOff>(
            *form,
            [](TfrmFilterOnOff& f) {
                Toggle(f, 0);
                Toggle(f, 1);
                EXPECT_EQ(Entries(f), (QStringList{u"Artikelbilder|ABIL|-"_s, u"Katalogbilder|KBIL|x"_s}));
                QTest::keyClick(f.vtFilter, Qt::Key_Escape);
            }),
        mrCancel);
    EXPECT_EQ(ActiveInStore(), QStringList{kABIL});

    QStringList shown;
    ShowAndDo<TfrmFilterOnOff>(*form, [&](TfrmFilterOnOff& f) { shown = Entries(f); });
    EXPECT_EQ(shown, (QStringList{u"Artikelbilder|ABIL|x"_s, u"Katalogbilder|KBIL|-"_s}));
}

TEST_F(FilterOnOffTest, WithoutRegisteredKindsTheListIsEmptyAndConfirmBooksNothing)
{
    Activate({kUnregistered});
    ClearKOMMFilterRegistry();
    Form form = KRNCreateForm<TfrmFilterOnOff>();
    EXPECT_EQ(ShowAndDo<TfrmFilterOnOff>(*form,
                                         [](TfrmFilterOnOff& f) { QTest::keyClick(f.vtFilter, Qt::Key_F5); }),
              mrOk);
    EXPECT_EQ(form->vtFilter->GetCount(), 0);
    EXPECT_EQ(ActiveInStore(), QStringList{kUnregistered});
}

TEST_F(FilterOnOffTest, FailedBookingStopsTheWalkAndKeepsTheDialogOpen)
{
    Activate({kKBIL});
    store.FailWhen(u"fikofile"_s, u"NEW.Kennung = 'ABIL'"_s, u"ABIL gesperrt"_s);
    Form form = KRNCreateForm<TfrmFilterOnOff>();
    const int result = ShowAndDo<TfrmFilterOnOff>(*form, [](TfrmFilterOnOff& f) {
        Toggle(f, 0); // ABIL on: fails
        Toggle(f, 1); // KBIL off: never booked
        QTest::keyClick(f.vtFilter, Qt::Key_F5);
    });
    EXPECT_EQ(result, kStayedOpen);
    EXPECT_EQ(presenter.ErrorLocations(), QStringList{u"TdtmKOMMFilter.BuchenAktivitaet"_s});
    EXPECT_EQ(ActiveInStore(), QStringList{kKBIL});
}

TEST_F(FilterOnOffTest, AFailedBookingIsShownOnlyAfterTheWriteLockIsGone)
{
    Activate({});
    store.FailWhen(u"fikofile"_s, u"NEW.Kennung = 'ABIL'"_s, u"ABIL gesperrt"_s);
    std::optional<bool> lockHeldWhileShown;
    presenter.WhileErrorShown = [&] { lockHeldWhileShown = store.Store().InTransaction(); };
    Form form = KRNCreateForm<TfrmFilterOnOff>();
    ShowAndDo<TfrmFilterOnOff>(*form, [](TfrmFilterOnOff& f) {
        Toggle(f, 0);
        QTest::keyClick(f.vtFilter, Qt::Key_F5);
    });
    ASSERT_TRUE(lockHeldWhileShown.has_value()) << "the failure was shown";
    EXPECT_FALSE(*lockHeldWhileShown) << "no other workstation waits on the box";
}

// The second kind fails after the first was switched: the confirmation is
// booked whole or not at all, the marks stay, and confirming again books
// both.
TEST_F(FilterOnOffTest, SecondKindFailingBooksNeitherAndConfirmingAgainBooksBoth)
{
    Activate({});
    store.FailWhen(u"fikofile"_s, u"NEW.Kennung = 'KBIL'"_s, u"KBIL gesperrt"_s);
    Form form = KRNCreateForm<TfrmFilterOnOff>();
    QStringList nachFehler;
    QStringList marks;
    const int result = ShowAndDo<TfrmFilterOnOff>(*form, [&](TfrmFilterOnOff& f) {
        Toggle(f, 0); // ABIL on: booked first
        Toggle(f, 1); // KBIL on: fails
        QTest::keyClick(f.vtFilter, Qt::Key_F5);
        nachFehler = ActiveInStore();
        marks = Entries(f);
        store.DropFailure(u"fikofile"_s);
        QTest::keyClick(f.vtFilter, Qt::Key_F5);
    });
    EXPECT_EQ(nachFehler, QStringList());
    EXPECT_EQ(marks, (QStringList{u"Artikelbilder|ABIL|x"_s, u"Katalogbilder|KBIL|x"_s}));
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(ActiveInStore(), (QStringList{kABIL, kKBIL}));
    EXPECT_EQ(presenter.ErrorLocations(), QStringList{u"TdtmKOMMFilter.BuchenAktivitaet"_s});
}

TEST_F(FilterOnOffTest, CaptionCarriesTheTenantOnce)
{
    qputenv("VELDRAKE_STORE", (store.Dir() + u"/programm.sqlite"_s).toLocal8Bit());
    qputenv("VELDRAKE_MANDANT", QByteArrayLiteral("Mandant Süd"));
    KRNProgramm().Init(u"VELDRAKE"_s, 0, 0, 0, true);
    {
        Form form = KRNCreateForm<TfrmFilterOnOff>();
        ShowAndDo<TfrmFilterOnOff>(*form, [](TfrmFilterOnOff&) {});
        ShowAndDo<TfrmFilterOnOff>(*form, [](TfrmFilterOnOff&) {});
        EXPECT_EQ(form->Caption(), u"Filter aktivieren / passivieren - Mandant Süd"_s);
        EXPECT_EQ(form->KRNFormText(), u"VELDRAKE.frmFilterOnOff"_s);
    }
    KRNProgramm().Done();
    qunsetenv("VELDRAKE_STORE");
    qunsetenv("VELDRAKE_MANDANT");
}

} // namespace
