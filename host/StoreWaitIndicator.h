#pragma once

#include "host/store/Store.h"

#include <QPointer>

class QProgressDialog;

// Shows that the program waits for a busy store: a busy cursor at once and,
// after a short delay, a small progress window with the reason and the
// remaining time. Installed by the program object for the windowed program.
class TStoreWaitIndicator final : public TStoreWaitObserver
{
public:
    ~TStoreWaitIndicator() override;
    void WaitBegins() override;
    void StillWaiting(int elapsedMs, int limitMs) override;
    void WaitEnds() override;

    // The window shown during the wait, or nullptr (before the delay).
    QProgressDialog* Window() const;
    static constexpr int kDelayMs = 400;

private:
    QPointer<QProgressDialog> m_window;
    bool m_cursor = false;
};
