#include "host/KRNFocus.h"

#include <QApplication>

TKRNFocusReturn::TKRNFocusReturn(QWidget* fallbackWindow, const QWidget* opening)
    : m_window(QApplication::activeWindow()), m_focus(QApplication::focusWidget())
{
    if (!m_window || m_window == opening) {
        m_window = fallbackWindow;
        m_focus = fallbackWindow ? fallbackWindow->focusWidget() : nullptr;
    }
}

TKRNFocusReturn::~TKRNFocusReturn()
{
    if (!m_window || !m_window->isVisible()) {
        return;
    }
    // A modal window still open (the box was shown from inside another
    // box's handler) keeps the focus.
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != m_window) {
        return;
    }
    m_window->activateWindow();
    if (m_focus && m_focus->window() == m_window && m_focus->isVisible() && m_focus->isEnabled()) {
        m_focus->setFocus(Qt::ActiveWindowFocusReason);
    }
}
