#include "GuiTest.h"
#include "RecordingPresenter.h"
#include "TempStore.h"

#include "app/MainU.h"
#include "app/veldrake.h"
#include "data/MainDM.h"
#include "dialogs/FilterOnOffU.h"
#include "dialogs/LoadFilterU.h"
#include "dialogs/RechnerU.h"
#include "dialogs/SaveFilterU.h"
#include "host/Application.h"
#include "host/KRNControls.h"
#include "host/core/KRNError.h"
#include "host/core/KRNProgramm.h"
#include "host/store/Store.h"
#include "host/store/StoreFailure.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kCheckPoint = QStringLiteral("FehlerRaise");

// Runs the whole main routine on a store in a temporary directory and
// records the start-up steps.
class StartUp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("VELDRAKE_STORE", StorePath().toUtf8());
        qputenv("VELDRAKE_MANDANT", "Testmandant");
        SetStartupObserver([this](const QString& step) {
            Steps << step;
            if (step == FailAfter) {
                KRNInfo().RegisterException(QStringLiteral("Test.FormCreate"),
                                            KRNException(QStringLiteral("kaputt")), true);
            }
        });
    }
    void TearDown() override
    {
        SetStartupObserver({});
        Application().Reset();
        qunsetenv("VELDRAKE_STORE");
        qunsetenv("VELDRAKE_MANDANT");
    }

    QString StorePath() const { return dir.filePath(QStringLiteral("store.sqlite")); }
    static QStringList Instances()
    {
        QStringList present;
        const auto add = [&](const void* instance, const char* name) {
            if (instance) {
                present << QString::fromLatin1(name);
            }
        };
        add(dtmKOMMFilter, "dtmKOMMFilter");
        add(frmMain, "frmMain");
        add(frmFilterOnOff, "frmFilterOnOff");
        add(frmRechner, "frmRechner");
        add(frmLoad, "frmLoad");
        add(frmSave, "frmSave");
        return present;
    }
    // Ends the message loop once the main window is active.
    static void EndWhenShown(std::function<void()> inspect)
    {
        WhenLoopRuns([inspect] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(frmMain));
            inspect();
            Application().Terminate();
        });
    }

    QTemporaryDir dir;
    RecordingPresenter presenter;
    QStringList Steps;
    QString FailAfter; // step after which a creation reports a failure
};

TEST_F(StartUp, CreatesSixInstancesEachFollowedByTheCheckPoint)
{
    QStringList registeredAtDataModule;
    SetStartupObserver([&](const QString& step) {
        Steps << step;
        if (step == QStringLiteral("dtmKOMMFilter")) {
            EnumKOMMFilter([&](const QString& kennung, const QString&, TKOMMFilterClass) {
                registeredAtDataModule << kennung;
            });
        }
    });
    QStringList atRun;
    bool dialogsHidden = false;
    EndWhenShown([&] {
        atRun = Instances();
        dialogsHidden = !frmFilterOnOff->isVisible() && !frmRechner->isVisible() && !frmLoad->isVisible() &&
                        !frmSave->isVisible();
        EXPECT_TRUE(frmMain->isVisible());
        EXPECT_EQ(Application().Title(), QStringLiteral("Filter für den Datenaustausch"));
        EXPECT_EQ(frmMain->Caption(),
                  QStringLiteral("Kommunikationsverwaltung der externen PC's - Testmandant"));
        EXPECT_EQ(frmMain->KRNFormText(), QStringLiteral("VELDRAKE.frmMain"));
    });

    EXPECT_EQ(VeldrakeMain(), 0);

    EXPECT_EQ(Steps, (QStringList{QStringLiteral("dtmKOMMFilter"), kCheckPoint, QStringLiteral("frmMain"),
                                  kCheckPoint, QStringLiteral("frmFilterOnOff"), kCheckPoint,
                                  QStringLiteral("frmRechner"), kCheckPoint, QStringLiteral("frmLoad"),
                                  kCheckPoint, QStringLiteral("frmSave"), kCheckPoint}));
    EXPECT_EQ(registeredAtDataModule, (QStringList{QStringLiteral("ABIL"), QStringLiteral("KBIL")}));
    EXPECT_EQ(atRun.size(), 6);
    EXPECT_TRUE(dialogsHidden);
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
    // Shut down: every instance gone, the registry empty.
    EXPECT_TRUE(Instances().isEmpty());
    int registered = 0;
    EnumKOMMFilter([&](const QString&, const QString&, TKOMMFilterClass) { ++registered; });
    EXPECT_EQ(registered, 0);
}

