#include "host/KRNNurLesen.h"

#include "host/store/Store.h"

#include <QAction>
#include <QWidget>

QString KRNNurLesenGrund()
{
    const TStore* store = TStore::Current();
    return store ? store->ReadOnlyReason() : QString();
}

bool KRNSperrenWennNurLesen(std::initializer_list<QObject*> steuerelemente)
{
    const QString grund = KRNNurLesenGrund();
    if (grund.isEmpty()) {
        return false;
    }
    const QString hinweis = QStringLiteral("Nur lesen: ") + grund;
    for (QObject* element : steuerelemente) {
        if (auto* widget = qobject_cast<QWidget*>(element)) {
            widget->setEnabled(false);
            widget->setToolTip(hinweis);
        } else if (auto* action = qobject_cast<QAction*>(element)) {
            action->setEnabled(false);
            action->setToolTip(hinweis);
        }
    }
    return true;
}
