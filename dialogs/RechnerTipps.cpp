#include "dialogs/RechnerTipps.h"

#include "host/VTRTypRNrCheck.h"
#include "host/core/KRNError.h"
#include "transfer/Zuordnung.h"

#include <QHelpEvent>
#include <QToolTip>

TRechnerTipps::TRechnerTipps(TVTRTypRNrCheck& tree, std::function<QString()> kennung)
    : QObject(&tree), m_tree(tree), m_kennung(std::move(kennung))
{
    tree.viewport()->installEventFilter(this);
}

QString TRechnerTipps::TipText(const QModelIndex& index) const
{
    const QModelIndex eintrag = index.siblingAtColumn(0);
    const bool typ = eintrag.parent() == m_tree.RTypGroupIndex();
    if (!eintrag.parent().isValid() || (!typ && eintrag.parent() != m_tree.RNrGroupIndex())) {
        return QString();
    }
    const QString kennung = m_kennung();
    try {
        const TFilterZuordnung zuordnung(kennung);
        if (typ) {
            const QChar rtyp = m_tree.GetRTyp(eintrag.row());
            return QStringLiteral("Rechnertyp %1, Filter %2: %3")
                .arg(rtyp)
                .arg(kennung, zuordnung.Erklaerung(zuordnung.FuerTyp(rtyp)));
        }
        const qint32 rnr = m_tree.GetRNr(eintrag.row());
        return QStringLiteral("Rechner %1, Filter %2: %3")
            .arg(rnr)
            .arg(kennung, zuordnung.Erklaerung(zuordnung.FuerRechner(rnr)));
    } catch (const KRNException& e) {
        return QStringLiteral("Die Zuordnung kann nicht gelesen werden: %1").arg(e.Message());
    }
}

bool TRechnerTipps::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip) {
        return QObject::eventFilter(watched, event);
    }
    const auto* hilfe = static_cast<QHelpEvent*>(event);
    const QString text = TipText(m_tree.indexAt(hilfe->pos()));
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(hilfe->globalPos(), text, m_tree.viewport());
    }
    return true;
}
