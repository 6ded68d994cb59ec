#include "GuiTest.h"

#include "host/KRNControls.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

class UppercaseEdit : public ::testing::Test
{
protected:
    void SetUp() override
    {
        edit.SetMaxLength(16);
        edit.SetFieldType(TKRNFieldType::KRN_Uppercase);
    }
    TKRNStdEdit edit{QStringLiteral("edtBezeichnung")};
};

TEST_F(UppercaseEdit, ConvertsWhatIsTyped)
{
    TypeText(&edit, QStringLiteral("muster äöü"));
    EXPECT_EQ(edit.text(), QStringLiteral("MUSTER ÄÖÜ"));
}

TEST_F(UppercaseEdit, ConvertsTextSetFromCode)
{
    edit.setText(QStringLiteral("straße"));
    EXPECT_EQ(edit.text(), QStringLiteral("STRASSE"));
}

TEST_F(UppercaseEdit, SharpSNeverPushesPastTheMaximum)
{
    edit.setText(QStringLiteral("ABCDEFGHIJKLMNO")); // 15 characters
    edit.end(false);
    TypeText(&edit, QStringLiteral("ß"));
    EXPECT_EQ(edit.text().size(), 16);
    EXPECT_TRUE(edit.text().startsWith(QStringLiteral("ABCDEFGHIJKLMNO")));

    edit.setText(QStringLiteral("ßßßßßßßßßß")); // 20 characters in upper case
    EXPECT_EQ(edit.text(), QString(16, QLatin1Char('S')));
}

TEST_F(UppercaseEdit, PasteConvertsAndKeepsTheTextAfterTheCursor)
{
    edit.setText(QStringLiteral("ABCDEFGHIJKLMN")); // 14 characters
    edit.setCursorPosition(2);
    QGuiApplication::clipboard()->setText(QStringLiteral("ßß"));
    edit.paste();
    EXPECT_EQ(edit.text(), QStringLiteral("ABSSCDEFGHIJKLMN"));
    EXPECT_EQ(edit.cursorPosition(), 4);
}

TEST_F(UppercaseEdit, ShorterMaximumCutsExistingText)
{
    edit.setText(QStringLiteral("ABCDEFGHIJ"));
    edit.SetMaxLength(4);
    EXPECT_EQ(edit.text(), QStringLiteral("ABCD"));
}

TEST(TextEdit, KeepsLetterCaseAndMaximum)
{
    TKRNStdEdit edit(QStringLiteral("edtBeschreibung"));
    edit.SetMaxLength(5);
    QTest::keyClicks(&edit, QStringLiteral("Muster"));
    EXPECT_EQ(edit.text(), QStringLiteral("Muste"));
}

class IntegerEdit : public ::testing::Test
{
protected:
    void SetUp() override
    {
        edit.SetFieldType(TKRNFieldType::KRN_Integer);
        edit.SetMaxLength(4);
        edit.SetMaxValue(2000);
    }
    void Wheel(int delta)
    {
        QWheelEvent event(QPointF(5, 5), edit.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&edit, &event);
    }
    TKRNStdEdit edit{QStringLiteral("edtBreite")};
};

TEST_F(IntegerEdit, TakesDigitsOnlyUpToTheMaximum)
{
    QTest::keyClicks(&edit, QStringLiteral("1a5-0"));
    EXPECT_EQ(edit.text(), QStringLiteral("150"));
    QTest::keyClicks(&edit, QStringLiteral("0")); // 1500
    QTest::keyClicks(&edit, QStringLiteral("9")); // too long
    EXPECT_EQ(edit.Value(), 1500);
    // Text from code is brought within the rules as well.
    edit.setText(QStringLiteral("3000"));
    EXPECT_EQ(edit.text(), QStringLiteral("2000"));
    edit.setText(QStringLiteral("-12x"));
    EXPECT_EQ(edit.text(), QStringLiteral("12"));
}

