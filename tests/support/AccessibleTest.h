#pragma once

// Looking at widgets as assistive technology does, through Qt's
// accessibility interfaces on the offscreen platform.

#include <QAccessible>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <string>

// A list as one line per entry, for readable failures.
inline std::string Lines(const QStringList& lines)
{
    return lines.join(QLatin1Char('\n')).toStdString();
}

inline QAccessibleInterface* Accessible(QWidget* widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

// Every interface below the root, depth first; the cells of item views are
// not entered (a view's rows are its model's business).
inline void WalkAccessible(QAccessibleInterface* root, const std::function<void(QAccessibleInterface*)>& visit)
{
    if (!root) {
        return;
    }
    visit(root);
    const QAccessible::Role role = root->role();
    if (role == QAccessible::Table || role == QAccessible::Tree || role == QAccessible::List) {
        return;
    }
    for (int i = 0; i < root->childCount(); ++i) {
        WalkAccessible(root->child(i), visit);
    }
}

// The child of the interface with that name (and description, when given).
inline QAccessibleInterface* AccessibleChild(QAccessibleInterface* parent, const QString& name,
                                             const QString& description = QString())
{
    for (int i = 0; parent && i < parent->childCount(); ++i) {
        QAccessibleInterface* child = parent->child(i);
        if (child && child->text(QAccessible::Name) == name &&
            (description.isNull() || child->text(QAccessible::Description) == description)) {
            return child;
        }
    }
    return nullptr;
}
