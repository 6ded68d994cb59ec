#include "host/KRNControls.h"

#include "host/KRNContrast.h"
#include "host/core/KRNConvert.h"

#include <QFontMetrics>
#include <QApplication>
#include <QIconEngine>

#include <QKeyEvent>
#include <QPainter>
#include <QValidator>
#include <QWheelEvent>

#include <algorithm>

namespace {

// A glyph of the application's style, read from its image files only when
// it is first painted: every form builds its button bar at start-up, most
// of them are not shown yet.
class TStyleGlyphEngine final : public QIconEngine
{
public:
    explicit TStyleGlyphEngine(QStyle::StandardPixmap glyph) : m_glyph(glyph) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return Icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new TStyleGlyphEngine(m_glyph); }
    QString key() const override { return QStringLiteral("TStyleGlyphEngine"); }
    bool isNull() override { return false; }

private:
    const QIcon& Icon()
    {
        if (m_icon.isNull()) {
            m_icon = QApplication::style()->standardIcon(m_glyph);
        }
        return m_icon;
    }

    QStyle::StandardPixmap m_glyph;
    QIcon m_icon;
};

QString WithoutForbidden(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (!TKRNStdEdit::IsForbiddenChar(c)) {
            result += c;
        }
    }
    return result;
}

// Free text: what is typed or pasted loses its forbidden characters.
class TextValidator final : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override
    {
        pos = std::clamp(pos, 0, static_cast<int>(input.size()));
        const QString before = WithoutForbidden(input.left(pos));
        input = before + WithoutForbidden(input.mid(pos));
        pos = static_cast<int>(before.size());
        return Acceptable;
    }
};

// Converts to upper case and keeps the text within the edit's maximum
// length. Upper case can be longer than the input ("ß" becomes "SS"); what
// does not fit is cut from the text just typed or pasted (the part before
// the cursor), never from the text that stood there before.
class UppercaseValidator final : public QValidator
{
public:
    explicit UppercaseValidator(QLineEdit* edit) : QValidator(edit), m_edit(edit) {}

    State validate(QString& input, int& pos) const override
    {
        const qsizetype maxLength = m_edit->maxLength();
        pos = std::clamp(pos, 0, static_cast<int>(input.size()));
        QString before = WithoutForbidden(input.left(pos)).toUpper();
        QString after = WithoutForbidden(input.mid(pos)).toUpper();
        if (after.size() > maxLength) {
            after.truncate(maxLength);
        }
        if (before.size() + after.size() > maxLength) {
            before.truncate(maxLength - after.size());
        }
        input = before + after;
        pos = static_cast<int>(before.size());
        return Acceptable;
    }

private:
    QLineEdit* m_edit;
};

// Digits only, up to a maximum value; empty is allowed.
class IntegerValidator final : public QValidator
{
public:
    IntegerValidator(QObject* parent, qint64 maxValue) : QValidator(parent), m_maxValue(maxValue) {}

    State validate(QString& input, int&) const override
    {
        if (input.isEmpty()) {
            return Acceptable;
        }
        for (const QChar c : input) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                return Invalid;
            }
        }
        bool ok = false;
        const qint64 value = input.toLongLong(&ok);
        return ok && value <= m_maxValue ? Acceptable : Invalid;
    }

private:
    qint64 m_maxValue;
};

} // namespace

TKRNStdPanel::TKRNStdPanel(const QString& name, QWidget* parent) : QFrame(parent)
{
    setObjectName(name);
    setFrameStyle(QFrame::NoFrame);
}

void TKRNStdPanel::SetColor(const QColor& color)
{
    setAutoFillBackground(color.isValid());
    if (color.isValid()) {
        QPalette p = palette();
        p.setColor(QPalette::Window, color);
        setPalette(p);
    }
}

void TKRNStdPanel::SetBevelOuter(bool raised)
{
    setFrameStyle(raised ? (QFrame::Panel | QFrame::Raised) : QFrame::NoFrame);
}