TEST_F(StartUp, ShutdownDestroysWindowsBeforeTheDataModule)
{
    QStringList destroyed;
    EndWhenShown([&] {
        const auto watch = [&](QObject* instance, const QString& name) {
            QObject::connect(instance, &QObject::destroyed, qApp, [&destroyed, name] { destroyed << name; });
        };
        watch(dtmKOMMFilter, QStringLiteral("dtmKOMMFilter"));
        watch(frmMain, QStringLiteral("frmMain"));
        watch(frmFilterOnOff, QStringLiteral("frmFilterOnOff"));
        watch(frmRechner, QStringLiteral("frmRechner"));
        watch(frmLoad, QStringLiteral("frmLoad"));
        watch(frmSave, QStringLiteral("frmSave"));
    });
    EXPECT_EQ(VeldrakeMain(), 0);
    EXPECT_EQ(destroyed, (QStringList{QStringLiteral("frmSave"), QStringLiteral("frmLoad"),
                                      QStringLiteral("frmRechner"), QStringLiteral("frmFilterOnOff"),
                                      QStringLiteral("frmMain"), QStringLiteral("dtmKOMMFilter")}));
}

TEST_F(StartUp, EscInTheMainWindowEndsTheProgram)
{
    WhenLoopRuns([] {
        ASSERT_TRUE(QTest::qWaitForWindowActive(frmMain));
        QTest::keyClick(frmMain->btsMain, Qt::Key_Escape);
    });
    EXPECT_EQ(VeldrakeMain(), 0);
    EXPECT_TRUE(Instances().isEmpty());
    EXPECT_TRUE(presenter.Meldungen.isEmpty());
}

TEST_F(StartUp, ClosingTheMainWindowEndsTheProgram)
{
    WhenLoopRuns([] {
        ASSERT_TRUE(QTest::qWaitForWindowActive(frmMain));
        frmMain->close();
    });
    EXPECT_EQ(VeldrakeMain(), 0);
    EXPECT_TRUE(Instances().isEmpty());
}

TEST_F(StartUp, MenuEntriesPassTheKennungToTheirWorkflow)
{
    TModalScripts scripts;
    QStringList kennungen;
    const auto chooser = [&](TKRNForm&) {
        kennungen << frmLoad->FilterKennung();
        return int(mrCancel);
    };
    scripts.Then(chooser).Then(chooser);
    EndWhenShown([] {
        frmMain->bmnMainClick(frmMain->btsMain, 1, QStringLiteral("FLTABC"));
        frmMain->bmnMainClick(frmMain->btsMain, 4, QStringLiteral("KOMMABC"));
    });
    EXPECT_EQ(VeldrakeMain(), 0);
    EXPECT_EQ(scripts.Shown(), (QStringList{QStringLiteral("frmLoad"), QStringLiteral("frmLoad")}));
    EXPECT_EQ(kennungen, (QStringList{QStringLiteral("ABC"), QStringLiteral("ABC")}));
    EXPECT_TRUE(KRNInfo().RegisteredErrors().isEmpty());
}

TEST_F(StartUp, FailedInitCreatesNothingAndEnds)
{
    // The store path is a directory: the store cannot be opened.
    ASSERT_TRUE(QDir().mkpath(StorePath()));
    EXPECT_EQ(VeldrakeMain(), 1);
    EXPECT_TRUE(Steps.isEmpty());
    EXPECT_TRUE(Application().Title().isEmpty());
    EXPECT_EQ(presenter.Errors.size(), 1); // shown through ShowException
    EXPECT_TRUE(Instances().isEmpty());
}

