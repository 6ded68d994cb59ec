#include "GuiTest.h"
#include "RecordingPresenter.h"
#include "TempStore.h"

#include "app/MainU.h"
#include "data/MainDM.h"
#include "host/Application.h"
#include "host/KRNControls.h"
#include "host/core/KRNProgramm.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

namespace {

const QString kHeadFilter = QStringLiteral("HeadFilter");
const QString kHeadKomm = QStringLiteral("HeadKommunikation");
const QString kHeadOptions = QStringLiteral("HeadOptions");
const QString kFilterOnOff = QStringLiteral("FILTERONOFF");

// The data module and the main window on a fresh store, as start-up creates
// them; filter kinds are made active before the window exists.
class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearKOMMFilterRegistry();
        RegisterKOMMFilterEditor(QStringLiteral("A"), QStringLiteral("Filter A"), nullptr, nullptr);
        RegisterKOMMFilterEditor(QStringLiteral("B"), QStringLiteral("Filter B"), nullptr, nullptr);
        Application().Initialize();
        Application().CreateForm(dtmKOMMFilter);
    }
    void TearDown() override
    {
        Application().Reset();
        ClearKOMMFilterRegistry();
    }

    void Activate(const QString& kennung) { dtmKOMMFilter->BuchenAktivitaet(kennung, true); }
    TfrmMain& CreateMain()
    {
        Application().CreateForm(frmMain);
        return *frmMain;
    }
    TButtonItems& Items() { return frmMain->btsMain->Items(); }
    QStringList Menu() { return Items().ButtonNames(); }
    QStringList Captions()
    {
        QStringList captions;
        for (int i = 0; i < Items().Count(); ++i) {
            captions << Items().Item(i)->LeftCaption();
        }
        return captions;
    }
    // Written to $VELDRAKE_SCREENSHOTS when that is set.
    static void Save(const QImage& image, const QString& name)
    {
        const QString dir = qEnvironmentVariable("VELDRAKE_SCREENSHOTS");
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            EXPECT_TRUE(image.save(QDir(dir).filePath(name)));
        }
    }
    static void Screenshot(const QString& name) { Save(frmMain->grab().toImage(), name); }
    void AddForeignEntry(int position, const QString& name) { Items().Insert(position)->SetButtonName(name); }

    TempStore store;
    RecordingPresenter presenter;
};

