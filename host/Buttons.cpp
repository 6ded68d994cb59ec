#include "host/Buttons.h"

#include "host/ButtonsAccessible.h"
#include "host/KRNContrast.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>

TButtonItem::~TButtonItem()
{
    if (m_accessibleId != 0) {
        QAccessible::deleteAccessibleInterface(m_accessibleId);
    }
}

void TButtonItem::Changed()
{
    m_owner->ItemsChanged();
}

void TButtonItem::SetButtonName(const QString& name)
{
    m_buttonName = name;
}

void TButtonItem::SetLeftCaption(const QString& caption)
{
    m_leftCaption = caption;
    Changed();
    m_owner->Announce(m_owner->m_items.Position(this), QAccessible::NameChanged);
}

void TButtonItem::SetRightCaption(const QString& caption)
{
    m_rightCaption = caption;
    Changed();
    m_owner->Announce(m_owner->m_items.Position(this), QAccessible::NameChanged);
}

void TButtonItem::SetButtonType(TButtonType type)
{
    m_buttonType = type;
    Changed();
}

void TButtonItem::SetVisible(bool visible)
{
    m_visible = visible;
    Changed();
}

void TButtonItem::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    Changed();
    m_owner->Announce(m_owner->m_items.Position(this), QAccessible::StateChanged);
}

TButtonItem* TButtonItems::Item(int position) const
{
    if (position < 0 || position >= Count()) {
        return nullptr;
    }
    return m_items[static_cast<size_t>(position)].get();
}

TButtonItem* TButtonItems::Insert(int position)
{
    position = std::clamp(position, 0, Count());
    auto* item = new TButtonItem(m_owner);
    m_items.insert(m_items.begin() + position, std::unique_ptr<TButtonItem>(item));
    if (m_owner->m_focused >= position) {
        ++m_owner->m_focused;
    }
    m_owner->ItemsChanged();
    m_owner->Announce(position, QAccessible::ObjectCreated);
    return item;
}

void TButtonItems::Delete(int position)
{
    if (position < 0 || position >= Count()) {
        return;
    }
    m_owner->Announce(position, QAccessible::ObjectDestroyed);
    m_items.erase(m_items.begin() + position);
    if (m_owner->m_focused > position) {
        --m_owner->m_focused;
    }
    m_owner->ItemsChanged();
}