TEST_F(StartUp, StoreThatIsNoDatabaseIsLeftUntouched)
{
    const QByteArray content("Dies ist keine Datenbank, sondern ein Brief.\n");
    {
        QFile file(StorePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    EXPECT_EQ(VeldrakeMain(), 1);
    EXPECT_TRUE(Steps.isEmpty());
    EXPECT_EQ(presenter.Errors.size(), 1);
    QFile file(StorePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), content);
}

TEST_F(StartUp, FailureReportedByADialogLeavesLaterDialogsAbsent)
{
    FailAfter = QStringLiteral("frmLoad");
    QStringList atRun;
    QString refusal;
    EndWhenShown([&] {
        atRun = Instances();
        EXPECT_TRUE(frmMain->isVisible());
        // A workflow that needs the absent dialog refuses.
        frmMain->bmnMainClick(frmMain->btsMain, 1, QStringLiteral("FLTABIL"));
        refusal = KRNInfo().RegisteredErrors().constLast().Text;
    });
    EXPECT_EQ(VeldrakeMain(), 1);
    EXPECT_EQ(refusal, QStringLiteral("Das Fenster frmSave ist nicht vorhanden."));
    EXPECT_EQ(Steps.mid(Steps.size() - 2), (QStringList{QStringLiteral("frmLoad"), kCheckPoint}));
    EXPECT_EQ(atRun, (QStringList{QStringLiteral("dtmKOMMFilter"), QStringLiteral("frmMain"),
                                  QStringLiteral("frmFilterOnOff"), QStringLiteral("frmRechner"),
                                  QStringLiteral("frmLoad")}));
    // The reported failure, its display through ShowException, the refusal.
    EXPECT_EQ(presenter.Errors.size(), 3);
}

TEST_F(StartUp, FailureReportedByTheDataModuleOpensNoWindow)
{
    FailAfter = QStringLiteral("dtmKOMMFilter");
    EXPECT_EQ(VeldrakeMain(), 1); // returns: no main window, no loop
    EXPECT_EQ(Steps, (QStringList{QStringLiteral("dtmKOMMFilter"), kCheckPoint}));
    EXPECT_TRUE(Instances().isEmpty());
}

// The running program has its own icon, and its version window names the
// versions, the store in use and the tenant.
TEST_F(StartUp, VersionWindowNamesVersionsStoreAndTenant)
{
    bool iconShown = false;
    EndWhenShown([&] {
        iconShown = !QApplication::windowIcon().availableSizes().isEmpty() && !frmMain->windowIcon().isNull();
        QTest::mouseClick(frmMain->spbVersion, Qt::LeftButton);
    });
    EXPECT_EQ(VeldrakeMain(), 0);
    EXPECT_TRUE(iconShown);
    ASSERT_EQ(presenter.Versions.size(), 1);
    const QString version = presenter.Versions[0].Text;
    for (const QString& part : {QStringLiteral("1.0.0.0"), QStringLiteral("17.09.01"),
                                QStringLiteral("Qt ") + QString::fromLatin1(qVersion()),
                                QDir::toNativeSeparators(StorePath()), QStringLiteral("Testmandant")}) {
        EXPECT_TRUE(version.contains(part)) << part.toStdString() << " in " << version.toStdString();
    }
}

} // namespace

TEST_F(StartUp, ComputersServedTwiceAreToldOnceAndTheProgramWorks)
{
    WriteDoubleServedStore(StorePath());
    EndWhenShown([] {});
    EXPECT_EQ(VeldrakeMain(), 0);
    EXPECT_EQ(Instances().size(), 0);
    ASSERT_EQ(presenter.Numbers(), QList<int>{130});
    const TMeldung& notice = presenter.Meldungen[0];
    EXPECT_EQ(notice.Kind, mtNotice);
    EXPECT_EQ(notice.Catalogue, QStringLiteral("DATENBESTAND"));
    EXPECT_TRUE(notice.Text.contains(QStringLiteral("ABIL – Rechner 5: „S1“, „S2“")))
        << notice.Text.toStdString();
    EXPECT_TRUE(notice.Text.contains(QStringLiteral("ABIL – Rechnertyp A: „S1“, „S3“")))
        << notice.Text.toStdString();
    EXPECT_FALSE(notice.Text.contains(QStringLiteral("Rechner 6")));
    EXPECT_TRUE(KRNInfo().RegisteredErrors().isEmpty());
}

// The notice comes over the shown main window, which is the window a box
// takes as its parent, not alone before it.
TEST_F(StartUp, TheNoticeOfComputersServedTwiceComesOverTheShownMainWindow)
{
    WriteDoubleServedStore(StorePath());
    bool mainShown = false;
    bool overMain = false;
    presenter.WhileMeldungShown = [&] {
        mainShown = frmMain && frmMain->isVisible();
        overMain = frmMain && QApplication::activeWindow() == frmMain;
    };
    EndWhenShown([] {});
    EXPECT_EQ(VeldrakeMain(), 0);
    ASSERT_EQ(presenter.Numbers(), QList<int>{130});
    EXPECT_TRUE(mainShown);
    EXPECT_TRUE(overMain);
}

