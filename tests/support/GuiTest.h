#pragma once

#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// Helpers for tests of real widgets on the offscreen platform.

// Runs a real event loop for the given time: posted events are delivered
// and the application's idle event fires whenever the loop runs dry.
inline void SpinEventLoop(int milliseconds = 20)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the action from the event loop as soon as it is entered, e.g. to act
// on a modal form whose real loop the test is about to start.
inline void WhenLoopRuns(std::function<void()> action)
{
    QTimer::singleShot(0, qApp, std::move(action));
}

// Types the text into the widget key by key, umlauts included (QTest's
// keyClicks takes ASCII only).
inline void TypeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

// Shows the widget's window and waits until it is the active window, so
// that shortcuts and key events reach it.
inline bool ShowActive(QWidget& widget)
{
    widget.show();
    widget.activateWindow();
    return QTest::qWaitForWindowActive(&widget);
}