void TButtonItems::Clear()
{
    m_items.clear();
    m_owner->m_focused = -1;
    m_owner->ItemsChanged();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(m_owner, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
}

int TButtonItems::IndexOf(const QString& buttonName) const
{
    for (int i = 0; i < Count(); ++i) {
        if (m_items[static_cast<size_t>(i)]->ButtonName() == buttonName) {
            return i;
        }
    }
    return -1;
}

int TButtonItems::Position(const TButtonItem* item) const
{
    for (int i = 0; i < Count(); ++i) {
        if (m_items[static_cast<size_t>(i)].get() == item) {
            return i;
        }
    }
    return -1;
}

QStringList TButtonItems::ButtonNames() const
{
    QStringList names;
    for (const auto& item : m_items) {
        names.append(item->ButtonName());
    }
    return names;
}

TButtons::TButtons(const QString& name, QWidget* parent)
    : QWidget(parent), m_items(this), m_scrollUp(new QToolButton(this)), m_scrollDown(new QToolButton(this))
{
    TButtonsAccessible::Install();
    setObjectName(name);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    const auto setUpScrollButton = [this](QToolButton* button, Qt::ArrowType arrow, int step) {
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->hide();
        connect(button, &QToolButton::clicked, this, [this, step] { ScrollBy(step); });
    };
    setUpScrollButton(m_scrollUp, Qt::UpArrow, -1);
    setUpScrollButton(m_scrollDown, Qt::DownArrow, 1);
    m_scrollUp->setObjectName(QStringLiteral("btnScrollUp"));
    m_scrollDown->setObjectName(QStringLiteral("btnScrollDown"));
    m_scrollUp->setAccessibleName(QStringLiteral("Nach oben blättern"));
    m_scrollDown->setAccessibleName(QStringLiteral("Nach unten blättern"));
}

TButtons::~TButtons() = default;

QSize TButtons::sizeHint() const
{
    return QSize(405, 340);
}

void TButtons::SetNote(const QString& note)
{
    if (note == m_note) {
        return;
    }
    m_note = note;
    Relayout();
    update();
}

int TButtons::NoteHeight() const
{
    if (m_note.isEmpty() || width() <= 2 * NoteMargin) {
        return 0;
    }
    const QRect bounds(0, 0, width() - 2 * NoteMargin, 10000);
    return fontMetrics().boundingRect(bounds, Qt::AlignHCenter | Qt::TextWordWrap, m_note).height();
}

void TButtons::SetColor(const QColor& color)
{
    m_color = color;
    update();
}

TButtonColors TButtons::Colors() const
{
    const QPalette& p = palette();
    const QColor base = p.color(QPalette::Base);
    const QColor text = p.color(QPalette::Text);
    const bool dark = KRNIsDark(p);
    TButtonColors c;
    c.Background = m_color.isValid() ? m_color : base;
    // A dark theme gets the greys mirrored: as far from its base as the
    // design's greys are from white.
    const QColor head = dark ? KRNMix(base, text, 1.0 - HeadColor().valueF()) : HeadColor();
    const QColor menu = dark ? KRNMix(base, text, 1.0 - MenuColor().valueF()) : MenuColor();
    c.HeadText = KRNClearest(head, {text, base});
    c.Head = KRNSetApart(head, c.HeadText);
    // Entries in the page's own colour on grey, as designed; the grey gives
    // way where the two stand too close.
    c.MenuText = base;
    c.Menu = KRNSetApart(menu, c.MenuText);
    c.FocusText = KRNClearest(AccentColor(), {base, text});
    c.Focus = KRNSetApart(AccentColor(), c.FocusText);
    c.Hover = KRNSetApart(KRNMix(c.Menu, c.Focus, 0.4), c.MenuText);
    c.DisabledText = KRNSetApart(KRNMix(c.MenuText, c.Menu, 0.6), c.Menu, KRNControlContrast);
    c.Note = KRNSetApart(KRNMix(p.color(QPalette::WindowText), c.Background, 0.35), c.Background);
    return c;
}

void TButtons::Announce(int position, int event) const
{
    if (!QAccessible::isActive()) {
        return;
    }
    const int child = TButtonsAccessible::ChildIndex(*this, position);
    if (child < 0) {
        return;
    }
    const auto type = static_cast<QAccessible::Event>(event);
    if (type == QAccessible::StateChanged) {
        QAccessible::State changed;
        changed.disabled = true;
        changed.focusable = true;
        QAccessibleStateChangeEvent stateEvent(const_cast<TButtons*>(this), changed);
        stateEvent.setChild(child);
        QAccessible::updateAccessibility(&stateEvent);
        return;
    }
    QAccessibleEvent plain(const_cast<TButtons*>(this), type);
    plain.setChild(child);
    QAccessible::updateAccessibility(&plain);
}

void TButtons::AnnounceFocus() const
{
    if (hasFocus()) {
        Announce(m_focused, QAccessible::Focus);
    }
}

bool TButtons::Click(int position)
{
    const TButtonItem* item = m_items.Item(position);
    if (!item || !item->Clickable() || !m_onBtnClick) {
        return false;
    }
    const QString name = item->ButtonName(); // the handler may change the entries
    m_onBtnClick(this, position, name);
    return true;
}

void TButtons::SetFocusedIndex(int position)
{
    const TButtonItem* item = m_items.Item(position);
    const int before = m_focused;
    m_focused = item && item->Clickable() ? position : -1;
    EnsureVisible(m_focused);
    update();
    if (m_focused != before) {
        AnnounceFocus();
    }
}

void TButtons::ItemsChanged()
{
    m_hover = -1;
    m_pressed = -1;
    const TButtonItem* focused = m_items.Item(m_focused);
    const bool focusMoves = m_focused >= 0 && !(focused && focused->Clickable());
    if (focusMoves) {
        const int next = NextClickable(std::min(m_focused, m_items.Count()) - 1, 1);
        m_focused = next >= 0 ? next : NextClickable(m_items.Count(), -1);
    }
    Relayout();
    update();
    if (focusMoves) {
        AnnounceFocus();
    }
}

int TButtons::ItemHeight(int position) const
{
    const TButtonItem* item = m_items.Item(position);
    if (!item || !item->Visible()) {
        return 0;
    }
    return item->ButtonType() == btHead ? HeadHeight : MenuHeight;
}

int TButtons::ContentHeight(int from) const
{
    int total = 0;
    for (int i = from; i < m_items.Count(); ++i) {
        if (const int h = ItemHeight(i); h > 0) {
            total += (total > 0 ? Spacing : 0) + h;
        }
    }
    return total;
}

void TButtons::Relayout()
{
    const int count = m_items.Count();
    m_rects.assign(static_cast<size_t>(count), QRect());
    m_noteRect = QRect();
    m_scrollable = ContentHeight(0) > height();
    m_scrollUp->setVisible(m_scrollable);
    m_scrollDown->setVisible(m_scrollable);

    int y = 0;
    int areaBottom = height();
    if (m_scrollable) {
        const int areaTop = ScrollButtonHeight + Spacing;
        areaBottom = height() - ScrollButtonHeight - Spacing;
        m_scrollUp->setGeometry(0, 0, width(), ScrollButtonHeight);
        m_scrollDown->setGeometry(0, height() - ScrollButtonHeight, width(), ScrollButtonHeight);
        // Never scroll further than needed to show the last entry.
        int maxTop = 0;
        while (maxTop < count && ContentHeight(maxTop) > areaBottom - areaTop) {
            ++maxTop;
        }
        m_top = std::clamp(m_top, 0, maxTop);
        y = areaTop;
    } else {
        m_top = 0;
        // The entries stand centred, together with the note when it fits.
        const int noteHeight = NoteHeight();
        const int withNote = ContentHeight(0) + NoteGap + noteHeight;
        if (noteHeight > 0 && withNote <= height()) {
            y = (height() - withNote) / 2;
            m_noteRect =
                QRect(NoteMargin, y + ContentHeight(0) + NoteGap, width() - 2 * NoteMargin, noteHeight);
        } else {
            y = (height() - ContentHeight(0)) / 2;
        }
    }
    bool moreBelow = false;
    for (int i = m_top; i < count; ++i) {
        const int h = ItemHeight(i);
        if (h == 0) {
            continue;
        }
        if (y < areaBottom) {
            m_rects[static_cast<size_t>(i)] = QRect(0, y, width(), std::min(h, areaBottom - y));
        }
        moreBelow = moreBelow || y + h > areaBottom;
        y += h + Spacing;
    }
    m_scrollUp->setEnabled(m_scrollable && ContentHeight(0) > ContentHeight(m_top));
    m_scrollDown->setEnabled(m_scrollable && moreBelow);
}

QRect TButtons::ItemRect(int position) const
{
    if (position < 0 || position >= static_cast<int>(m_rects.size())) {
        return QRect();
    }
    return m_rects[static_cast<size_t>(position)];
}

int TButtons::IndexAt(const QPoint& point) const
{
    for (int i = 0; i < static_cast<int>(m_rects.size()); ++i) {
        if (m_rects[static_cast<size_t>(i)].contains(point)) {
            return i;
        }
    }
    return -1;
}

int TButtons::NextClickable(int from, int step) const
{
    for (int i = from + step; i >= 0 && i < m_items.Count(); i += step) {
        if (m_items.Item(i)->Clickable()) {
            return i;
        }
    }
    return -1;
}

void TButtons::MoveFocus(int step)
{
    const int from = m_focused >= 0 ? m_focused : (step > 0 ? -1 : m_items.Count());
    const int next = NextClickable(from, step);
    if (next >= 0) {
        SetFocusedIndex(next);
    }
}

void TButtons::EnsureVisible(int position)
{
    if (!m_scrollable || position < 0) {
        return;
    }
    if (position < m_top) {
        m_top = position;
        // Show the heading right above the entry as well.
        if (position > 0 && m_items.Item(position - 1)->ButtonType() == btHead) {
            m_top = position - 1;
        }
        Relayout();
        return;
    }
    while (m_top < position && ItemRect(position).height() < ItemHeight(position)) {
        ++m_top;
        Relayout();
    }
}

void TButtons::ScrollBy(int step)
{
    if (!m_scrollable) {
        return;
    }
    int top = m_top + step;
    while (top >= 0 && top < m_items.Count() && ItemHeight(top) == 0) {
        top += step;
    }
    if (top < 0 || top >= m_items.Count() || (step > 0 && !m_scrollDown->isEnabled())) {
        return;
    }
    m_top = top;
    Relayout();
    update();
}

void TButtons::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

QRect TButtons::LeftCaptionArea(int position) const
{
    const QRect r = m_rects[static_cast<size_t>(position)];
    if (m_items.Item(position)->ButtonType() == btHead) {
        return QRect(r.left() + HeadCaptionMargin, r.top(),
                     r.width() - HeadCaptionMargin - RightCaptionMargin, ItemHeight(position));
    }
    const int right = std::min(MenuCaptionMargin, r.width() - RightCaptionMargin);
    return QRect(r.left() + RightCaptionMargin, r.top(), right - RightCaptionMargin, ItemHeight(position));
}

QFont TButtons::CaptionFont(TButtonType type) const
{
    // Arial, 16 pixels, bold. A caption that does not fit makes the font of
    // all entries of its kind smaller (the font standing in for Arial may run
    // wider), down to 12 pixels; below that captions are cut.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    font.setBold(true);
    for (int i = 0; i < static_cast<int>(m_rects.size()); ++i) {
        const TButtonItem* item = m_items.Item(i);
        if (m_rects[static_cast<size_t>(i)].isEmpty() || item->ButtonType() != type) {
            continue;
        }
        const int width = LeftCaptionArea(i).width();
        while (font.pixelSize() > 12 && QFontMetrics(font).horizontalAdvance(item->LeftCaption()) > width) {
            font.setPixelSize(font.pixelSize() - 1);
        }
    }
    return font;
}

void TButtons::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const TButtonColors colors = Colors();
    painter.fillRect(rect(), colors.Background);
    const QFont headFont = CaptionFont(btHead);
    const QFont menuFont = CaptionFont(btMenu);
    for (int i = 0; i < static_cast<int>(m_rects.size()); ++i) {
        if (!m_rects[static_cast<size_t>(i)].isEmpty()) {
            PaintItem(painter, colors, i, m_items.Item(i)->ButtonType() == btHead ? headFont : menuFont);
        }
    }
    if (!m_noteRect.isEmpty()) {
        painter.setPen(colors.Note);
        painter.drawText(m_noteRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, m_note);
    }
}