// The real program on a broken store, where nobody could answer a box.
TEST(StartUpWithoutScreen, ABrokenStoreEndsTheProgramWithAMessageOnStderr)
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("kaputt.sqlite"));
    {
        QFile file(store);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    for (const char* platform : {"offscreen", "minimal", ""}) {
        SCOPED_TRACE(platform);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(platform));
        if (!*platform) { // the window system's own platform, but no display to reach
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            env.remove(QStringLiteral("DISPLAY"));
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        }
        env.insert(QStringLiteral("VELDRAKE_STORE"), store);
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(VELDRAKE_EXECUTABLE), {});
        const bool ended = program.waitForFinished(30000);
        if (!ended) {
            program.kill();
            program.waitForFinished();
        }
        EXPECT_TRUE(ended) << "the program waits for an answer nobody can give";
        EXPECT_EQ(program.exitCode(), 1);
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        EXPECT_TRUE(err.contains(QStringLiteral("Programmstart fehlgeschlagen"))) << err.toStdString();
        if (*platform) {
            EXPECT_TRUE(err.contains(store)) << err.toStdString();
        }
    }
}

// A full medium at start is named as such, whichever SQLite met first: no
// room for the first pages, none for the WAL index, no file entry for the
// journal, or an existing store that cannot be read for want of room. Each
// run gets a small file system of its own in a user namespace (no root
// needed); where the system allows none, the test is skipped.
TEST(StartUpWithoutScreen, AFullDiskAtStartIsNamedAsSuch)
{
    QTemporaryDir dir;
    const QString mountPoint = dir.filePath(QStringLiteral("klein"));
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    const auto inNamespace = [&](const QString& script, const QStringList& arguments, QProcess& process) {
        process.start(QStringLiteral("unshare"),
                      QStringList{QStringLiteral("-r"), QStringLiteral("-m"), QStringLiteral("sh"),
                                  QStringLiteral("-c"), script, QStringLiteral("sh"), mountPoint} +
                          arguments);
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
        }
    };
    {
        QProcess probe;
        inNamespace(QStringLiteral("mount -t tmpfs -o size=64k veldrake \"$1\""), {}, probe);
        if (probe.error() != QProcess::UnknownError || probe.exitCode() != 0) {
            GTEST_SKIP() << "no file system of its own: " << probe.readAllStandardError().toStdString();
        }
    }
    const QString existing = dir.filePath(QStringLiteral("vorhanden.sqlite"));
    TStore::Open(existing).reset();

    const QString script = QStringLiteral("mount -t tmpfs -o \"$2\" veldrake \"$1\" || exit 77\n"
                                          "[ -z \"$4\" ] || cp \"$4\" \"$1/store.sqlite\" || exit 77\n"
                                          "dd if=/dev/zero of=\"$1/voll\" bs=1024 count=\"$3\" 2>/dev/null\n"
                                          "exec \"$5\"");
    const struct
    {
        const char* name;
        const char* options;
        int fillKiB;
        QString store;
    } cases[] = {
        {"new store, no room at all", "size=64k", 64, {}},
        {"new store, room for its first pages only", "size=64k", 48, {}},
        {"new store, no file entry for the journal", "size=1m,nr_inodes=2", 0, {}},
        {"existing store on a full medium", "size=256k", 1000, existing},
    };
    const QString full = StoreFailureText(TStoreFailure::Full).section(QLatin1Char('\n'), 0, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VELDRAKE_STORE"), mountPoint + QStringLiteral("/store.sqlite"));
        program.setProcessEnvironment(env);
        inNamespace(script,
                    {QString::fromLatin1(c.options), QString::number(c.fillKiB), c.store,
                     QStringLiteral(VELDRAKE_EXECUTABLE)},
                    program);
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        ASSERT_NE(program.exitCode(), 77) << err.toStdString();
        EXPECT_EQ(program.exitCode(), 1);
        EXPECT_TRUE(err.contains(QStringLiteral("Programmstart fehlgeschlagen"))) << err.toStdString();
        EXPECT_TRUE(err.contains(full)) << err.toStdString();
    }
}