TKRNStdBevel::TKRNStdBevel(const QString& name, QWidget* parent, TShape shape)
    : QWidget(parent), m_shape(shape)
{
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TKRNStdBevel::SetShape(TShape shape)
{
    m_shape = shape;
    update();
}

void TKRNStdBevel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor dark = palette().color(QPalette::Mid);
    const QColor light = palette().color(QPalette::Light);
    const int r = width() - 1;
    const int b = height() - 1;
    // A lowered line: dark, with a light line beside it.
    auto hLine = [&](int y) {
        painter.setPen(dark);
        painter.drawLine(0, y, r, y);
        painter.setPen(light);
        painter.drawLine(0, y + 1, r, y + 1);
    };
    auto vLine = [&](int x) {
        painter.setPen(dark);
        painter.drawLine(x, 0, x, b);
        painter.setPen(light);
        painter.drawLine(x + 1, 0, x + 1, b);
    };
    switch (m_shape) {
    case bsBox:
        painter.setPen(dark);
        painter.drawLine(0, 0, r, 0);
        painter.drawLine(0, 0, 0, b);
        painter.setPen(light);
        painter.drawLine(0, b, r, b);
        painter.drawLine(r, 0, r, b);
        break;
    case bsFrame:
        painter.setPen(dark);
        painter.drawRect(0, 0, r - 1, b - 1);
        painter.setPen(light);
        painter.drawRect(1, 1, r - 1, b - 1);
        break;
    case bsTopLine:
        hLine(0);
        break;
    case bsBottomLine:
        hLine(b - 1);
        break;
    case bsLeftLine:
        vLine(0);
        break;
    case bsRightLine:
        vLine(r - 1);
        break;
    }
}

TKRNStdSpeedButton::TKRNStdSpeedButton(const QString& name, QWidget* parent) : QToolButton(parent)
{
    setObjectName(name);
    resize(DefaultSize, DefaultSize);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(32, 32));
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    // Button bars use a font one point smaller, so that captions such as
    // "Abbrechen" fit the button instead of being elided.
    QFont captionFont = font();
    if (captionFont.pointSizeF() > 2.0) {
        captionFont.setPointSizeF(captionFont.pointSizeF() - 1.0);
        setFont(captionFont);
    }
}

void TKRNStdSpeedButton::SetCaption(const QString& caption)
{
    setText(caption);
    // Wide fonts (DejaVu stands in for the designed one) would elide
    // "Abbrechen"; shrink the caption's font until it fits, down to 6 points.
    constexpr qreal kMinimumPoints = 6.0;
    const int room = DefaultSize - 6;
    QFont captionFont = font();
    while (captionFont.pointSizeF() > kMinimumPoints &&
           QFontMetrics(captionFont).horizontalAdvance(caption) > room) {
        captionFont.setPointSizeF(captionFont.pointSizeF() - 0.5);
    }
    setFont(captionFont);
}

void TKRNStdSpeedButton::SetGlyph(QStyle::StandardPixmap glyph)
{
    setIcon(QIcon(new TStyleGlyphEngine(glyph)));
}

void TKRNStdSpeedButton::SetGlyphOnly(bool glyphOnly)
{
    setToolButtonStyle(glyphOnly ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextUnderIcon);
    setIconSize(glyphOnly ? QSize(20, 20) : QSize(32, 32));
}

TKRNStdLabel::TKRNStdLabel(const QString& name, QWidget* parent) : QLabel(parent)
{
    setObjectName(name);
}

void TKRNStdLabel::SetCaption(const QString& caption)
{
    m_caption = caption;
    ShowCaption();
}

void TKRNStdLabel::SetElideLines(bool elide)
{
    m_caption = Caption();
    m_elideLines = elide;
    ShowCaption();
}

void TKRNStdLabel::ShowCaption()
{
    if (!m_elideLines) {
        setText(m_caption);
        return;
    }
    const QFontMetrics metrics(font());
    const int room = contentsRect().width() - 2 * margin();
    QStringList lines = m_caption.split(QLatin1Char('\n'));
    bool elided = false;
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        const QString shown = metrics.elidedText(line, Qt::ElideRight, room);
        elided = elided || shown != line;
        line = shown;
    }
    setText(lines.join(QLatin1Char('\n')));
    setToolTip(elided ? QString(m_caption).remove(QLatin1Char('\r')) : QString());
}

void TKRNStdLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    if (m_elideLines) {
        ShowCaption();
    }
}

void TKRNStdLabel::SetFontColor(const QColor& color)
{
    m_fontColor = color;
    ApplyFontColor();
}

void TKRNStdLabel::ApplyFontColor()
{
    if (!m_fontColor.isValid()) {
        return;
    }
    const QColor shown = KRNSetApart(m_fontColor, palette().color(backgroundRole()));
    if (palette().color(foregroundRole()) != shown) {
        QPalette p = palette();
        p.setColor(foregroundRole(), shown);
        setPalette(p); // comes back here once, with nothing left to change
    }
}

void TKRNStdLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (m_elideLines && event->type() == QEvent::FontChange) {
        ShowCaption();
    }
    if (event->type() == QEvent::PaletteChange) {
        ApplyFontColor();
    }
}

TKRNAttachLabel::TKRNAttachLabel(const QString& name, QWidget* parent) : TKRNStdLabel(name, parent) {}

void TKRNAttachLabel::Attach(QWidget* control)
{
    if (buddy()) {
        buddy()->removeEventFilter(this);
    }
    setBuddy(control);
    if (control) {
        control->installEventFilter(this);
        setEnabled(control->isEnabled());
    }
}

bool TKRNAttachLabel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == buddy() && event->type() == QEvent::EnabledChange) {
        setEnabled(buddy()->isEnabled());
    }
    return TKRNStdLabel::eventFilter(watched, event);
}

TKRNStdEdit::TKRNStdEdit(const QString& name, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(name);
    connect(this, &QLineEdit::textChanged, this, &TKRNStdEdit::NormalizeInteger);
    UpdateValidator();
}

bool TKRNStdEdit::IsForbiddenChar(QChar c)
{
    return KRNVerbotenesZeichen(c);
}

QString TKRNStdEdit::RefusalReason(const QString& text) const
{
    if (std::any_of(text.begin(), text.end(), IsForbiddenChar)) {
        return QStringLiteral("Der gespeicherte Wert enthält Steuer- oder Richtungszeichen.");
    }
    if (text.size() > m_maxLength) {
        return QStringLiteral("Der gespeicherte Wert ist länger als %1 Zeichen.").arg(m_maxLength);
    }
    if (m_fieldType == TKRNFieldType::KRN_Uppercase && text != text.toUpper()) {
        return QStringLiteral("Der gespeicherte Wert enthält Kleinbuchstaben.");
    }
    if (m_fieldType == TKRNFieldType::KRN_Integer) {
        QString copy = text;
        int pos = 0;
        if (IntegerValidator(nullptr, m_maxValue).validate(copy, pos) != QValidator::Acceptable) {
            return QStringLiteral("Der gespeicherte Wert ist keine ganze Zahl von 0 bis %1.").arg(m_maxValue);
        }
    }
    return QString();
}

void TKRNStdEdit::SetStoredText(const QString& text, const QString& reason)
{
    const QString why = reason.isEmpty() ? RefusalReason(text) : reason;
    m_storedText = text;
    m_hasStored = true;
    if (why.isEmpty()) {
        if (m_foreign) {
            ReleaseForeign();
        }
        setText(text);
        return;
    }
    if (!m_foreign) {
        m_ownToolTip = toolTip();
        m_foreign = true;
    }
    // Neither the validator nor the length may touch the stored value.
    UpdateValidator();
    QLineEdit::setMaxLength(std::max(m_maxLength, static_cast<int>(text.size())));
    setReadOnly(true);
    setText(text);
    setCursorPosition(0);
    setToolTip(why + QStringLiteral(" Er bleibt beim Speichern unverändert; Entf leert das Feld "
                                    "für eine neue Eingabe."));
}

void TKRNStdEdit::ReleaseForeign()
{
    m_foreign = false;
    setReadOnly(false);
    setToolTip(m_ownToolTip);
    QLineEdit::setMaxLength(m_maxLength);
    UpdateValidator();
}