void TButtons::PaintItem(QPainter& painter, const TButtonColors& colors, int position, const QFont& font) const
{
    const TButtonItem& item = *m_items.Item(position);
    const QRect r = m_rects[static_cast<size_t>(position)];
    painter.save();
    painter.setClipRect(r);
    // The full height of the entry, clipped when it is cut by the scroll area.
    const QRect full(r.left(), r.top(), r.width(), ItemHeight(position));

    QColor background = item.ButtonType() == btHead ? colors.Head : colors.Menu;
    QColor text = item.ButtonType() == btHead ? colors.HeadText : colors.MenuText;
    if (item.ButtonType() == btMenu) {
        if (position == m_focused) {
            background = colors.Focus;
            text = colors.FocusText;
        } else if (position == m_hover && item.Enabled()) {
            background = colors.Hover;
        }
        if (!item.Enabled()) {
            text = colors.DisabledText;
        }
    }
    painter.fillRect(full, background);
    if (position == m_pressed) {
        painter.setPen(background.darker(160));
        painter.drawLine(full.topLeft(), full.topRight());
        painter.drawLine(full.topLeft(), full.bottomLeft());
    }
    if (position == m_focused && hasFocus()) {
        // The focus frame, in the entry's text colour.
        painter.setPen(QPen(text, FocusFrameWidth));
        painter.drawRect(QRectF(full).adjusted(FocusFrameInset, FocusFrameInset, -FocusFrameInset, -FocusFrameInset));
    }

    painter.setPen(text);
    painter.setFont(font);
    const int flags = Qt::AlignVCenter | Qt::TextHideMnemonic | Qt::TextSingleLine;
    const QRect leftArea = LeftCaptionArea(position);
    const int leftAlign = item.ButtonType() == btHead ? Qt::AlignLeft : Qt::AlignRight;
    painter.drawText(leftArea, flags | leftAlign,
                     QFontMetrics(font).elidedText(item.LeftCaption(), Qt::ElideRight, leftArea.width()));
    if (!item.RightCaption().isEmpty()) {
        const QRect rightArea = full.adjusted(RightCaptionMargin, 0, -RightCaptionMargin, 0);
        painter.drawText(rightArea, flags | Qt::AlignRight, item.RightCaption());
    }
    painter.restore();
}