TEST_F(IntegerEdit, StepsWithArrowKeysAndWheelWithinBounds)
{
    edit.SetValue(1999);
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.Value(), 2000);
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.Value(), 2000);
    QTest::keyClick(&edit, Qt::Key_Down);
    EXPECT_EQ(edit.Value(), 1999);

    edit.SetValue(1);
    Wheel(-120);
    EXPECT_EQ(edit.text(), QStringLiteral("0"));
    Wheel(-120);
    EXPECT_EQ(edit.text(), QStringLiteral("0"));
    Wheel(120);
    Wheel(120);
    EXPECT_EQ(edit.Value(), 2);
}

TEST(CheckBox, ClickHandlerRunsOnEveryChangeOfState)
{
    TKRNStdCheckBox box(QStringLiteral("chbBildLoeschen"));
    box.resize(120, 20);
    int clicks = 0;
    box.SetOnClick([&] { ++clicks; });

    box.SetChecked(true);
    EXPECT_EQ(clicks, 1);
    box.SetChecked(true); // no change
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(clicks, 2);
}

TEST(SpeedButton, IsAFlatSquareWithGlyphAboveCaption)
{
    TKRNStdSpeedButton button(QStringLiteral("spbSave"));
    button.SetCaption(QStringLiteral("Speichern"));
    button.SetHint(QStringLiteral("F5 - Speichern"));
    button.SetGlyph(QStyle::SP_DialogSaveButton);
    EXPECT_EQ(button.size(), QSize(65, 65));
    EXPECT_EQ(button.toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_TRUE(button.autoRaise());
    EXPECT_FALSE(button.icon().isNull());
    EXPECT_EQ(button.toolTip(), QStringLiteral("F5 - Speichern"));
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(button.objectName(), QStringLiteral("spbSave"));
}

TEST(AttachLabel, AcceleratorMovesFocusToTheAttachedControl)
{
    QWidget window;
    window.resize(200, 80);
    auto* other = new TKRNStdEdit(QStringLiteral("edtOther"), &window);
    other->setGeometry(100, 10, 80, 22);
    auto* label = new TKRNAttachLabel(QStringLiteral("lblName"), &window);
    label->setGeometry(10, 40, 80, 22);
    auto* edit = new TKRNStdEdit(QStringLiteral("edtName"), &window);
    edit->setGeometry(100, 40, 80, 22);
    label->SetCaption(QStringLiteral("&Name"));
    label->Attach(edit);
    ASSERT_TRUE(ShowActive(window));
    other->setFocus();

    QTest::keyClick(&window, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(label->Attached(), edit);
}

} // namespace

namespace {

TKRNStdEdit& Configured(TKRNStdEdit& edit, TKRNFieldType type, int maxLength, qint64 maxValue = 99999)
{
    edit.SetMaxLength(maxLength);
    edit.SetFieldType(type);
    edit.SetMaxValue(maxValue);
    return edit;
}

// Control characters, NUL and the marks, overrides and isolates of text
// direction never get in, whichever way the user enters text.
TEST(StdEditInput, RefusesControlAndDirectionCharactersTypedPastedOrComposed)
{
    struct Case
    {
        QString input;
        QString upper; // what an upper-case edit keeps
        QString text;  // what a free-text edit keeps
    };
    const QList<Case> cases{
        {QStringLiteral("AB\u202EGNP.EXE"), QStringLiteral("ABGNP.EXE"), QStringLiteral("ABGNP.EXE")},
        {QStringLiteral("a") + QChar(0) + QStringLiteral("b"), QStringLiteral("AB"), QStringLiteral("ab")},
        {QStringLiteral("x\ty\r\nz\u0085"), QStringLiteral("XYZ"), QStringLiteral("xyz")},
        {QStringLiteral("\u2066li\u2069\u2067re\u2068\u202A\u202B\u202C\u202D"), QStringLiteral("LIRE"),
         QStringLiteral("lire")},
        {QStringLiteral("\u200Fr\u200El\u061C\u001Bm\u007F"), QStringLiteral("RLM"), QStringLiteral("rlm")},
        {QStringLiteral("ÄÖÜ ß-1"), QStringLiteral("ÄÖÜ SS-1"), QStringLiteral("ÄÖÜ ß-1")},
    };
    for (const Case& c : cases) {
        for (const TKRNFieldType type : {TKRNFieldType::KRN_Uppercase, TKRNFieldType::KRN_Text}) {
            const QString expected = type == TKRNFieldType::KRN_Uppercase ? c.upper : c.text;
            SCOPED_TRACE(expected.toStdString());
            TKRNStdEdit edit(QStringLiteral("edt"));
            Configured(edit, type, 80);

            QGuiApplication::clipboard()->setText(c.input);
            QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(edit.text(), expected) << "pasted";

            edit.clear();
            QInputMethodEvent composed;
            composed.setCommitString(c.input);
            QCoreApplication::sendEvent(&edit, &composed);
            EXPECT_EQ(edit.text(), expected) << "composed";

            edit.clear();
            for (const QChar ch : c.input) {
                QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
            }
            EXPECT_EQ(edit.text(), expected) << "typed";
        }
    }
}

// A stored value the edit could not take as input is shown exactly and
// read-only, with the reason; only emptying it gives the field free.
TEST(StdEditStoredText, ShowsWhatItCannotTakeExactlyUntilTheUserEmptiesIt)
{
    struct Case
    {
        TKRNFieldType type;
        int maxLength;
        QString stored;
        bool foreign;
    };
    const QList<Case> cases{
        {TKRNFieldType::KRN_Uppercase, 16, QStringLiteral("klein"), true},
        {TKRNFieldType::KRN_Uppercase, 16, QStringLiteral("ABCDEFGHIJKLMNOPQR"), true},
        {TKRNFieldType::KRN_Uppercase, 16, QStringLiteral("ZWEI\u202E"), true},
        {TKRNFieldType::KRN_Text, 80, QString(100, QLatin1Char('x')), true},
        {TKRNFieldType::KRN_Text, 80, QStringLiteral("Zeile 1\nZeile 2"), true},
        {TKRNFieldType::KRN_Integer, 5, QStringLiteral("-5"), true},
        {TKRNFieldType::KRN_Integer, 5, QStringLiteral("123456"), true},
        {TKRNFieldType::KRN_Uppercase, 16, QStringLiteral("MUSTER"), false},
        {TKRNFieldType::KRN_Integer, 5, QStringLiteral("99999"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        TKRNStdEdit edit(QStringLiteral("edt"));
        Configured(edit, c.type, c.maxLength);
        edit.setToolTip(QStringLiteral("eigener Hinweis"));
        edit.SetStoredText(c.stored);
        EXPECT_EQ(edit.text(), c.stored);
        EXPECT_TRUE(edit.ShowsStoredText());
        EXPECT_EQ(edit.HoldsForeignText(), c.foreign);
        EXPECT_EQ(edit.isReadOnly(), c.foreign);
        EXPECT_EQ(edit.toolTip().contains(QStringLiteral("unverändert")), c.foreign);
        if (!c.foreign) {
            continue;
        }
        QTest::keyClicks(&edit, QStringLiteral("7"));
        EXPECT_EQ(edit.text(), c.stored) << "read-only";

        QTest::keyClick(&edit, Qt::Key_Delete);
        EXPECT_TRUE(edit.text().isEmpty());
        EXPECT_FALSE(edit.HoldsForeignText());
        EXPECT_FALSE(edit.ShowsStoredText());
        EXPECT_EQ(edit.toolTip(), QStringLiteral("eigener Hinweis"));
        QTest::keyClicks(&edit, QStringLiteral("1234567"));
        EXPECT_EQ(edit.text().size(), std::min(c.maxLength, 7)) << "the limits apply again";
    }
}

} // namespace
