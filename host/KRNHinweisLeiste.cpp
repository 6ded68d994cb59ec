#include "host/KRNHinweisLeiste.h"

#include "host/KRNContrast.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

TKRNHinweisLeiste::TKRNHinweisLeiste(QWidget* unten) : QFrame(unten)
{
    setObjectName(QStringLiteral("barHinweis"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    // The tool-tip colours of the palette: set apart from the content in
    // every theme, their text readable on them.
    QPalette farben = palette();
    farben.setColor(QPalette::Window, farben.color(QPalette::ToolTipBase));
    farben.setColor(QPalette::WindowText,
                    KRNSetApart(farben.color(QPalette::ToolTipText), farben.color(QPalette::ToolTipBase)));
    setPalette(farben);

    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("lblHinweis"));
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText);
    m_neuLaden = new QPushButton(QStringLiteral("Neu laden"), this);
    m_neuLaden->setObjectName(QStringLiteral("btnNeuLaden"));
    auto* zeile = new QHBoxLayout(this);
    zeile->setContentsMargins(6, 4, 6, 4);
    zeile->addWidget(m_text, 1);
    zeile->addWidget(m_neuLaden, 0, Qt::AlignVCenter);
    setAccessibleName(QStringLiteral("Hinweis"));
    connect(m_neuLaden, &QPushButton::clicked, this, [this] {
        Verbergen();
        Q_EMIT NeuLaden();
    });
    unten->installEventFilter(this);
    hide();
}

void TKRNHinweisLeiste::Zeigen(const QString& text, bool neuLaden)
{
    m_text->setText(text);
    m_neuLaden->setVisible(neuLaden);
    Platzieren();
    show();
    raise();
}

void TKRNHinweisLeiste::Verbergen()
{
    hide();
}

QString TKRNHinweisLeiste::Text() const
{
    return isHidden() ? QString() : m_text->text();
}

bool TKRNHinweisLeiste::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize && isVisible()) {
        Platzieren();
    }
    return QFrame::eventFilter(watched, event);
}

void TKRNHinweisLeiste::Platzieren()
{
    const QWidget* unten = parentWidget();
    const int breite = unten->width();
    const int hoehe = std::min(unten->height(), heightForWidth(breite) > 0 ? heightForWidth(breite)
                                                                            : sizeHint().height());
    setGeometry(0, unten->height() - hoehe, breite, hoehe);
}