void TButtons::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        MoveFocus(-1);
        break;
    case Qt::Key_Down:
        MoveFocus(1);
        break;
    case Qt::Key_Home:
        SetFocusedIndex(NextClickable(-1, 1));
        break;
    case Qt::Key_End:
        SetFocusedIndex(NextClickable(m_items.Count(), -1));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        Click(m_focused);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TButtons::mousePressEvent(QMouseEvent* event)
{
    const int position = IndexAt(event->position().toPoint());
    const TButtonItem* item = m_items.Item(position);
    if (event->button() != Qt::LeftButton || !item || !item->Clickable()) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_pressed = position;
    const int before = m_focused;
    m_focused = position;
    update();
    if (before != position) {
        AnnounceFocus();
    }
}

void TButtons::mouseReleaseEvent(QMouseEvent* event)
{
    const int pressed = m_pressed;
    m_pressed = -1;
    update();
    if (event->button() == Qt::LeftButton && pressed >= 0 &&
        IndexAt(event->position().toPoint()) == pressed) {
        Click(pressed);
    }
}

void TButtons::mouseMoveEvent(QMouseEvent* event)
{
    const int hover = IndexAt(event->position().toPoint());
    if (hover != m_hover) {
        m_hover = hover;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void TButtons::leaveEvent(QEvent* event)
{
    m_hover = -1;
    update();
    QWidget::leaveEvent(event);
}

void TButtons::wheelEvent(QWheelEvent* event)
{
    if (m_scrollable && event->angleDelta().y() != 0) {
        ScrollBy(event->angleDelta().y() > 0 ? -1 : 1);
        event->accept();
        return;
    }
    QWidget::wheelEvent(event);
}

void TButtons::focusInEvent(QFocusEvent* event)
{
    if (m_focused < 0) {
        m_focused = NextClickable(-1, 1);
        EnsureVisible(m_focused);
    }
    update();
    QWidget::focusInEvent(event);
    // After the menu's own focus event, which is sent once this returns.
    QMetaObject::invokeMethod(this, [this] { AnnounceFocus(); }, Qt::QueuedConnection);
}

void TButtons::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}
