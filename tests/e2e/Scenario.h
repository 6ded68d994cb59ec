#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <deque>
#include <functional>

// Drives the running program as a person would, one step at a time, from
// its own event loop. A step waits until its condition holds (a dialog is
// shown and active, the menu is idle, ...) and then acts. The next step is
// scheduled before the action runs, so an action that opens a modal dialog
// (and blocks in its loop) is followed by the steps inside that dialog.
class Scenario
{
public:
    using Condition = std::function<bool()>;
    using Action = std::function<void()>;

    // Waits until the condition holds, then acts.
    Scenario& Then(const QString& what, Condition ready, Action act);
    // Waits until the modal form with this object name is shown and
    // active, then acts on it.
    Scenario& InModal(const QString& formName, std::function<void(QWidget&)> act);
    // Waits until the main window is active with no dialog open and no
    // menu rebuild pending, then acts.
    Scenario& InMain(const QString& what, Action act);

    // Starts the steps once the event loop runs. A step that waits longer
    // than the time limit fails the run: every dialog is closed and the
    // program is ended, so that a broken run never hangs.
    void Start(int timeLimitMs = 15000);

    bool Done() const { return m_steps.empty() && m_started; }
    const QStringList& Failures() const { return m_failures; }

private:
    struct Step
    {
        QString What;
        Condition Ready;
        Action Act;
    };

    void Poll();
    void Abort(const QString& why);

    std::deque<Step> m_steps;
    QStringList m_failures;
    QElapsedTimer m_waiting;
    int m_timeLimitMs = 15000;
    bool m_started = false;
};

// The active modal form, when it has this object name and is active.
QWidget* ActiveModal(const QString& formName);
