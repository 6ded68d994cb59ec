// The saved-settings chooser on the real store: what it lists, what it
// returns, when it deletes, and its shortcuts on the shown dialog.
#include "DialogFixture.h"

#include "dialogs/LoadFilterU.h"
#include "SecondWorkstation.h"

#include "host/KRNControls.h"
#include "host/KRNHinweisLeiste.h"
#include "host/core/FremdeAenderungen.h"
#include "host/VRList.h"
#include "host/VTVRList.h"

#include <QAction>
#include <QSignalSpy>

namespace {

const QChar kBlank = QLatin1Char(' ');

class LoadFilterTest : public DialogTest
{
protected:
    LoadFilterTest() { form->SetFilterKennung(kABIL); }

    // Names in the chooser's row list, in list order.
    QStringList Listed() const
    {
        QStringList names;
        const TVRList* list = form->FIDEList();
        for (int i = 0; i < list->GetRowCount(); ++i) {
            names << PVRItem2String(list->Row(i)->Item(0));
        }
        return names;
    }

    // Shows the chooser; presses each key on its list, in order.
    int ShowAndPress(const QList<QKeyCombination>& keys)
    {
        return ShowAndDo<TfrmLoad>(*form, [&keys](TfrmLoad& f) {
            for (const QKeyCombination key : keys) {
                QTest::keyClick(f.vtFIDEList, key.key(), key.keyboardModifiers());
            }
        });
    }

    void Select(int row) { form->vtFIDEList->SetFocusedCell(row, 0); }