TEST_F(MainWindow, WithoutActiveKindsOnlyTheFixedEntriesRemain)
{
    CreateMain();
    EXPECT_EQ(Menu(), (QStringList{kHeadFilter, kHeadKomm, kHeadOptions, kFilterOnOff}));
    EXPECT_EQ(Items().Item(0)->ButtonType(), btHead);
    EXPECT_EQ(Items().Item(3)->ButtonType(), btMenu);
    EXPECT_EQ(Captions(), (QStringList{QStringLiteral("Filtereinstellungen bearbeiten"),
                                       QStringLiteral("Kommunikationseinstellungen bearbeiten"),
                                       QStringLiteral("Filter aktivieren / passivieren"),
                                       QStringLiteral("Einstellungen")}));
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(MainWindow, EachActiveKindGetsAnEditAndACommunicationEntryInReverseOrder)
{
    Activate(QStringLiteral("A"));
    Activate(QStringLiteral("B"));
    CreateMain();
    EXPECT_EQ(Menu(),
              (QStringList{kHeadFilter, QStringLiteral("FLTB"), QStringLiteral("FLTA"), kHeadKomm,
                           QStringLiteral("KOMMB"), QStringLiteral("KOMMA"), kHeadOptions, kFilterOnOff}));
    EXPECT_EQ(Captions().mid(1, 2), (QStringList{QStringLiteral("Filter B"), QStringLiteral("Filter A")}));
    EXPECT_EQ(Captions().mid(4, 2), (QStringList{QStringLiteral("Filter B"), QStringLiteral("Filter A")}));
    EXPECT_EQ(Items().Item(1)->ButtonType(), btMenu);

    // Rebuilding again gives the same menu.
    const QStringList before = Menu();
    frmMain->RefreshMenu();
    frmMain->RefreshMenu();
    EXPECT_EQ(Menu(), before);
}

TEST_F(MainWindow, RebuildKeepsEntriesWhosePrefixDiffersInCase)
{
    Activate(QStringLiteral("A"));
    CreateMain();
    AddForeignEntry(1, QStringLiteral("fltX"));
    AddForeignEntry(4, QStringLiteral("Komm1"));
    frmMain->RefreshMenu();
    EXPECT_EQ(Menu().size(), 8);
    EXPECT_EQ(Menu().count(QStringLiteral("fltX")), 1);
    EXPECT_EQ(Menu().count(QStringLiteral("Komm1")), 1);
    EXPECT_EQ(Menu().count(QStringLiteral("FLTA")), 1);
    EXPECT_EQ(Menu().count(QStringLiteral("KOMMA")), 1);
}

TEST_F(MainWindow, ClickDispatchesOnTheExactPrefix)
{
    CreateMain();
    frmMain->bmnMainClick(frmMain->btsMain, 0, kHeadFilter);
    frmMain->bmnMainClick(frmMain->btsMain, 0, QStringLiteral("fltABC"));
    frmMain->bmnMainClick(frmMain->btsMain, 0, QStringLiteral("KommABC"));
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());

    frmMain->bmnMainClick(frmMain->btsMain, 0, QStringLiteral("FLTABC"));
    frmMain->bmnMainClick(frmMain->btsMain, 0, QStringLiteral("KOMMABC"));
    frmMain->bmnMainClick(frmMain->btsMain, 0, kFilterOnOff);
    // Without their dialogs the workflows refuse through the failure report,
    // with the Kennung they were given.
    ASSERT_EQ(presenter.ErrorLocations(), (QStringList{QStringLiteral("TfrmMain.DoFilterEdit"),
                                                       QStringLiteral("TfrmMain.DoKommunikationEdit"),
                                                       QStringLiteral("TfrmMain.DoFilterOnOff")}));
    const auto& errors = KRNInfo().RegisteredErrors();
    EXPECT_TRUE(errors[0].Text.contains(QStringLiteral("frmLoad")));
    EXPECT_TRUE(errors[2].Text.contains(QStringLiteral("frmFilterOnOff")));
    EXPECT_EQ(presenter.Errors.size(), 3); // told to the user
}

TEST_F(MainWindow, MenuClickReachesTheDispatch)
{
    Activate(QStringLiteral("A"));
    CreateMain();
    EXPECT_FALSE(frmMain->btsMain->Click(0)); // a heading is not clickable
    EXPECT_TRUE(frmMain->btsMain->Click(1));
    EXPECT_EQ(presenter.ErrorLocations(), QStringList{QStringLiteral("TfrmMain.DoFilterEdit")});
}

TEST_F(MainWindow, RequestedRebuildRunsOnceAtTheNextIdleMoment)
{
    CreateMain();
    Activate(QStringLiteral("A"));
    // Not requested: the menu does not follow the store.
    SpinEventLoop();
    EXPECT_EQ(Menu().size(), 4);

    frmMain->SetIdle_RefreshMenu(true);
    EXPECT_EQ(Menu().size(), 4); // nothing before the loop runs dry
    SpinEventLoop();
    EXPECT_FALSE(frmMain->Idle_RefreshMenu());
    EXPECT_EQ(Menu(), (QStringList{kHeadFilter, QStringLiteral("FLTA"), kHeadKomm, QStringLiteral("KOMMA"),
                                   kHeadOptions, kFilterOnOff}));

    // A foreign filter entry would vanish with a second rebuild.
    AddForeignEntry(1, QStringLiteral("FLTmarker"));
    SpinEventLoop();
    EXPECT_EQ(Items().IndexOf(QStringLiteral("FLTmarker")), 1);
}

TEST_F(MainWindow, IdleHandlerOutlivesNoWindow)
{
    CreateMain();
    frmMain->SetIdle_RefreshMenu(true);
    Application().DestroyComponents();
    SpinEventLoop(); // the installed idle handler must not reach the destroyed window
    EXPECT_EQ(frmMain, nullptr);
}

