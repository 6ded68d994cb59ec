#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QToolButton;
class TButtons;
class TButtonsAccessible;

enum TButtonType
{
    btHead, // a group heading; not clickable
    btMenu, // a clickable menu entry
};

// One entry of a button menu.
class TButtonItem
{
public:
    ~TButtonItem();
    TButtonItem(const TButtonItem&) = delete;
    TButtonItem& operator=(const TButtonItem&) = delete;

    QString ButtonName() const { return m_buttonName; }
    void SetButtonName(const QString& name);
    QString LeftCaption() const { return m_leftCaption; }
    void SetLeftCaption(const QString& caption);
    QString RightCaption() const { return m_rightCaption; }
    void SetRightCaption(const QString& caption);
    TButtonType ButtonType() const { return m_buttonType; }
    void SetButtonType(TButtonType type);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);

    // A visible, enabled menu entry.
    bool Clickable() const { return m_visible && m_enabled && m_buttonType == btMenu; }

private:
    friend class TButtonItems;
    friend class TButtonsAccessible;
    explicit TButtonItem(TButtons* owner) : m_owner(owner) {}
    void Changed();

    TButtons* m_owner;
    QString m_buttonName;
    QString m_leftCaption;
    QString m_rightCaption;
    TButtonType m_buttonType = btMenu;
    bool m_visible = true;
    bool m_enabled = true;
    // The entry's interface for assistive technology, registered when first
    // asked for and removed with the entry (0: none yet).
    mutable unsigned m_accessibleId = 0;
};

// The ordered entries of a button menu, addressed by position (0-based).
class TButtonItems
{
public:
    explicit TButtonItems(TButtons* owner) : m_owner(owner) {}
    TButtonItems(const TButtonItems&) = delete;
    TButtonItems& operator=(const TButtonItems&) = delete;

    int Count() const { return static_cast<int>(m_items.size()); }
    // The entry at the position; nullptr outside 0 .. Count - 1.
    TButtonItem* Item(int position) const;
    TButtonItem* operator[](int position) const { return Item(position); }
    // A new visible, enabled menu entry at the position (clamped to
    // 0 .. Count); later entries move one place down.
    TButtonItem* Insert(int position);
    TButtonItem* Add() { return Insert(Count()); }
    // Removes the entry at the position; later entries move one place up.
    // A position outside the list changes nothing.
    void Delete(int position);
    void Clear();
    // Position of the first entry with that name, -1 when there is none.
    int IndexOf(const QString& buttonName) const;
    // Position of the entry, -1 when it is not (or no longer) in the list.
    int Position(const TButtonItem* item) const;
    QStringList ButtonNames() const;

private:
    TButtons* m_owner;
    std::vector<std::unique_ptr<TButtonItem>> m_items;
};

// Click on a menu entry: the menu, the entry's position and its ButtonName.
using TBtnClickEvent = std::function<void(QObject* sender, int position, const QString& buttonName)>;

// The colours a button menu paints with, fitted to its palette: each text
// stands out from its background by KRNTextContrast at least (a disabled
// entry's by KRNControlContrast).
struct TButtonColors
{
    QColor Background;
    QColor Head;
    QColor HeadText;
    QColor Menu;
    QColor MenuText;
    QColor Hover; // background of the entry under the mouse; MenuText on it
    QColor Focus; // background of the entry with the focus
    QColor FocusText;
    QColor DisabledText; // on Menu
    QColor Note;         // on Background
};

// A vertical menu of flat buttons in groups under headings. Menu entries
// take the keyboard focus (arrow keys move it, Enter or Space clicks; a
// frame marks the focused entry while the menu has the focus); when the
// entries do not fit, scroll buttons appear above and below. Assistive
// technology sees the headings and entries as children of the menu
// (TButtonsAccessible), hears of focus moves and can press an entry.
class TButtons : public QWidget
{
public:
    explicit TButtons(const QString& name, QWidget* parent = nullptr);
    ~TButtons() override;

    TButtonItems& Items() { return m_items; }
    const TButtonItems& Items() const { return m_items; }

    void SetOnBtnClick(TBtnClickEvent handler) { m_onBtnClick = std::move(handler); }
    const TBtnClickEvent& OnBtnClick() const { return m_onBtnClick; }

    // Clicks the entry as the user would: only a clickable entry fires
    // OnBtnClick. Returns whether it fired.
    bool Click(int position);

    // The entry with the keyboard focus, -1 when none.
    int FocusedIndex() const { return m_focused; }
    void SetFocusedIndex(int position);
    // First entry shown at the top while scrolled.
    int TopIndex() const { return m_top; }
    bool Scrollable() const { return m_scrollable; }
    // Where the entry is drawn; empty when hidden or scrolled out of view.
    QRect ItemRect(int position) const;
    // The entry at a point, -1 when none.
    int IndexAt(const QPoint& point) const;

    // The page behind the entries; invalid (the default): the palette's base.
    void SetColor(const QColor& color);
    TButtonColors Colors() const;

    // A note shown below the entries while there is room for it (e.g. what
    // to do while the menu is still empty); empty: none.
    QString Note() const { return m_note; }
    void SetNote(const QString& note);
    // Where the note is drawn; empty when there is none or no room.
    QRect NoteRect() const { return m_noteRect; }

    // Look. The greys and the accent are the design's colours on a light
    // palette; Colors() fits them to the palette in use.
    static constexpr int HeadHeight = 26;
    static constexpr int MenuHeight = 25;
    static constexpr int ScrollButtonHeight = 25;
    static constexpr int Spacing = 2;
    static constexpr int HeadCaptionMargin = 15;
    static constexpr int MenuCaptionMargin = 350; // right edge of a menu entry's caption
    static constexpr int RightCaptionMargin = 15;
    static constexpr int NoteGap = 12;    // between the last entry and the note
    static constexpr int NoteMargin = 15; // left and right of the note
    static constexpr int FocusFrameWidth = 2;
    static constexpr int FocusFrameInset = 2; // from the edge of the entry to the middle of the frame
    static QColor HeadColor() { return QColor(184, 184, 184); }
    static QColor MenuColor() { return QColor(128, 128, 128); }
    static QColor AccentColor() { return QColor(184, 16, 32); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class TButtonItem;
    friend class TButtonItems;
    friend class TButtonsAccessible;

    // Tells assistive technology about the entry at the position.
    void Announce(int position, int event) const;
    void AnnounceFocus() const;

    void ItemsChanged();
    void Relayout();
    int ItemHeight(int position) const;
    int ContentHeight(int from) const;
    int NoteHeight() const;
    int NextClickable(int from, int step) const;
    void MoveFocus(int step);
    void EnsureVisible(int position);
    void ScrollBy(int step);
    QRect LeftCaptionArea(int position) const;
    QFont CaptionFont(TButtonType type) const;
    void PaintItem(QPainter& painter, const TButtonColors& colors, int position, const QFont& font) const;

    TButtonItems m_items;
    TBtnClickEvent m_onBtnClick;
    std::vector<QRect> m_rects;
    int m_focused = -1;
    int m_hover = -1;
    int m_pressed = -1;
    int m_top = 0;
    bool m_scrollable = false;
    QColor m_color;
    QString m_note;
    QRect m_noteRect;
    QToolButton* m_scrollUp;
    QToolButton* m_scrollDown;
};
