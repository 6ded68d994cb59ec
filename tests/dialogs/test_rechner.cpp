#include "GuiTest.h"
#include "RecordingPresenter.h"
#include "ServerPaar.h"
#include "TempStore.h"
#include "TestBackend.h"
#include "test_rechner_support.h"

#include "dialogs/RechnerU.h"
#include "host/KRNControls.h"
#include "host/KRNForm.h"
#include "host/VTRTypRNrCheck.h"

#include <QAction>
#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace rechner_test;

namespace {

// Three types and four master computers; computer 40 is no master and is
// therefore not listed.
const QString kComputers = QStringLiteral("Rechnertyp;A;Außendienst\n"
                                          "Rechnertyp;B;Büro\n"
                                          "Rechnertyp;C;Kasse\n"
                                          "Rechner;1;Eins;A;1\n"
                                          "Rechner;2;Zwei;A;1\n"
                                          "Rechner;7;Sieben;B;1\n"
                                          "Rechner;1207;Groß;C;1\n"
                                          "Rechner;40;Kein Master;C;0\n");

const QString kEins = QStringLiteral("EINS");
const QString kZwei = QStringLiteral("ZWEI");
const QString kDrei = QStringLiteral("DREI");

// Message arguments, one string (readable in a failure message).
std::string Joined(const QStringList& arguments)
{
    return arguments.join(QLatin1Char('|')).toStdString();
}

class RechnerDialog : public ::testing::Test
{
protected:
    RechnerDialog()
    {
        ImportComputers(store.Store(), kComputers);
        for (const QString& bezeichnung : {kEins, kZwei, kDrei}) {
            SaveSetting(store.Store(), bezeichnung);
        }
    }

    void SetUp() override
    {
        form = KRNCreateForm<TfrmRechner>();
        form->SetFilterKennung(kKennung);
        form->SetFilterBezeichnung(kEins);
    }

    void TearDown() override
    {
        EXPECT_EQ(watch.ShownInTransaction, 0) << "a message was shown while the store was locked";
        EXPECT_FALSE(store.Store().InTransaction());
    }

    // Shows the dialog through the modal seam; the action is the user.
    int Show(const std::function<void(TfrmRechner&)>& action)
    {
        TModalScripts scripts(TModalScripts::Doing([&](TKRNForm&) { action(*form); }));
        return form->ShowModal();
    }

    TVTRTypRNrCheck& Tree() { return *form->vtRTypRNrCheck; }
    std::string Of(const QString& bezeichnung) { return Assignments(store.Store(), bezeichnung); }