void TKRNStdEdit::NormalizeInteger()
{
    if (m_fieldType != TKRNFieldType::KRN_Integer || !validator() || m_foreign) {
        return;
    }
    QString current = text();
    int pos = 0;
    if (validator()->validate(current, pos) != QValidator::Invalid) {
        return;
    }
    // Text set from code that a user could not have typed: keep its digits,
    // at most the maximum.
    QString digits;
    for (const QChar c : current) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits += c;
        }
    }
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    setText(digits.isEmpty() ? QString() : QString::number(ok ? std::min(value, m_maxValue) : m_maxValue));
}

void TKRNStdEdit::SetFieldType(TKRNFieldType fieldType)
{
    m_fieldType = fieldType;
    UpdateValidator();
}

void TKRNStdEdit::SetMaxLength(int maxLength)
{
    m_maxLength = maxLength;
    if (m_foreign) {
        return; // applies once the stored value has been given up
    }
    setMaxLength(maxLength);
    // Re-validate: the upper-case conversion may need to shorten.
    UpdateValidator();
}

void TKRNStdEdit::SetMaxValue(qint64 maxValue)
{
    m_maxValue = std::max<qint64>(0, maxValue);
    UpdateValidator();
}

void TKRNStdEdit::UpdateValidator()
{
    const QValidator* old = validator();
    if (m_foreign) {
        // A foreign stored value is shown untouched.
        setValidator(nullptr);
        delete old;
        return;
    }
    switch (m_fieldType) {
    case TKRNFieldType::KRN_Text:
        setValidator(new TextValidator(this));
        break;
    case TKRNFieldType::KRN_Uppercase:
        setValidator(new UppercaseValidator(this));
        break;
    case TKRNFieldType::KRN_Integer:
        setValidator(new IntegerValidator(this, m_maxValue));
        break;
    }
    delete old;
    // Bring text already there into the new form.
    if (validator() && !text().isEmpty()) {
        QString current = text();
        int pos = static_cast<int>(current.size());
        if (validator()->validate(current, pos) == QValidator::Invalid) {
            NormalizeInteger();
        } else if (current != text()) {
            setText(current);
        }
    }
}

qint64 TKRNStdEdit::Value() const
{
    return text().toLongLong();
}

void TKRNStdEdit::SetValue(qint64 value)
{
    setText(QString::number(std::clamp<qint64>(value, 0, m_maxValue)));
}

void TKRNStdEdit::Step(int delta)
{
    if (isReadOnly()) {
        return;
    }
    const qint64 next = std::clamp<qint64>(Value() + delta, 0, m_maxValue);
    const QString nextText = QString::number(next);
    if (maxLength() >= nextText.size() && nextText != text()) {
        setText(nextText);
        Q_EMIT textEdited(nextText);
    }
}

void TKRNStdEdit::keyPressEvent(QKeyEvent* event)
{
    if (m_foreign && event->modifiers() == Qt::NoModifier &&
        (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)) {
        ReleaseForeign();
        clear();
        setModified(true);
        Q_EMIT textEdited(QString());
        event->accept();
        return;
    }
    if (m_fieldType == TKRNFieldType::KRN_Integer && event->modifiers() == Qt::NoModifier &&
        (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        Step(event->key() == Qt::Key_Up ? 1 : -1);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TKRNStdEdit::wheelEvent(QWheelEvent* event)
{
    if (m_fieldType == TKRNFieldType::KRN_Integer && event->angleDelta().y() != 0) {
        Step(event->angleDelta().y() > 0 ? 1 : -1);
        event->accept();
        return;
    }
    QLineEdit::wheelEvent(event);
}

TKRNStdCheckBox::TKRNStdCheckBox(const QString& name, QWidget* parent) : QCheckBox(parent)
{
    setObjectName(name);
    connect(this, &QCheckBox::toggled, this, [this] {
        if (m_onClick) {
            m_onClick();
        }
    });
}

TKRNStdDateEdit::TKRNStdDateEdit(const QString& name, QWidget* parent) : QDateEdit(parent)
{
    setObjectName(name);
}

void TKRNStdDateEdit::keyPressEvent(QKeyEvent* event)
{
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && !specialValueText().isEmpty() && date() == minimumDate() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        event->accept();
        QWidget::focusNextPrevChild(event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
        return;
    }
    QDateEdit::keyPressEvent(event);
}
