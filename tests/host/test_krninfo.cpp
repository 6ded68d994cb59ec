// The message service: catalogue texts, check points and the presenter seam.
#include "RecordingPresenter.h"

#include "host/KRNError.h"

#include <gtest/gtest.h>

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
