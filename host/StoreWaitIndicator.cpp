#include "host/StoreWaitIndicator.h"

#include "host/core/KRNMeldungen.h"

#include <QApplication>
#include <QProgressBar>
#include <QProgressDialog>

TStoreWaitIndicator::~TStoreWaitIndicator()
{
    WaitEnds();
}

void TStoreWaitIndicator::WaitBegins()
{
    if (!m_cursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_cursor = true;
    }
}

void TStoreWaitIndicator::StillWaiting(int elapsedMs, int limitMs)
{
    if (elapsedMs >= kDelayMs && !m_window) {
        m_window = new QProgressDialog(KRNMeldungsText(150, QStringLiteral("DATENBESTAND")), QString(), 0,
                                       limitMs, QApplication::activeWindow());
        m_window->setWindowTitle(QApplication::applicationDisplayName());
        // Assistive technology reads the reason with the window and the bar.
        auto* bar = new QProgressBar(m_window);
        bar->setAccessibleName(QStringLiteral("Wartezeit"));
        m_window->setBar(bar);
        m_window->setAccessibleDescription(m_window->labelText());
        m_window->setWindowModality(Qt::ApplicationModal);
        m_window->setMinimumDuration(0);
        m_window->setAutoClose(false);
        m_window->setAutoReset(false);
        m_window->show();
    }
    if (m_window) {
        m_window->setValue(std::min(elapsedMs, limitMs));
    }
    // Repaints only: a click must not start other work while the store waits.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TStoreWaitIndicator::WaitEnds()
{
    delete m_window;
    if (m_cursor) {
        QApplication::restoreOverrideCursor();
        m_cursor = false;
    }
}

QProgressDialog* TStoreWaitIndicator::Window() const
{
    return m_window.data();
}
