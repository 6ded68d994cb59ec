#pragma once

#include <QPointer>
#include <QWidget>

// Gives the keyboard focus back when a message box or a modal dialog
// closes: to the window that was active when it opened (or else the
// fallback window) and to the control that had the focus there, so that the
// window's shortcuts work at once. Without a window manager nobody else
// does this. The window about to open itself never counts as the one to go
// back to.
class TKRNFocusReturn
{
public:
    explicit TKRNFocusReturn(QWidget* fallbackWindow = nullptr, const QWidget* opening = nullptr);
    ~TKRNFocusReturn();
    TKRNFocusReturn(const TKRNFocusReturn&) = delete;
    TKRNFocusReturn& operator=(const TKRNFocusReturn&) = delete;

    // The window that will get the focus back; nullptr when none.
    QWidget* Window() const { return m_window; }

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_focus;
};
