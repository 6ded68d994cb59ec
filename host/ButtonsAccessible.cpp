#include "host/ButtonsAccessible.h"

#include "host/Buttons.h"

#include <QPointer>
#include <QToolButton>
#include <QWindow>

namespace {

// "&&" stands for "&"; a single "&" marks a mnemonic and is not read.
QString WithoutMnemonic(const QString& caption)
{
    QString result;
    result.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
            ++i;
        }
        result += caption[i];
    }
    return result;
}

QAccessibleInterface* MenuFactory(const QString&, QObject* object)
{
    if (auto* menu = dynamic_cast<TButtons*>(object)) {
        return new TButtonsAccessible(menu);
    }
    return nullptr;
}

// One heading or entry of a menu.
class TButtonItemAccessible final : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    TButtonItemAccessible(TButtons* menu, const TButtonItem* item) : m_menu(menu), m_item(item) {}

    bool isValid() const override { return m_menu && Position() >= 0; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        return m_menu && m_menu->window() ? m_menu->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_menu); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid()) {
            return {};
        }
        switch (t) {
        case QAccessible::Name: {
            QString name = WithoutMnemonic(m_item->LeftCaption());
            if (!m_item->RightCaption().isEmpty()) {
                name += QStringLiteral(", ") + WithoutMnemonic(m_item->RightCaption());
            }
            return name;
        }
        case QAccessible::Description:
            return m_item->ButtonType() == btMenu ? Heading() : QString();
        case QAccessible::Accelerator:
            return {};
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override
    {
        if (!isValid()) {
            return {};
        }
        const QRect r = m_menu->ItemRect(Position());
        return r.isEmpty() ? QRect() : QRect(m_menu->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::Role role() const override
    {
        return m_item->ButtonType() == btHead ? QAccessible::Heading : QAccessible::Button;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const int position = Position();
        s.offscreen = m_menu->ItemRect(position).isEmpty() || !m_menu->isVisible();
        if (m_item->ButtonType() == btMenu) {
            s.disabled = !m_item->Enabled() || !m_menu->isEnabled();
            s.focusable = m_item->Clickable();
            s.focused = m_menu->hasFocus() && m_menu->FocusedIndex() == position;
        }
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ActionInterface && m_item->ButtonType() == btMenu) {
            return static_cast<QAccessibleActionInterface*>(this);
        }
        return nullptr;
    }

    QStringList actionNames() const override
    {
        if (!isValid() || !m_item->Clickable()) {
            return {};
        }
        return {pressAction(), setFocusAction()};
    }

    void doAction(const QString& actionName) override
    {
        if (!actionNames().contains(actionName)) {
            return;
        }
        const bool press = actionName == pressAction();
        QMetaObject::invokeMethod(
            m_menu,
            [menu = m_menu, item = m_item, press] {
                const int position = menu ? menu->Items().Position(item) : -1;
                if (position < 0) {
                    return;
                }
                menu->setFocus(Qt::OtherFocusReason);
                menu->SetFocusedIndex(position);
                if (press) {
                    menu->Click(position);
                }
            },
            Qt::QueuedConnection);
    }

    QStringList keyBindingsForAction(const QString& actionName) const override
    {
        return actionName == pressAction() ? QStringList{QStringLiteral("Return"), QStringLiteral("Space")}
                                           : QStringList();
    }

private:
    int Position() const { return m_menu ? m_menu->Items().Position(m_item) : -1; }

    // The caption of the nearest heading above the entry.
    QString Heading() const
    {
        for (int i = Position() - 1; i >= 0; --i) {
            if (const TButtonItem* above = m_menu->Items().Item(i); above->ButtonType() == btHead) {
                return WithoutMnemonic(above->LeftCaption());
            }
        }
        return {};
    }

    QPointer<TButtons> m_menu;
    const TButtonItem* m_item;
};

} // namespace

TButtonsAccessible::TButtonsAccessible(TButtons* menu) : QAccessibleWidget(menu, QAccessible::Grouping) {}

void TButtonsAccessible::Install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&MenuFactory);
        return true;
    }();
    (void)installed;
}

TButtons* TButtonsAccessible::Menu() const
{
    return static_cast<TButtons*>(widget());
}

int TButtonsAccessible::ChildIndex(const TButtons& menu, int position)
{
    const TButtonItem* item = menu.Items().Item(position);
    if (!item || !item->Visible()) {
        return -1;
    }
    int index = 0;
    for (int i = 0; i < position; ++i) {
        index += menu.Items().Item(i)->Visible() ? 1 : 0;
    }
    return index;
}

QAccessibleInterface* TButtonsAccessible::ItemInterface(TButtons& menu, const TButtonItem& item)
{
    if (item.m_accessibleId == 0) {
        item.m_accessibleId = QAccessible::registerAccessibleInterface(new TButtonItemAccessible(&menu, &item));
    }
    return QAccessible::accessibleInterface(item.m_accessibleId);
}

QString TButtonsAccessible::text(QAccessible::Text t) const
{
    QString result = QAccessibleWidget::text(t);
    if (result.isEmpty() && t == QAccessible::Name) {
        result = QStringLiteral("Menü");
    } else if (result.isEmpty() && t == QAccessible::Description) {
        result = Menu()->Note();
    }
    return result;
}

int TButtonsAccessible::childCount() const
{
    const TButtonItems& items = Menu()->Items();
    int count = 0;
    for (int i = 0; i < items.Count(); ++i) {
        count += items.Item(i)->Visible() ? 1 : 0;
    }
    for (const QToolButton* scroll : {Menu()->m_scrollUp, Menu()->m_scrollDown}) {
        count += scroll->isVisibleTo(Menu()) ? 1 : 0;
    }
    return count;
}

QAccessibleInterface* TButtonsAccessible::child(int index) const
{
    if (index < 0) {
        return nullptr;
    }
    TButtons& menu = *Menu();
    const TButtonItems& items = menu.Items();
    for (int i = 0; i < items.Count(); ++i) {
        if (items.Item(i)->Visible() && index-- == 0) {
            return ItemInterface(menu, *items.Item(i));
        }
    }
    for (QToolButton* scroll : {menu.m_scrollUp, menu.m_scrollDown}) {
        if (scroll->isVisibleTo(&menu) && index-- == 0) {
            return QAccessible::queryAccessibleInterface(scroll);
        }
    }
    return nullptr;
}

int TButtonsAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    for (int i = 0; i < childCount(); ++i) {
        if (this->child(i) == child) {
            return i;
        }
    }
    return -1;
}

QAccessibleInterface* TButtonsAccessible::childAt(int x, int y) const
{
    for (int i = 0; i < childCount(); ++i) {
        QAccessibleInterface* candidate = child(i);
        if (candidate && candidate->rect().contains(x, y)) {
            return candidate;
        }
    }
    return nullptr;
}

QAccessibleInterface* TButtonsAccessible::focusChild() const
{
    TButtons& menu = *Menu();
    const TButtonItem* item = menu.Items().Item(menu.FocusedIndex());
    return menu.hasFocus() && item ? ItemInterface(menu, *item) : nullptr;
}