TEST_F(MainWindow, VersionButtonShowsTheVersionWindow)
{
    CreateMain();
    QTest::mouseClick(frmMain->spbVersion, Qt::LeftButton);
    ASSERT_EQ(presenter.Versions.size(), 1);
    EXPECT_EQ(presenter.Versions[0].Title, QStringLiteral("Filter für den Datenaustausch"));
    EXPECT_TRUE(presenter.Versions[0].Text.contains(QStringLiteral("1.0.0.0")));
    EXPECT_TRUE(presenter.Versions[0].Text.contains(QStringLiteral("17.09.01")));
}

TEST_F(MainWindow, EndButtonAndEscEndTheProgram)
{
    CreateMain();
    EXPECT_EQ(frmMain->spbEnde->toolTip(), QStringLiteral("Esc - Programm beenden"));
    WhenLoopRuns([] { QTest::mouseClick(frmMain->spbEnde, Qt::LeftButton); });
    Application().Run();
    EXPECT_TRUE(Application().Terminated());

    Application().Reset();
    Application().CreateForm(dtmKOMMFilter);
    CreateMain();
    WhenLoopRuns([] {
        ASSERT_TRUE(QTest::qWaitForWindowActive(frmMain));
        QTest::keyClick(frmMain->btsMain, Qt::Key_Escape);
    });
    Application().Run();
    EXPECT_TRUE(Application().Terminated());
    EXPECT_TRUE(presenter.Meldungen.isEmpty()); // no question asked
}

TEST_F(MainWindow, CaptionCarriesTheTenant)
{
    CreateMain();
    EXPECT_EQ(frmMain->Caption(),
              TfrmMain::DesignCaption() + QStringLiteral(" - ") + KRNProgramm().GetTextMandant());
    EXPECT_TRUE(frmMain->KRNFormText().endsWith(QStringLiteral(".frmMain")));
}

// A first run: the empty menu says what to do first, until a kind is on.
TEST_F(MainWindow, EmptyMenuShowsAHintUntilAKindIsActive)
{
    CreateMain();
    ASSERT_TRUE(ShowActive(*frmMain));
    TButtons& menu = *frmMain->btsMain;
    EXPECT_TRUE(menu.Note().contains(QStringLiteral("Einstellungen")));
    EXPECT_FALSE(menu.NoteRect().isEmpty());
    EXPECT_GT(menu.NoteRect().top(), menu.ItemRect(3).bottom());
    EXPECT_LE(menu.NoteRect().bottom(), menu.height());
    Screenshot(QStringLiteral("main-first-run.png"));

    Activate(QStringLiteral("A"));
    frmMain->RefreshMenu();
    EXPECT_TRUE(menu.Note().isEmpty());
    EXPECT_TRUE(menu.NoteRect().isEmpty());
}

// The picture of the main window with two active image filter kinds; written
// to $VELDRAKE_SCREENSHOTS/main.png when that is set.
TEST_F(MainWindow, Screenshot)
{
    ClearKOMMFilterRegistry();
    RegisterKOMMFilterEditor(QStringLiteral("ABIL"), QStringLiteral("Artikelbilder"), nullptr, nullptr);
    RegisterKOMMFilterEditor(QStringLiteral("KBIL"), QStringLiteral("Katalogbilder"), nullptr, nullptr);
    Activate(QStringLiteral("ABIL"));
    Activate(QStringLiteral("KBIL"));
    CreateMain();
    ASSERT_TRUE(ShowActive(*frmMain));
    const QImage image = frmMain->grab().toImage();
    ASSERT_FALSE(image.isNull());
    // The entries use the menu colours.
    const QRect head = frmMain->btsMain->ItemRect(0).translated(frmMain->btsMain->mapTo(frmMain, QPoint()));
    const qreal ratio = image.devicePixelRatio();
    EXPECT_EQ(image.pixelColor(qRound((head.left() + 2) * ratio), qRound(head.center().y() * ratio)),
              TButtons::HeadColor());

    Save(image, QStringLiteral("main.png"));
}

} // namespace
