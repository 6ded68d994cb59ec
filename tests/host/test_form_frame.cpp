#include "GuiTest.h"

#include "host/KRNControls.h"
#include "host/KRNForm.h"
#include "host/KRNFormFrame.h"

#include <gtest/gtest.h>

namespace {

class Form final : public TKRNForm
{
};

// The frame's parts keep their distances to the form's sides, the bar's
// buttons stay where they were placed, and an outer panel of its own design
// size keeps that size at the design client size.
TEST(FormFrame, PartsFollowTheFormAndButtonsStay)
{
    Form form;
    auto* anchors = new TAnchors(form, QSize(300, 200));
    TDialogFrame frame(form, *anchors, QStringLiteral("bvlButton"), QSize(294, 190));
    int clicks = 0;
    TKRNStdSpeedButton* first = frame.AddButton(QStringLiteral("spbEins"), QStringLiteral("Eins"), QString(),
                                                QStyle::SP_DialogCancelButton, [&] { ++clicks; });
    TKRNStdSpeedButton* second = frame.AddButton(QStringLiteral("spbZwei"), QStringLiteral("Zwei"), QString(),
                                                 QStyle::SP_DialogSaveButton, [&] { ++clicks; });

    EXPECT_EQ(frame.Buttons->objectName(), QStringLiteral("bvlButton"));
    EXPECT_EQ(frame.Hauptrahmen->geometry(), QRect(4, 4, 294, 190));
    EXPECT_EQ(frame.Daten->geometry(), QRect(4, 4, 286, 182));
    EXPECT_EQ(frame.ContentArea(), QRect(4, 76, 278, 102));
    EXPECT_EQ(frame.ContentArea(120), QRect(4, 120, 278, 58));
    EXPECT_EQ(first->pos(), QPoint(4, 4));
    EXPECT_EQ(second->pos(), QPoint(72, 4));

    form.show();
    form.resize(350, 260);
    EXPECT_EQ(frame.Daten->geometry(), QRect(4, 4, 336, 242));
    EXPECT_EQ(frame.Buttons->geometry(), QRect(4, 4, 328, 69));
    EXPECT_EQ(second->pos(), QPoint(72, 4));
    second->click();
    EXPECT_EQ(clicks, 1);
}

// A form that fixes a smaller client before it is ever shown has its frame
// fitted at once, not only at the first show.
TEST(FormFrame, FixedClientSizeAppliesBeforeTheFirstShow)
{
    Form form;
    auto* anchors = new TAnchors(form, QSize(300, 200));
    TDialogFrame frame(form, *anchors);
    EXPECT_EQ(frame.Buttons->objectName(), QStringLiteral("bvlButtons"));
    EXPECT_EQ(frame.Hauptrahmen->geometry(), QRect(4, 4, 292, 192));

    anchors->FixClientSize(QSize(300, 170));
    EXPECT_EQ(form.size(), QSize(300, 170));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(frame.Hauptrahmen->geometry(), QRect(4, 4, 292, 162));
    EXPECT_EQ(frame.Daten->geometry(), QRect(4, 4, 284, 154));
}

} // namespace
