#include "GuiTest.h"

#include "host/KRNControls.h"
#include "host/KRNForm.h"

#include <QAction>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

// A dialog with an Esc and an F5 action, as the program's dialogs have.
class SampleDialog final : public TKRNForm
{
public:
    SampleDialog() { setObjectName(QStringLiteral("frmSample")); }

    void FormCreate(QObject*) override
    {
        Log << QStringLiteral("create");
        KRNFormInit(QStringLiteral("VELDRAKE.frmSample"), true);
        edtName = new TKRNStdEdit(QStringLiteral("edtName"), this);
        edtName->setGeometry(10, 10, 150, 22);
        actEsc = AddAction(QStringLiteral("actEsc"), QKeySequence(Qt::Key_Escape),
                           [this] { SetModalResult(mrCancel); });
        actF5 = AddAction(QStringLiteral("actF5"), QKeySequence(Qt::Key_F5), [this] {
            ++F5Count;
            SetModalResult(mrOk);
        });
    }
    void FormShow(QObject*) override { Log << QStringLiteral("show"); }
    void FormDestroy(QObject*) override
    {
        if (DestroyLog) {
            *DestroyLog << QStringLiteral("destroy");
        }
    }

    TKRNStdEdit* edtName = nullptr;
    QAction* actEsc = nullptr;
    QAction* actF5 = nullptr;
    int F5Count = 0;
    QStringList Log;
    QStringList* DestroyLog = nullptr;
};

TEST(FormHandlers, CreationShowAndDestroyRunAtTheirMoments)
{
    QStringList log;
    {
        auto form = KRNCreateForm<SampleDialog>();
        form->DestroyLog = &log;
        EXPECT_EQ(form->Log, QStringList{QStringLiteral("create")});
        EXPECT_EQ(form->KRNFormText(), QStringLiteral("VELDRAKE.frmSample"));
        EXPECT_TRUE(form->KRNFormFlag());

        TModalScripts scripts(TModalScripts::Returning(mrCancel));
        form->ShowModal();
        EXPECT_EQ(form->Log, (QStringList{QStringLiteral("create"), QStringLiteral("show")}));
        EXPECT_TRUE(log.isEmpty());
    }
    // The per-use pointer ran the destroy handler.
    EXPECT_EQ(log, QStringList{QStringLiteral("destroy")});
}

TEST(ModalSeam, ScriptsAnswerShowsInOrder)
{
    auto form = KRNCreateForm<SampleDialog>();
    bool visibleDuringScript = false;
    bool modalDuringScript = false;
    TModalScripts scripts;
    scripts
        .Then([&](TKRNForm& shown) {
            visibleDuringScript = shown.isVisible();
            modalDuringScript = shown.InModal();
            return mrOk;
        })
        .Then(TModalScripts::Doing([](TKRNForm& shown) { shown.SetModalResult(mrCancel); }));

    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(form->ModalResult(), mrOk);
    EXPECT_TRUE(visibleDuringScript);
    EXPECT_TRUE(modalDuringScript);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->InModal());

    EXPECT_EQ(form->ShowModal(), mrCancel);
    // No script left: cancelled, never blocking.
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_EQ(scripts.Unexpected(), 1);
    EXPECT_EQ(scripts.Pending(), 0);
    EXPECT_EQ(scripts.Shown(), (QStringList{QStringLiteral("frmSample"), QStringLiteral("frmSample"),
                                            QStringLiteral("frmSample")}));
}

TEST(ModalSeam, ModalResultZeroKeepsTheFormOpen)
{
    auto form = KRNCreateForm<SampleDialog>();
    TModalScripts scripts(TModalScripts::Doing([](TKRNForm& shown) {
        shown.SetModalResult(mrNone);
        EXPECT_TRUE(shown.isVisible());
        shown.SetModalResult(mrOk);
        EXPECT_FALSE(shown.isVisible());
    }));
    EXPECT_EQ(form->ShowModal(), mrOk);
}

TEST(ModalSeam, InnermostInstallerAnswers)
{
    auto form = KRNCreateForm<SampleDialog>();
    TModalScripts outer(TModalScripts::Returning(mrOk));
    {
        TModalScripts inner(TModalScripts::Returning(mrCancel));
        EXPECT_EQ(form->ShowModal(), mrCancel);
    }
    EXPECT_EQ(form->ShowModal(), mrOk);
}

// The real modal loop with real key events.
class RealModalLoop : public ::testing::Test
{
protected:
    std::unique_ptr<SampleDialog, TKRNFree> form = KRNCreateForm<SampleDialog>();

    // Shows the form modally; the action runs once the form is active.
    int ShowAndDo(std::function<void(SampleDialog&)> action)
    {
        WhenLoopRuns([this, action] {
            if (!QTest::qWaitForWindowActive(form.get())) {
                ADD_FAILURE() << "form did not become active";
            }
            action(*form);
            if (form->isVisible()) { // make sure the loop ends
                form->SetModalResult(99);
            }
        });
        return form->ShowModal();
    }
};

TEST_F(RealModalLoop, ShortcutConfirms)
{
    EXPECT_EQ(ShowAndDo([](SampleDialog& f) { QTest::keyClick(f.edtName, Qt::Key_F5); }), mrOk);
    EXPECT_EQ(form->F5Count, 1);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(RealModalLoop, EscCancels)
{
    EXPECT_EQ(ShowAndDo([](SampleDialog& f) { QTest::keyClick(f.edtName, Qt::Key_Escape); }), mrCancel);
}

TEST_F(RealModalLoop, DisabledActionDoesNotFire)
{
    form->actF5->setEnabled(false);
    EXPECT_EQ(ShowAndDo([](SampleDialog& f) { QTest::keyClick(f.edtName, Qt::Key_F5); }), 99);
    EXPECT_EQ(form->F5Count, 0);
}

TEST_F(RealModalLoop, CloseBoxCancels)
{
    EXPECT_EQ(ShowAndDo([](SampleDialog& f) { f.close(); }), mrCancel);
}

TEST_F(RealModalLoop, HandlerResultClosesTheForm)
{
    EXPECT_EQ(ShowAndDo([](SampleDialog& f) { f.SetModalResult(mrOk); }), mrOk);
}

TEST_F(RealModalLoop, ShownAgainStartsOpen)
{
    EXPECT_EQ(ShowAndDo([](SampleDialog& f) { f.SetModalResult(mrOk); }), mrOk);
    bool openAtStart = false;
    EXPECT_EQ(ShowAndDo([&](SampleDialog& f) {
                  openAtStart = f.ModalResult() == mrNone && f.isVisible();
                  QTest::keyClick(f.edtName, Qt::Key_Escape);
              }),
              mrCancel);
    EXPECT_TRUE(openAtStart);
    EXPECT_EQ(form->Log.count(QStringLiteral("show")), 2);
}

} // namespace