    std::unique_ptr<TfrmLoad, TKRNFree> form = KRNCreateForm<TfrmLoad>();
};

TEST_F(LoadFilterTest, CreatedWithBothPermissionsAndTwoColumns)
{
    EXPECT_TRUE(form->KRNFormText().endsWith(u".frmLoad"_s));
    EXPECT_TRUE(form->Loeschen());
    EXPECT_TRUE(form->Neuanlage());
    EXPECT_TRUE(form->FilterBezeichnung().isEmpty());
    ASSERT_EQ(form->FIDEList()->GetColumnCount(), 2);
    EXPECT_EQ(form->FIDEList()->Column(0)->Caption, u"Bezeichnung"_s);
    EXPECT_EQ(form->FIDEList()->Column(1)->Caption, u"Beschreibung"_s);
    EXPECT_EQ(form->vtFIDEList->model()->headerData(1, Qt::Horizontal).toString(), u"Beschreibung"_s);

    form->RunDestroyHandler();
    EXPECT_EQ(form->FIDEList(), nullptr);
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(LoadFilterTest, ListsOnlyItsKindInKeyOrderAndLoadsTheSelectedRow)
{
    AddSetting(kABIL, u"ZWEI"_s, u"zweite"_s);
    AddSetting(kABIL, u"EINS"_s, u"erste"_s);
    AddSetting(kKBIL, u"EINS"_s, u"fremde Art"_s);
    AddSetting(kKBIL, u"DREI"_s);

    // Enter takes the first row, selected by the fill.
    EXPECT_EQ(ShowAndPress({Qt::Key_Return}), mrOk);
    EXPECT_EQ(Listed(), (QStringList{u"EINS"_s, u"ZWEI"_s}));
    EXPECT_EQ(form->FilterBezeichnung(), u"EINS"_s);
    EXPECT_EQ(form->FilterBeschreibung(), u"erste"_s);

    EXPECT_EQ(ShowAndPress({Qt::Key_Down, Qt::Key_Enter}), mrOk);
    EXPECT_EQ(form->FilterBezeichnung(), u"ZWEI"_s);
    EXPECT_EQ(form->FilterBeschreibung(), u"zweite"_s);

    // A double click on a row loads it too (as the system delivers it: a
    // click, then the double click).
    const int result = ShowAndDo<TfrmLoad>(*form, [](TfrmLoad& f) {
        const QPoint row = f.vtFIDEList->visualRect(f.vtFIDEList->model()->index(0, 1)).center();
        QTest::mouseClick(f.vtFIDEList->viewport(), Qt::LeftButton, Qt::NoModifier, row);
        QTest::mouseDClick(f.vtFIDEList->viewport(), Qt::LeftButton, Qt::NoModifier, row);
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(form->FilterBezeichnung(), u"EINS"_s);
    EXPECT_TRUE(presenter.Meldungen.isEmpty());
}

TEST_F(LoadFilterTest, KindWithoutSettingsOffersOnlyNew)
{
    AddSetting(kKBIL, u"ANDERE"_s, u"Katalog"_s);
    form->SetFilterKennung(kKBIL);
    ASSERT_EQ(ShowAndPress({Qt::Key_Return}), mrOk);
    ASSERT_EQ(form->FilterBezeichnung(), u"ANDERE"_s);

    form->SetFilterKennung(kABIL);
    presenter.Answer(mrYes);
    bool loadEnabled = true;
    bool deleteEnabled = true;
    bool deleteVisible = false;
    const int result = ShowAndDo<TfrmLoad>(*form, [&](TfrmLoad& f) {
        loadEnabled = f.spbLoad->isEnabled() || f.actEingabe->isEnabled();
        deleteEnabled = f.spbDelete->isEnabled() || f.actF15->isEnabled();
        deleteVisible = f.spbDelete->isVisible();
        QTest::keyClick(f.vtFIDEList, Qt::Key_Return);
        QTest::keyClick(f.vtFIDEList, Qt::Key_F5, Qt::ShiftModifier);
        EXPECT_TRUE(f.isVisible()) << "disabled actions must not fire";
        QTest::keyClick(f.vtFIDEList, Qt::Key_F3);
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_TRUE(Listed().isEmpty());
    EXPECT_FALSE(loadEnabled);
    EXPECT_FALSE(deleteEnabled);
    EXPECT_TRUE(deleteVisible);
    EXPECT_TRUE(form->FilterBezeichnung().isEmpty());
    EXPECT_TRUE(form->FilterBeschreibung().isEmpty());
    EXPECT_TRUE(presenter.Meldungen.isEmpty());
    EXPECT_EQ(Count(u"fidefile"_s), 1);
}

TEST_F(LoadFilterTest, WithoutPermissionsNewAndDeleteAreHiddenAndTheirKeysDead)
{
    AddSetting(kABIL, u"S1"_s);
    form->SetLoeschen(false);
    form->SetNeuanlage(false);
    presenter.Answer(mrYes);
    bool newVisible = true;
    bool deleteVisible = true;
    const int result = ShowAndDo<TfrmLoad>(*form, [&](TfrmLoad& f) {
        newVisible = f.spbNew->isVisible();
        deleteVisible = f.spbDelete->isVisible();
        QTest::keyClick(f.vtFIDEList, Qt::Key_F5, Qt::ShiftModifier);
        QTest::keyClick(f.vtFIDEList, Qt::Key_F3);
    });
    EXPECT_EQ(result, kStayedOpen);
    EXPECT_FALSE(newVisible);
    EXPECT_FALSE(deleteVisible);
    EXPECT_TRUE(presenter.Meldungen.isEmpty());
    EXPECT_EQ(Count(u"fidefile"_s), 1);

    // The permissions keep their last value; set again, both come back.
    EXPECT_FALSE(form->Loeschen());
    form->SetLoeschen(true);
    form->SetNeuanlage(true);
    EXPECT_EQ(ShowAndDo<TfrmLoad>(*form,
                                  [&](TfrmLoad& f) {
                                      newVisible = f.spbNew->isVisible() && f.actF3->isEnabled();
                                      deleteVisible = f.spbDelete->isVisible() && f.actF15->isEnabled();
                                  }),
              kStayedOpen);
    EXPECT_TRUE(newVisible);
    EXPECT_TRUE(deleteVisible);
}

TEST_F(LoadFilterTest, EscCancelsAndKeepsTheLastChoice)
{
    AddSetting(kABIL, u"S1"_s, u"eins"_s);
    ASSERT_EQ(ShowAndPress({Qt::Key_Return}), mrOk);
    EXPECT_EQ(ShowAndPress({Qt::Key_Down, Qt::Key_Escape}), mrCancel);
    EXPECT_EQ(form->FilterBezeichnung(), u"S1"_s);
    EXPECT_EQ(form->FilterBeschreibung(), u"eins"_s);

    EXPECT_EQ(ShowAndDo<TfrmLoad>(*form, [](TfrmLoad& f) { f.close(); }), mrCancel);
}

TEST_F(LoadFilterTest, LoadWithoutSelectionChangesNothing)
{
    AddSetting(kABIL, u"S1"_s);
    const int result = ShowAndDo<TfrmLoad>(*form, [](TfrmLoad& f) {
        f.vtFIDEList->clearSelection();
        QTest::keyClick(f.vtFIDEList, Qt::Key_Return);
        f.btnLadenClick(f.spbLoad);
    });
    EXPECT_EQ(result, kStayedOpen);
    EXPECT_TRUE(form->FilterBezeichnung().isEmpty());
}

TEST_F(LoadFilterTest, DeleteAsksFirstRefillsAndStaysOpen)
{
    AddSetting(kABIL, u"EINS"_s);
    AddSetting(kABIL, u"ZWEI"_s);
    AddSetting(kKBIL, u"EINS"_s);
    presenter.Answer(mrNo);
    presenter.Answer(mrYes);
    presenter.Answer(mrYes);
    QStringList afterNo;
    QStringList afterFirst;
    bool loadEnabledAtEnd = true;
    bool deleteEnabledAtEnd = true;
    const int result = ShowAndDo<TfrmLoad>(*form, [&](TfrmLoad& f) {
        QTest::keyClick(f.vtFIDEList, Qt::Key_F5, Qt::ShiftModifier); // No
        afterNo = Listed();
        QTest::keyClick(f.vtFIDEList, Qt::Key_F5, Qt::ShiftModifier); // Yes: EINS goes
        afterFirst = Listed();
        QTest::keyClick(f.vtFIDEList, Qt::Key_F5, Qt::ShiftModifier); // Yes: ZWEI goes
        loadEnabledAtEnd = f.spbLoad->isEnabled() || f.actEingabe->isEnabled();
        deleteEnabledAtEnd = f.spbDelete->isEnabled() || f.actF15->isEnabled();
    });
    EXPECT_EQ(result, kStayedOpen);
    EXPECT_EQ(afterNo, (QStringList{u"EINS"_s, u"ZWEI"_s}));
    EXPECT_EQ(afterFirst, QStringList{u"ZWEI"_s});
    EXPECT_TRUE(Listed().isEmpty());
    EXPECT_FALSE(loadEnabledAtEnd);
    EXPECT_FALSE(deleteEnabledAtEnd);
    EXPECT_EQ(presenter.Numbers(), (QList<int>{10, 10, 10}));
    EXPECT_EQ(presenter.Meldungen.front().Catalogue, u"STANDARD"_s);
    EXPECT_EQ(presenter.Meldungen.front().Kind, mtQuestion);
    EXPECT_EQ(Count(u"fidefile"_s, u"Kennung = 'ABIL'"_s), 0);
    EXPECT_EQ(Count(u"fidefile"_s, u"Kennung = 'KBIL'"_s), 1);
}

TEST_F(LoadFilterTest, AssignedSettingStaysUntilItsAssignmentsAreGone)
{
    AddSetting(kABIL, u"S1"_s);
    AddSetting(kABIL, u"S2"_s);
    AddSetting(kKBIL, u"S2"_s); // the other kind's setting of the same name
    dtm.BuchenAktivitaet(kABIL, true);
    dtm.BuchenKommunikation(kABIL, u"S1"_s, QLatin1Char('A'), 0, true);
    dtm.BuchenKommunikation(kABIL, u"S1"_s, kBlank, 7, true);
    dtm.BuchenKommunikation(kKBIL, u"S2"_s, QLatin1Char('B'), 0, true); // another kind: no reference
    form->RunShowHandler();
    const int fikoRows = Count(u"fikofile"_s);

    auto tryDelete = [&](int row) {
        presenter.Answer(mrYes);
        Select(row);
        form->btnLoeschenClick(form->spbDelete);
    };
    tryDelete(0);
    dtm.BuchenKommunikation(kABIL, u"S1"_s, QLatin1Char('A'), 0, false);
    tryDelete(0); // the computer number still refers to it
    EXPECT_EQ(presenter.Numbers(), (QList<int>{10, 1020, 10, 1020}));
    EXPECT_EQ(presenter.Meldungen[1].Catalogue, u"ALLMANI"_s);
    EXPECT_EQ(presenter.Meldungen[1].Kind, mtNotice);
    EXPECT_EQ(Count(u"fidefile"_s), 3);

    dtm.BuchenKommunikation(kABIL, u"S1"_s, kBlank, 7, false);
    tryDelete(0);
    EXPECT_EQ(Listed(), QStringList{u"S2"_s});
    tryDelete(0); // S2 has only an assignment under another kind
    EXPECT_TRUE(Listed().isEmpty());
    EXPECT_EQ(presenter.Numbers().count(1020), 2);
    EXPECT_EQ(Count(u"fikofile"_s), fikoRows - 2) << "only the two removed assignments went";
    EXPECT_EQ(Count(u"fikofile"_s, u"Bezeichnung = ''"_s), 1) << "the activity record stays";
    EXPECT_EQ(form->ModalResult(), mrNone);
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(LoadFilterTest, SettingWithEmptyNameCountsAsReferencedWhileTheKindIsActive)
{
    AddSetting(kABIL, QString());
    dtm.BuchenAktivitaet(kABIL, true);
    form->RunShowHandler();
    presenter.Answer(mrYes);
    form->btnLoeschenClick(form->spbDelete);
    EXPECT_EQ(presenter.Numbers(), (QList<int>{10, 1020}));
    EXPECT_EQ(Count(u"fidefile"_s), 1);
}

TEST_F(LoadFilterTest, RowGoneSinceTheFillIsNeitherDeletedNorReported)
{
    AddSetting(kABIL, u"S1"_s);
    AddSetting(kABIL, u"S2"_s);
    form->RunShowHandler();
    store.Exec(u"DELETE FROM fidefile WHERE Bezeichnung = 'S1'"_s);
    presenter.Answer(mrYes);
    Select(0);
    form->btnLoeschenClick(form->spbDelete);
    EXPECT_EQ(presenter.Numbers(), QList<int>{10});
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
    EXPECT_EQ(Listed(), (QStringList{u"S1"_s, u"S2"_s})) << "shown until the next fill";
    EXPECT_EQ(Count(u"fidefile"_s), 1);
}

TEST_F(LoadFilterTest, FailedReferenceCheckNeverDeletes)
{
    AddSetting(kABIL, u"S1"_s);
    form->RunShowHandler();
    // A unit of work has run on the connection before (it sets the
    // connection up for the history while the tables are all there).
    TStoreTransaction(store.Store()).Commit();
    store.Exec(u"DROP TABLE fikofile"_s);
    presenter.Answer(mrYes);
    Select(0);
    form->btnLoeschenClick(form->spbDelete);

    EXPECT_EQ(Count(u"fidefile"_s), 1);
    EXPECT_EQ(Listed(), QStringList{u"S1"_s});
    EXPECT_EQ(presenter.Numbers(), QList<int>{10}) << "no 1020: the failure itself was reported";
    EXPECT_EQ(presenter.ErrorLocations(), QStringList{u"TfrmLoad.RI_FIKO_Exists"_s});
    ASSERT_EQ(presenter.Errors.size(), 1) << "the user is told";

    // Asked directly, a check that cannot answer counts as a reference.
    dtm.fidefile.ResetSearch();
    dtm.fidefile.Kennung.SetKeyWert(kABIL);
    dtm.fidefile.Bezeichnung.SetKeyWert(u"S1"_s);
    ASSERT_TRUE(dtm.fidefile.FindKey());
    EXPECT_TRUE(form->RI_FIKO_Exists());
}

TEST_F(LoadFilterTest, FailedFillEndsTheUpdateAndKeepsTheButtonStates)
{
    AddSetting(kABIL, u"S1"_s);
    form->RunShowHandler();
    ASSERT_TRUE(form->spbLoad->isEnabled());
    dtm.fidefile.CloseTable();
    form->grdFIDEFuellen();
    EXPECT_EQ(presenter.ErrorLocations(), QStringList{u"TfrmLoad.grdFIDEFuellen"_s});
    EXPECT_TRUE(form->vtFIDEList->updatesEnabled());
    EXPECT_TRUE(form->spbLoad->isEnabled());
    EXPECT_TRUE(form->actEingabe->isEnabled());
    EXPECT_TRUE(form->actF15->isEnabled());
}

} // namespace

TEST_F(LoadFilterTest, AFailedReferenceCheckIsShownOnlyAfterTheWriteLockIsGone)
{
    AddSetting(kABIL, u"S1"_s);
    form->RunShowHandler();
    store.Exec(u"DROP TABLE fikofile"_s);
    std::optional<bool> lockHeldWhileShown;
    presenter.WhileErrorShown = [&] { lockHeldWhileShown = store.Store().InTransaction(); };
    presenter.Answer(mrYes);
    Select(0);
    form->btnLoeschenClick(form->spbDelete);
    ASSERT_TRUE(lockHeldWhileShown.has_value()) << "the failure was shown";
    EXPECT_FALSE(*lockHeldWhileShown) << "no other workstation waits on the box";
    EXPECT_EQ(Count(u"fidefile"_s), 1);
}

// Another workstation (a process of its own) creates and deletes settings
// while the chooser is open: the list follows, keeps the selected row, and
// a deleted selected row is told of in the bar.
TEST_F(DialogTest, AnotherWorkstationsSettingsRefreshTheOpenChooser)
{
    store.Exec(u"INSERT INTO fidefile VALUES ('ABIL', 'B', '', '')"_s);
    store.Exec(u"INSERT INTO fidefile VALUES ('ABIL', 'C', '', '')"_s);
    TFremdeAenderungenWaechter waechter(store.Store());
    waechter.SetIntervall(100);
    QSignalSpy spy(&waechter, &TFremdeAenderungenWaechter::Geaendert);
    auto form = KRNCreateForm<TfrmLoad>();
    form->SetFilterKennung(u"ABIL"_s);
    QStringList nachAnlegen;
    QString gewaehlt;
    QString hinweis;
    ShowAndDo<TfrmLoad>(*form, [&](TfrmLoad& f) {
        f.vtFIDEList->SetFocusedRowWithText(0, u"C"_s);
        OtherWorkstationWrites(store.Path(), {u"INSERT INTO fidefile VALUES ('ABIL', 'A', '', '')"_s});
        EXPECT_TRUE(spy.wait(10000));
        for (int i = 0; i < f.FIDEList()->GetRowCount(); ++i) {
            nachAnlegen << PVRItem2String(f.FIDEList()->Row(i)->Item(0));
        }
        gewaehlt = PVRItem2String(f.vtFIDEList->GetNodeData(f.vtFIDEList->GetFirstSelected())->Item(0));
        OtherWorkstationWrites(store.Path(), {u"DELETE FROM fidefile WHERE Bezeichnung = 'C'"_s});
        EXPECT_TRUE(spy.wait(10000));
        hinweis = f.barHinweis->Text();
        f.close();
    });
    EXPECT_EQ(nachAnlegen, (QStringList{u"A"_s, u"B"_s, u"C"_s}));
    EXPECT_EQ(gewaehlt, u"C"_s);
    EXPECT_TRUE(hinweis.contains(u"„C“ wurde an einem anderen Arbeitsplatz gelöscht"_s)) << hinweis.toStdString();
    EXPECT_TRUE(hinweis.contains(u"Geändert am "_s)) << hinweis.toStdString();
    form->RunDestroyHandler();
}
