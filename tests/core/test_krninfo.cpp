// The message service: catalogue texts, check points and the presenter seam.
#include "RecordingPresenter.h"

#include "host/core/KRNError.h"

#include <QFile>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

TEST(KRNInfo, CatalogueHoldsGermanTextsForEveryMessage)
{
    const struct
    {
        int Number;
        const char16_t* Catalogue;
    } messages[] = {{10, u"STANDARD"}, {1020, u"ALLMANI"}, {1000, u"VELDRAKE"},
                    {1001, u"VELDRAKE"}, {1002, u"VELDRAKE"}, {1003, u"VELDRAKE"}};
    for (const auto& m : messages) {
        const QString text = TKRNInfo::MeldungsText(m.Number, QString::fromUtf16(m.Catalogue));
        EXPECT_FALSE(text.startsWith(u"Meldung "_s)) << m.Number << " has no catalogue text";
    }
}

TEST(KRNInfo, ArgumentsAreFilledInOnceAndInOrder)
{
    RecordingPresenter presenter;
    KRNInfo().ShowMeldung(mtNotice, 1001, u"VELDRAKE"_s, {u"Rechnernummer - 7"_s, u"MUSTER %1 %2"_s});
    ASSERT_EQ(presenter.Meldungen.size(), 1);
    const TMeldung& m = presenter.Meldungen[0];
    EXPECT_EQ(m.Arguments, (QStringList{u"Rechnernummer - 7"_s, u"MUSTER %1 %2"_s}));
    EXPECT_TRUE(m.Text.contains(u"Rechnernummer - 7"_s));
    EXPECT_TRUE(m.Text.contains(u"„MUSTER %1 %2“"_s)) << m.Text.toStdString();
}

TEST(KRNInfo, QuestionsReturnTheScriptedAnswerAndNoWhenNoneIsLeft)
{
    RecordingPresenter presenter;
    presenter.Answer(mrYes);
    EXPECT_EQ(KRNInfo().ShowMeldung(mtQuestion, 10, u"STANDARD"_s), mrYes);
    EXPECT_EQ(KRNInfo().ShowMeldung(mtQuestion, 10, u"STANDARD"_s), mrNo);
    EXPECT_EQ(KRNInfo().ShowMeldung(mtNotice, 1002, u"VELDRAKE"_s), mrOk);
    EXPECT_EQ(presenter.Numbers(), (QList<int>{10, 10, 1002}));
}

// Without a desktop (this test runs under a QCoreApplication) nobody can
// answer: the message goes to stderr, a question is answered with No, and
// nothing needs a QApplication.
TEST(KRNInfo, WithoutADesktopMessagesGoToStderrAndQuestionsAreAnsweredNo)
{
    QTemporaryFile log;
    ASSERT_TRUE(log.open());
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(log.handle(), STDERR_FILENO);
    const int question = KRNInfo().ShowMeldung(mtQuestion, 10, u"STANDARD"_s);
    const int notice = KRNInfo().ShowMeldung(mtNotice, 1002, u"VELDRAKE"_s);
    KRNInfo().RegisterException(u"Test.Ohne"_s, KRNException(u"Fehler ohne Fenster"_s), true);
    const bool canShow = KRNInfo().PresenterCanShow();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);

    EXPECT_EQ(question, mrNo);
    EXPECT_EQ(notice, mrOk);
    EXPECT_FALSE(canShow);
    QFile written(log.fileName());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString text = QString::fromLocal8Bit(written.readAll());
    for (const QString& expected : {TKRNInfo::MeldungsText(10, u"STANDARD"_s),
                                    TKRNInfo::MeldungsText(1002, u"VELDRAKE"_s), u"Fehler ohne Fenster"_s}) {
        EXPECT_TRUE(text.contains(expected)) << text.toStdString();
    }
    EXPECT_EQ(text.count(u"Fehler ohne Fenster"_s), 1) << "a failure is written once";
}

TEST(KRNInfo, FehlerRaiseRaisesOnceForFailuresSinceTheLastCheckPoint)
{
    RecordingPresenter presenter;
    EXPECT_NO_THROW(KRNInfo().FehlerRaise(u"veldrake"_s, 0, {}, {}, 0, 0));
    KRNInfo().RegisterException(u"TfrmLoad.FormCreate"_s, std::runtime_error("kaputt"), true);
    EXPECT_EQ(presenter.Errors.size(), 1);
    try {
        KRNInfo().FehlerRaise(u"veldrake"_s, 0, {}, {}, 0, 0);
        FAIL() << "expected the check point to raise";
    } catch (const KRNException& e) {
        EXPECT_TRUE(e.Message().contains(u"TfrmLoad.FormCreate"_s));
    }
    EXPECT_NO_THROW(KRNInfo().FehlerRaise(u"veldrake"_s, 0, {}, {}, 0, 0));

    KRNInfo().RegisterException(u"TfrmLoad.FormDestroy"_s, std::runtime_error("beim Aufräumen"), false);
    EXPECT_EQ(presenter.Errors.size(), 1) << "flag false does not tell the user";
    KRNInfo().FehlerTerminate(u"TfrmLoad.FormDestroy"_s, 0, {}, {}, 0, 0);
    EXPECT_NO_THROW(KRNInfo().FehlerRaise(u"veldrake"_s, 0, {}, {}, 0, 0));
}
