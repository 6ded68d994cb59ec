#include "GuiTest.h"

#include "host/Application.h"
#include "host/KRNForm.h"
#include "host/core/DataModule.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

QStringList g_log;

class LoggingModule final : public TDataModule
{
protected:
    void DoCreate() override { g_log << QStringLiteral("create module"); }
    void DoDestroy() override { g_log << QStringLiteral("destroy module"); }
};

class LoggingForm : public TKRNForm
{
public:
    void FormCreate(QObject*) override { g_log << QStringLiteral("create ") + Name(); }
    void FormShow(QObject*) override { g_log << QStringLiteral("show ") + Name(); }
    void FormDestroy(QObject*) override { g_log << QStringLiteral("destroy ") + Name(); }
    virtual QString Name() const = 0;
};

class FirstForm;
class SecondForm;
LoggingModule* g_module = nullptr;
FirstForm* g_first = nullptr;
SecondForm* g_second = nullptr;

class FirstForm final : public LoggingForm
{
public:
    QString Name() const override { return QStringLiteral("first"); }
    void FormCreate(QObject* sender) override
    {
        LoggingForm::FormCreate(sender);
        // The variable is set before the creation handler runs.
        g_log << (g_first == this ? QStringLiteral("variable set") : QStringLiteral("variable empty"));
    }
};

class SecondForm final : public LoggingForm
{
public:
    QString Name() const override { return QStringLiteral("second"); }
};

class FailingForm final : public LoggingForm
{
public:
    QString Name() const override { return QStringLiteral("failing"); }
    void FormCreate(QObject*) override { throw std::runtime_error("kaputt"); }
};
FailingForm* g_failing = nullptr;

class ApplicationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_log.clear();
        Application().Initialize();
    }
    void TearDown() override { Application().Reset(); }
};

TEST_F(ApplicationTest, CreatesInstancesAndDestroysThemLastCreatedFirst)
{
    Application().CreateForm(g_module);
    Application().CreateForm(g_first);
    Application().CreateForm(g_second);

    ASSERT_NE(g_module, nullptr);
    ASSERT_NE(g_first, nullptr);
    ASSERT_NE(g_second, nullptr);
    EXPECT_EQ(Application().ComponentCount(), 3);
    EXPECT_EQ(Application().MainForm(), g_first);
    EXPECT_EQ(g_log, (QStringList{QStringLiteral("create module"), QStringLiteral("create first"),
                                  QStringLiteral("variable set"), QStringLiteral("create second")}));

    g_log.clear();
    Application().DestroyComponents();
    EXPECT_EQ(g_log, (QStringList{QStringLiteral("destroy second"), QStringLiteral("destroy first"),
                                  QStringLiteral("destroy module")}));
    EXPECT_EQ(g_module, nullptr);
    EXPECT_EQ(g_first, nullptr);
    EXPECT_EQ(g_second, nullptr);
}

TEST_F(ApplicationTest, CreationHandlerThatThrowsLeavesNoInstance)
{
    Application().CreateForm(g_first);
    EXPECT_THROW(Application().CreateForm(g_failing), std::runtime_error);
    EXPECT_EQ(g_failing, nullptr);
    EXPECT_EQ(Application().ComponentCount(), 1);
    EXPECT_TRUE(g_log.contains(QStringLiteral("destroy failing")));
}

TEST_F(ApplicationTest, RunWithoutFormReturnsAtOnce)
{
    Application().CreateForm(g_module);
    bool loopEntered = false;
    WhenLoopRuns([&] {
        loopEntered = true;
        Application().Terminate();
    });
    Application().Run();
    EXPECT_FALSE(loopEntered);
    SpinEventLoop(1); // let the pending action run outside Run
}

TEST_F(ApplicationTest, RunShowsFirstFormUntilItCloses)
{
    Application().CreateForm(g_first);
    Application().CreateForm(g_second);
    bool firstVisible = false;
    bool secondVisible = true;
    WhenLoopRuns([&] {
        firstVisible = g_first->isVisible();
        secondVisible = g_second->isVisible();
        g_first->close();
    });
    Application().Run();
    EXPECT_TRUE(firstVisible);
    EXPECT_FALSE(secondVisible);
    EXPECT_TRUE(g_log.contains(QStringLiteral("show first")));
    EXPECT_FALSE(g_log.contains(QStringLiteral("show second")));
    EXPECT_TRUE(Application().Terminated());
}

TEST_F(ApplicationTest, TerminateEndsTheLoop)
{
    Application().CreateForm(g_first);
    WhenLoopRuns([] { Application().Terminate(); });
    Application().Run();
    EXPECT_TRUE(Application().Terminated());
    EXPECT_FALSE(Application().Running());
}

TEST_F(ApplicationTest, IdleEventFiresWhenTheLoopRunsDry)
{
    int first = 0;
    int second = 0;
    QObject* sender = nullptr;
    Application().SetOnIdle([&](QObject* s, bool&) {
        ++first;
        sender = s;
    });
    SpinEventLoop();
    EXPECT_GT(first, 0);
    EXPECT_EQ(sender, &Application());

    // A new handler replaces the old one.
    const int firstBefore = first;
    Application().SetOnIdle([&](QObject*, bool&) { ++second; });
    SpinEventLoop();
    EXPECT_EQ(first, firstBefore);
    EXPECT_GT(second, 0);
}

TEST_F(ApplicationTest, IdleEventWaitsForPendingEvents)
{
    // Work posted to the loop is done before the loop counts as idle.
    QStringList order;
    Application().SetOnIdle([&](QObject*, bool&) {
        if (order.isEmpty() || order.last() != QStringLiteral("idle")) {
            order << QStringLiteral("idle");
        }
    });
    QMetaObject::invokeMethod(
        qApp, [&] { order << QStringLiteral("posted"); }, Qt::QueuedConnection);
    SpinEventLoop();
    ASSERT_FALSE(order.isEmpty());
    EXPECT_EQ(order.first(), QStringLiteral("posted"));
}

// Qt appends a display name that was set to every window title on X11;
// the title must not become one, so captions stay as the windows set them.
TEST_F(ApplicationTest, TitleIsNotAppendedToWindowTitles)
{
    EXPECT_TRUE(Application().Title().isEmpty());
    Application().SetTitle(QStringLiteral("Filter für den Datenaustausch"));
    EXPECT_EQ(Application().Title(), QStringLiteral("Filter für den Datenaustausch"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
}

} // namespace
