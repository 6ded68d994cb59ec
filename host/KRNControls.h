#pragma once

#include <QCheckBox>
#include <QDateEdit>
#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

#include <functional>

// The standard controls of the forms. Each takes its component name, which
// becomes its objectName, and its parent; forms place them in one set-up
// function.

// A container with an optional colour and outer bevel.
class TKRNStdPanel : public QFrame
{
public:
    explicit TKRNStdPanel(const QString& name, QWidget* parent = nullptr);
    // Fills the panel with the colour (invalid: the parent's background).
    void SetColor(const QColor& color);
    // Raised outer bevel on or off (off by default).
    void SetBevelOuter(bool raised);
};

// A line or frame that groups controls.
class TKRNStdBevel : public QWidget
{
public:
    enum TShape
    {
        bsBox,
        bsFrame,
        bsTopLine,
        bsBottomLine,
        bsLeftLine,
        bsRightLine,
    };

    explicit TKRNStdBevel(const QString& name, QWidget* parent = nullptr, TShape shape = bsBottomLine);
    TShape Shape() const { return m_shape; }
    void SetShape(TShape shape);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TShape m_shape;
};

// A button of a form's button bar: 65 x 65, glyph above the caption, flat,
// the hint as tool tip. It never takes the keyboard focus.
class TKRNStdSpeedButton : public QToolButton
{
public:
    explicit TKRNStdSpeedButton(const QString& name, QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    // Sets the caption in a font small enough for it to fit the button.
    void SetCaption(const QString& caption);
    QString Hint() const { return toolTip(); }
    void SetHint(const QString& hint) { setToolTip(hint); }
    // The glyph from the style's standard icons.
    void SetGlyph(QStyle::StandardPixmap glyph);
    void SetFlat(bool flat) { setAutoRaise(flat); }
    // A glyph-only button (the caption is kept as accessible text).
    void SetGlyphOnly(bool glyphOnly);

    static constexpr int DefaultSize = 65;
};

class TKRNStdLabel : public QLabel
{
public:
    explicit TKRNStdLabel(const QString& name, QWidget* parent = nullptr);
    QString Caption() const { return m_elideLines ? m_caption : text(); }
    void SetCaption(const QString& caption);
    // Each line of the caption that is wider than the label is shortened
    // with "…" instead of being cut off at both sides; the whole caption is
    // then the tool tip.
    void SetElideLines(bool elide);
    // The text in the colour, or in one as near to it as keeps the text
    // legible on the label's background; it follows palette changes.
    void SetFontColor(const QColor& color);
    QColor FontColor() const { return m_fontColor; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ShowCaption();
    void ApplyFontColor();

    QString m_caption;
    bool m_elideLines = false;
    QColor m_fontColor;
};

// A label attached to a control: its accelerator ("&Name") moves the focus
// to the control, and it is greyed while the control is disabled.
class TKRNAttachLabel : public TKRNStdLabel
{
public:
    explicit TKRNAttachLabel(const QString& name, QWidget* parent = nullptr);
    void Attach(QWidget* control);
    QWidget* Attached() const { return buddy(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

enum class TKRNFieldType
{
    KRN_Text,
    KRN_Uppercase,
    KRN_Integer,
};

// A one-line edit with a maximum length and a field type. Upper-case fields
// convert what is typed or pasted and never exceed the maximum length;
// integer fields take digits only, up to a maximum value, and step with the
// arrow keys and the mouse wheel. Text and upper-case fields drop control
// characters and direction marks, overrides and isolates from what is typed
// or pasted.
//
// A value read from the store goes in through SetStoredText. One the edit
// could not take as input (too long, not of its field type, with control
// characters) is shown exactly as stored, read-only, with the reason as tool
// tip, so that saving unchanged keeps it; Delete or Backspace empties the
// field for a new entry.
class TKRNStdEdit : public QLineEdit
{
public:
    explicit TKRNStdEdit(const QString& name, QWidget* parent = nullptr);

    // Shows a stored value. With a reason the value is held as foreign even
    // when the edit could take it (the caller knows it cannot mean it).
    void SetStoredText(const QString& text, const QString& reason = QString());
    // The edit holds a stored value it could not take as input.
    bool HoldsForeignText() const { return m_foreign; }
    // The text is still the one last given to SetStoredText.
    bool ShowsStoredText() const { return m_hasStored && text() == m_storedText; }
    // Characters an edit never takes from input: controls (NUL included)
    // and the marks, embeddings, overrides and isolates of text direction.
    static bool IsForbiddenChar(QChar c);

    TKRNFieldType FieldType() const { return m_fieldType; }
    void SetFieldType(TKRNFieldType fieldType);
    int MaxLength() const { return maxLength(); }
    void SetMaxLength(int maxLength);
    qint64 MaxValue() const { return m_maxValue; }
    void SetMaxValue(qint64 maxValue);

    // The value of an integer field (0 when empty).
    qint64 Value() const;
    void SetValue(qint64 value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateValidator();
    void NormalizeInteger();
    void Step(int delta);
    QString RefusalReason(const QString& text) const;
    void ReleaseForeign();

    TKRNFieldType m_fieldType = TKRNFieldType::KRN_Text;
    qint64 m_maxValue = 2147483647;
    int m_maxLength = 32767;
    bool m_foreign = false;
    bool m_hasStored = false;
    QString m_storedText;
    QString m_ownToolTip;
};

// A check box whose click handler runs whenever its state changes, by the
// user or from code.
class TKRNStdCheckBox : public QCheckBox
{
public:
    explicit TKRNStdCheckBox(const QString& name, QWidget* parent = nullptr);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked) { setChecked(checked); }
    // Replaces the click handler.
    void SetOnClick(std::function<void()> handler) { m_onClick = std::move(handler); }

private:
    std::function<void()> m_onClick;
};

// A date field whose lowest date stands for "no date" and shows the
// special text. Tab leaves it then (Qt's date field would keep the focus
// while it shows the special text); with a date Tab steps through day,
// month and year before it leaves, as usual.
class TKRNStdDateEdit : public QDateEdit
{
public:
    explicit TKRNStdDateEdit(const QString& name, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