    TempStore store;
    RecordingPresenter presenter;
    WatchingPresenter watch{presenter};
    DataModuleScope dataModule;
    std::unique_ptr<TfrmRechner, TKRNFree> form;
};

TEST_F(RechnerDialog, ListsMastersOnceAndResetsEveryMarkOnEachShow)
{
    Assign(store.Store(), kEins, u'A', 0);
    Assign(store.Store(), kEins, u' ', 7);
    Assign(store.Store(), kZwei, u'B', 0);

    EXPECT_EQ(Show([&](TfrmRechner& f) {
                  EXPECT_EQ(Tree().GetRTypCount(), 3);
                  EXPECT_EQ(Tree().GetRNrCount(), 4); // 40 is no master
                  EXPECT_TRUE(Tree().GetRTypChecked(u'A'));
                  EXPECT_FALSE(Tree().GetRTypChecked(u'B')); // another setting's
                  EXPECT_TRUE(Tree().GetRNrChecked(7));
                  EXPECT_FALSE(Tree().GetRNrChecked(1));
                  // Changed, then cancelled.
                  Tree().SetRTypChecked(u'A', false);
                  Tree().SetRTypChecked(u'C', true);
                  Tree().SetRNrChecked(1, true);
                  f.btnZurueckClick(f.spbCancel);
              }),
              mrCancel);
    EXPECT_EQ(Of(kEins), "T:A N:7");

    // Meanwhile a computer joins the host and another workstation books.
    ImportComputers(store.Store(), QStringLiteral("Rechner;8;Acht;A;1\n"));
    Assign(store.Store(), kEins, u' ', 2);

    Show([&](TfrmRechner& f) {
        EXPECT_EQ(Tree().GetRNrCount(), 4); // not loaded again
        EXPECT_TRUE(Tree().GetRTypChecked(u'A'));
        EXPECT_FALSE(Tree().GetRTypChecked(u'C'));
        EXPECT_FALSE(Tree().GetRNrChecked(1));
        EXPECT_TRUE(Tree().GetRNrChecked(2));
        EXPECT_TRUE(Tree().GetRNrChecked(7));
        f.btnZurueckClick(f.spbCancel);
    });

    // The same dialog for another saved setting shows that setting's marks.
    form->SetFilterBezeichnung(kZwei);
    Show([&](TfrmRechner& f) {
        EXPECT_FALSE(Tree().GetRTypChecked(u'A'));
        EXPECT_TRUE(Tree().GetRTypChecked(u'B'));
        EXPECT_FALSE(Tree().GetRNrChecked(7));
        f.btnZurueckClick(f.spbCancel);
    });

    // A setting that is not saved loads nothing: every mark starts false.
    // (An assignment left behind by a deleted setting, as older stores hold.)
    Assign(store.Store(), QStringLiteral("VIER"), u'C', 0);
    store.Exec(QStringLiteral("DELETE FROM fidefile WHERE Bezeichnung = 'VIER'"));
    form->SetFilterBezeichnung(QStringLiteral("VIER"));
    Show([&](TfrmRechner& f) {
        EXPECT_FALSE(Tree().GetRTypChecked(u'B'));
        EXPECT_FALSE(Tree().GetRTypChecked(u'C'));
        f.btnZurueckClick(f.spbCancel);
    });
    EXPECT_TRUE(presenter.Meldungen.isEmpty());
}

TEST_F(RechnerDialog, ConfirmBooksMarksAndRemovesUnmarkedOnly)
{
    Assign(store.Store(), kEins, u'A', 0);
    Assign(store.Store(), kEins, u' ', 7);
    Assign(store.Store(), kZwei, u'B', 0);
    Assign(store.Store(), kZwei, u' ', 2);
    Assign(store.Store(), kEins, u' ', 1, QStringLiteral("KBIL")); // another kind
    Assign(store.Store(), QString(), u' ', 0);                     // activity record

    EXPECT_EQ(Show([&](TfrmRechner& f) {
                  Tree().SetRTypChecked(u'A', false);
                  Tree().SetRTypChecked(u'C', true);
                  Tree().SetRNrChecked(1, true);
                  Tree().SetRNrChecked(1207, true);
                  f.btnWeiterClick(f.spbBuchen);
              }),
              mrOk);
    EXPECT_EQ(Of(kEins), "T:C N:1 N:7 N:1207");
    EXPECT_EQ(Of(kZwei), "T:B N:2");
    EXPECT_EQ(Assignments(store.Store(), kEins, QStringLiteral("KBIL")), "N:1");
    EXPECT_EQ(store.Count(QStringLiteral("SELECT count(*) FROM fikofile WHERE Bezeichnung = ''")), 1);
    EXPECT_TRUE(presenter.Meldungen.isEmpty());
    EXPECT_TRUE(KRNInfo().RegisteredErrors().isEmpty());
}

// Over a network every statement is a round trip: a confirmation sends as
// many with 1,000 marks as with 10, conflicts and removals included. The
// first confirmation prepares what the store keeps for the connection and
// is not compared.
TEST_F(RechnerDialog, ConfirmationSendsTheSameNumberOfStatementsForAnyNumberOfMarks)
{
    QString more;
    for (int rnr = 2000; rnr <= 3000; ++rnr) {
        more += QStringLiteral("Rechner;%1;R%1;A;1\n").arg(rnr);
    }
    ImportComputers(store.Store(), kComputers + more);
    Assign(store.Store(), kZwei, u' ', 3000);

    struct Fall
    {
        int marks;
        bool konflikt; // 3000 marked too, held by ZWEI
    };
    QStringList counts;
    for (const Fall fall : {Fall{1, false}, Fall{10, false}, Fall{1000, false}, Fall{10, true}, Fall{1000, true}}) {
        presenter.Meldungen.clear();
        Show([&](TfrmRechner& f) {
            for (int rnr = 2000; rnr < 3000; ++rnr) {
                Tree().SetRNrChecked(rnr, rnr < 2000 + fall.marks);
            }
            Tree().SetRNrChecked(3000, fall.konflikt);
            const qint64 before = store.Store().StatementCount();
            f.btnWeiterClick(f.spbBuchen);
            counts << QString::number(store.Store().StatementCount() - before);
            f.btnZurueckClick(f.spbCancel);
        });
        EXPECT_EQ(presenter.Meldungen.size(), fall.konflikt ? 1 : 0);
        if (!fall.konflikt) {
            EXPECT_EQ(store.Count(QStringLiteral("SELECT count(*) FROM fikofile WHERE Bezeichnung = 'EINS'")),
                      fall.marks);
        }
    }
    ASSERT_EQ(counts.size(), 5);
    EXPECT_EQ(counts[1], counts[2]) << counts.join(u' ').toStdString();
    EXPECT_EQ(counts[3], counts[4]) << counts.join(u' ').toStdString();
    EXPECT_TRUE(KRNInfo().RegisteredErrors().isEmpty());
}

TEST_F(RechnerDialog, NothingMarkedAndYesRemovesEveryAssignmentOfTheSetting)
{
    Assign(store.Store(), kEins, u'A', 0);
    Assign(store.Store(), kEins, u' ', 7);
    Assign(store.Store(), kZwei, u'B', 0);
    presenter.Answer(mrYes);

    EXPECT_EQ(Show([&](TfrmRechner& f) {
                  Tree().SetRTypChecked(u'A', false);
                  Tree().SetRNrChecked(7, false);
                  f.btnWeiterClick(f.spbBuchen);
              }),
              mrOk);
    ASSERT_EQ(presenter.Meldungen.size(), 1);
    EXPECT_EQ(presenter.Meldungen[0].Number, 1000);
    EXPECT_EQ(presenter.Meldungen[0].Kind, mtQuestion);
    EXPECT_EQ(presenter.Meldungen[0].Catalogue, QStringLiteral("VELDRAKE"));
    EXPECT_TRUE(presenter.Meldungen[0].Arguments.isEmpty());
    EXPECT_EQ(Of(kEins), "");
    EXPECT_EQ(Of(kZwei), "T:B");
}

TEST_F(RechnerDialog, NothingMarkedAndNoKeepsTheDialogOpenAndBooksNothing)
{
    Assign(store.Store(), kEins, u'A', 0);
    presenter.Answer(mrNo);

    Show([&](TfrmRechner& f) {
        Tree().SetRTypChecked(u'A', false);
        f.btnWeiterClick(f.spbBuchen);
        EXPECT_EQ(f.ModalResult(), mrNone);
        EXPECT_TRUE(f.isVisible());
        f.btnZurueckClick(f.spbCancel);
    });
    EXPECT_EQ(presenter.Numbers(), QList<int>{1000});
    EXPECT_EQ(Of(kEins), "T:A");
}

TEST_F(RechnerDialog, TypeConflictIsReportedBeforeAnyNumberAndOnlyTheFirst)
{
    Assign(store.Store(), kEins, u' ', 7);
    Assign(store.Store(), kZwei, u'B', 0);
    Assign(store.Store(), kDrei, u'C', 0);
    Assign(store.Store(), kZwei, u' ', 1);

    Show([&](TfrmRechner& f) {
        Tree().SetRTypChecked(u'A', true);
        Tree().SetRTypChecked(u'B', true);
        Tree().SetRTypChecked(u'C', true);
        Tree().SetRNrChecked(1, true);
        Tree().SetRNrChecked(7, false);
        f.btnWeiterClick(f.spbBuchen);
        EXPECT_EQ(f.ModalResult(), mrNone);
        f.btnZurueckClick(f.spbCancel);
    });
    ASSERT_EQ(presenter.Meldungen.size(), 1);
    const TMeldung& meldung = presenter.Meldungen[0];
    EXPECT_EQ(meldung.Number, 1001);
    EXPECT_EQ(meldung.Kind, mtNotice);
    EXPECT_EQ(meldung.Catalogue, QStringLiteral("VELDRAKE"));
    EXPECT_EQ(Joined(meldung.Arguments), "Rechnertyp - B|ZWEI");
    // Nothing booked: neither the free type A nor the removal of 7.
    EXPECT_EQ(Of(kEins), "N:7");
}

TEST_F(RechnerDialog, NumberConflictAfterAllTypesPassedBooksNothing)
{
    Assign(store.Store(), kZwei, u' ', 1207);

    Show([&](TfrmRechner& f) {
        Tree().SetRTypChecked(u'A', true);
        Tree().SetRTypChecked(u'C', true);
        Tree().SetRNrChecked(2, true);
        Tree().SetRNrChecked(1207, true);
        f.btnWeiterClick(f.spbBuchen);
        EXPECT_EQ(f.ModalResult(), mrNone);
        f.btnZurueckClick(f.spbCancel);
    });
    ASSERT_EQ(presenter.Meldungen.size(), 1);
    EXPECT_EQ(presenter.Meldungen[0].Number, 1001);
    EXPECT_EQ(Joined(presenter.Meldungen[0].Arguments), "Rechnernummer - 1207|ZWEI");
    EXPECT_EQ(Of(kEins), "");
    EXPECT_EQ(Of(kZwei), "N:1207");
}

TEST_F(RechnerDialog, EmptyListsAskAndCloseWithoutBooking)
{
    store.Exec(QStringLiteral("DELETE FROM rechner"));
    store.Exec(QStringLiteral("DELETE FROM rechnertyp"));
    Assign(store.Store(), kEins, u'A', 0); // a type the host no longer knows
    presenter.Answer(mrYes);

    EXPECT_EQ(Show([&](TfrmRechner& f) {
                  EXPECT_EQ(Tree().GetRTypCount(), 0);
                  EXPECT_EQ(Tree().GetRNrCount(), 0);
                  f.btnWeiterClick(f.spbBuchen);
              }),
              mrOk);
    EXPECT_EQ(presenter.Numbers(), QList<int>{1000});
    EXPECT_EQ(Of(kEins), "T:A");
}

TEST_F(RechnerDialog, SeesWhatAnotherWorkstationBookedWhileItWasOpen)
{
    Show([&](TfrmRechner& f) {
        Tree().SetRNrChecked(1, true);
        Tree().SetRNrChecked(2, true);
        {
            const auto other = TStore::Open(store.Path());
            Assign(*other, kZwei, u' ', 2);
        }
        f.btnWeiterClick(f.spbBuchen);
        EXPECT_EQ(f.ModalResult(), mrNone);
        f.btnZurueckClick(f.spbCancel);
    });
    ASSERT_EQ(presenter.Meldungen.size(), 1);
    EXPECT_EQ(Joined(presenter.Meldungen[0].Arguments), "Rechnernummer - 2|ZWEI");
    EXPECT_EQ(Of(kEins), "");
}

// A confirmation is booked whole or not at all: the insert of number 7
// fails after type A and number 1 were written, and nothing of it stays.
// The marks stay as they were, so confirming again books everything.
TEST_F(RechnerDialog, FailureWhileBookingBooksNothingAndConfirmingAgainBooksEverything)
{
    Assign(store.Store(), kEins, u' ', 2);
    store.FailWhen(QStringLiteral("fikofile"), QStringLiteral("NEW.RNr = 7"),
                   QStringLiteral("Rechner 7 ist gesperrt"));

    std::string nachFehler;
    const int result = Show([&](TfrmRechner& f) {
        Tree().SetRTypChecked(u'A', true);
        Tree().SetRNrChecked(1, true);
        Tree().SetRNrChecked(2, false);
        Tree().SetRNrChecked(7, true);
        Tree().SetRNrChecked(1207, true);
        f.btnWeiterClick(f.spbBuchen);
        EXPECT_EQ(f.ModalResult(), mrNone);
        EXPECT_TRUE(f.isVisible());
        // Nothing stored, seen from another connection; the marks are kept.
        nachFehler = Assignments(*TStore::Open(store.Path()), kEins);
        EXPECT_TRUE(Tree().GetRTypChecked(u'A') && Tree().GetRNrChecked(1) && !Tree().GetRNrChecked(2) &&
                    Tree().GetRNrChecked(7) && Tree().GetRNrChecked(1207));

        store.DropFailure(QStringLiteral("fikofile"));
        f.btnWeiterClick(f.spbBuchen);
    });
    EXPECT_EQ(nachFehler, "N:2");
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(Of(kEins), "T:A N:1 N:7 N:1207");
    ASSERT_EQ(presenter.Errors.size(), 1);
    EXPECT_EQ(presenter.Errors[0].Location, QStringLiteral("TdtmKOMMFilter.BuchenKommunikation"));
    EXPECT_TRUE(presenter.Errors[0].Details.contains(QStringLiteral("Rechner 7 ist gesperrt")));
    EXPECT_EQ(presenter.ErrorLocations(), QStringList{QStringLiteral("TdtmKOMMFilter.BuchenKommunikation")});
    EXPECT_TRUE(presenter.Meldungen.isEmpty());
}

// The server is stopped while the dialog is open and started again: the
// confirmation fails with the lost connection as its reason, books nothing
// and keeps the dialog and its marks; once the server is back, confirming
// again connects anew and books them.
TEST_F(RechnerDialog, ServerStoppedWhileOpenBooksNothingAndConfirmingAfterItsStartBooks)
{
    if (!TestBackend::MayRestartServer()) {
        GTEST_SKIP() << "stops the test server: run alone on the PostgreSQL store";
    }
    const auto server = [](const QString& action) {
        QString why;
        ASSERT_TRUE(TestBackend::ServerCtl(action, why)) << why.toStdString();
    };
    const int result = Show([&](TfrmRechner& f) {
        Tree().SetRTypChecked(u'A', true);
        Tree().SetRNrChecked(7, true);
        server(QStringLiteral("stop -m fast -w"));
        f.btnWeiterClick(f.spbBuchen);
        EXPECT_EQ(f.ModalResult(), mrNone);
        EXPECT_TRUE(f.isVisible());
        EXPECT_TRUE(Tree().GetRTypChecked(u'A') && Tree().GetRNrChecked(7));
        server(QStringLiteral("start -w"));
        f.btnWeiterClick(f.spbBuchen);
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(Of(kEins), "T:A N:7");
    ASSERT_EQ(presenter.Errors.size(), 1);
    EXPECT_EQ(presenter.Errors[0].Text, StoreFailureText(TStoreFailure::ConnectionLost));
}

// The dialog's store on a primary with a standby of the test's own, named by
// a two-host address; started before the fixture fills the store.
class TPaarZuerst
{
protected:
    TPaarZuerst()
    {
        if (TestBackend::Postgres() && TServerPaar::Verfuegbar()) {
            paar.emplace();
            TempStore::UseNext(QStringLiteral("host=%1,%2 dbname=postgres user=veldrake target_session_attrs=read-write").arg(
                paar->Primary(), paar->Standby()));
        }
    }
    std::optional<TServerPaar> paar;
};

class RechnerDialogAmPaar : protected TPaarZuerst, public RechnerDialog
{
};

TEST_F(RechnerDialogAmPaar, AFailoverWhileOpenIsToldOnceAndTheNextConfirmationBooksOnTheNewPrimary)
{
    if (!paar) {
        GTEST_SKIP() << "needs the throwaway server's primary and standby (scripts/with-postgres.sh)";
    }
    const int result = Show([&](TfrmRechner& f) {
        Tree().SetRTypChecked(u'A', true);
        Tree().SetRNrChecked(7, true);
        paar->PrimaryStoppen();
        paar->Befoerdern();
        f.btnWeiterClick(f.spbBuchen);
        EXPECT_EQ(f.ModalResult(), mrNone);
        EXPECT_TRUE(Tree().GetRTypChecked(u'A') && Tree().GetRNrChecked(7)) << "the marks stay";
        f.btnWeiterClick(f.spbBuchen);
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(Of(kEins), "T:A N:7") << "booked on the promoted standby";
    ASSERT_EQ(presenter.Errors.size(), 1);
    EXPECT_EQ(presenter.Errors[0].Text, StoreFailureText(TStoreFailure::ConnectionLost));
}

// Another workstation deletes the saved setting while the dialog is open
// (allowed: it had no assignments). Confirming with nothing marked and Yes
// books nothing either and says why (the marked case runs with two
// programs).
TEST_F(RechnerDialog, SettingDeletedElsewhereWhileOpenBooksNothingAndSaysSo)
{
    SaveSetting(store.Store(), QStringLiteral("WEG"));
    form->SetFilterBezeichnung(QStringLiteral("WEG"));
    presenter.Answer(mrYes);
    const int result = Show([&](TfrmRechner& f) {
        const auto anderer = TStore::Open(store.Path());
        QSqlQuery loeschen(anderer->Database());
        ASSERT_TRUE(loeschen.exec(QStringLiteral("DELETE FROM fidefile WHERE Bezeichnung = 'WEG'")));
        f.btnWeiterClick(f.spbBuchen);
    });
    EXPECT_EQ(result, mrNone);
    EXPECT_EQ(presenter.Numbers(), (QList<int>{1000, 1010}));
    EXPECT_EQ(Joined(presenter.Meldungen.last().Arguments), "WEG");
    EXPECT_TRUE(KRNInfo()
                    .MeldungsText(1010, QStringLiteral("VELDRAKE"), {QStringLiteral("WEG")})
                    .contains(QStringLiteral("„WEG“ gibt es nicht mehr")));
    EXPECT_TRUE(KRNInfo().RegisteredErrors().isEmpty());
}

TEST_F(RechnerDialog, FailedCheckStopsBeforeAnythingIsBooked)
{
    Show([&](TfrmRechner& f) {
        Tree().SetRNrChecked(1, true);
        Tree().SetRNrChecked(2, true);
        store.Exec(QStringLiteral("ALTER TABLE fikofile RENAME TO fikofile_weg"));
        f.btnWeiterClick(f.spbBuchen);
        store.Exec(QStringLiteral("ALTER TABLE fikofile_weg RENAME TO fikofile"));
        EXPECT_EQ(f.ModalResult(), mrNone);
        f.btnZurueckClick(f.spbCancel);
    });
    // One report, after the transaction; no booking was tried.
    EXPECT_EQ(presenter.ErrorLocations(),
              QStringList{QStringLiteral("TdtmKOMMFilter.BuchenKommunikationPruefenKonsistenz")});
    EXPECT_EQ(presenter.Errors.size(), 1);
    EXPECT_TRUE(presenter.Meldungen.isEmpty());
    EXPECT_EQ(Of(kEins), "");
}

TEST_F(RechnerDialog, F5ConfirmsAndEscCancelsByKey)
{
    Show([&](TfrmRechner& f) {
        ASSERT_TRUE(ShowActive(f));
        Tree().SetRNrChecked(7, true);
        QTest::keyClick(f.vtRTypRNrCheck, Qt::Key_F5);
        EXPECT_EQ(f.ModalResult(), mrOk);
    });
    EXPECT_EQ(Of(kEins), "N:7");

    // A real modal loop this time.
    WhenLoopRuns([&] {
        if (!QTest::qWaitForWindowActive(form.get())) {
            ADD_FAILURE() << "the dialog did not become active";
        }
        Tree().SetRNrChecked(1, true);
        QTest::keyClick(form->vtRTypRNrCheck, Qt::Key_Escape);
        if (form->isVisible()) {
            form->SetModalResult(99);
        }
    });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_EQ(Of(kEins), "N:7");
}

TEST_F(RechnerDialog, LayoutTextsAndTheTreeFollowingTheWindow)
{
    EXPECT_EQ(form->Caption(), QStringLiteral("Zu berücksichtigende Rechner"));
    EXPECT_TRUE(form->KRNFormText().endsWith(QStringLiteral(".frmRechner")));
    EXPECT_EQ(form->size(), QSize(459, 584));
    EXPECT_EQ(form->lblTextRTyp->Caption(),
              QStringLiteral("Bei welchen Rechnertypen bzw. welchen Rechnernummern\r\n"
                             "soll der Filter aktiv werden, wenn die eigenen Daten an \r\n"
                             "andere Rechner weitergegeben werden?\r\n"
                             "\r\n"
                             "Eine Einstellung für eine Rechnernummer überschreibt die\r\n"
                             "Einstellung für den Rechnertypen."));
    EXPECT_EQ(form->spbCancel->Caption(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(form->spbCancel->Hint(), QStringLiteral("Esc - zurück ..."));
    EXPECT_EQ(form->spbBuchen->Caption(), QStringLiteral("Speichern"));
    EXPECT_EQ(form->spbBuchen->Hint(), QStringLiteral("F5 - Buchen ..."));
    EXPECT_EQ(form->actESC->shortcut(), QKeySequence(Qt::Key_Escape));
    EXPECT_EQ(form->actF5->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(form->vtRTypRNrCheck->geometry(), QRect(4, 248, 445, 321));

    form->show();
    form->resize(600, 700);
    EXPECT_EQ(form->vtRTypRNrCheck->geometry(), QRect(4, 248, 445 + 141, 321 + 116));
    EXPECT_EQ(form->pnlDaten->size(), QSize(453 + 141, 573 + 116));
    EXPECT_EQ(form->lblTextRTyp->geometry(), QRect(8, 144, 437, 101));
}

// Writes the dialog with the demo computers to $VELDRAKE_SCREENSHOTS when
// that is set; otherwise only checks that it renders.
TEST(RechnerDialogBild, RendersWithTheDemoComputers)
{
    TempStore temp;
    RecordingPresenter presenter;
    SeedDemoComputers(temp.Store());
    SaveSetting(temp.Store(), QStringLiteral("MUSTER"));
    Assign(temp.Store(), QStringLiteral("MUSTER"), u'F', 0);
    Assign(temp.Store(), QStringLiteral("MUSTER"), u' ', 1);
    Assign(temp.Store(), QStringLiteral("MUSTER"), u' ', 301);
    DataModuleScope dataModule;
    auto form = KRNCreateForm<TfrmRechner>();
    form->SetFilterKennung(kKennung);
    form->SetFilterBezeichnung(QStringLiteral("MUSTER"));
    form->lblUeberschrift->SetCaption(QStringLiteral("Kommunikationseinstellungen für den Filter\r\n"
                                                     "ABIL - MUSTER\r\nBilder für die Filialen"));
    QImage image;
    TModalScripts scripts(TModalScripts::Doing([&](TKRNForm& f) {
        QCoreApplication::sendPostedEvents();
        image = f.grab().toImage();
        f.SetModalResult(mrCancel);
    }));
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_FALSE(image.isNull());
    EXPECT_TRUE(form->vtRTypRNrCheck->GetRTypChecked(u'F'));
    const QString dir = qEnvironmentVariable("VELDRAKE_SCREENSHOTS");
    if (!dir.isEmpty()) {
        ASSERT_TRUE(QDir().mkpath(dir));
        EXPECT_TRUE(image.save(QDir(dir).filePath(QStringLiteral("rechner.png"))));
    }
}

} // namespace
