#include "Scenario.h"

#include "app/MainU.h"
#include "host/Application.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace {

constexpr int kPollMs = 5;

} // namespace

QWidget* ActiveModal(const QString& formName)
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->objectName() == formName && modal->isVisible() && modal->isActiveWindow()) {
        return modal;
    }
    return nullptr;
}

Scenario& Scenario::Then(const QString& what, Condition ready, Action act)
{
    m_steps.push_back(Step{what, std::move(ready), std::move(act)});
    return *this;
}

Scenario& Scenario::InModal(const QString& formName, std::function<void(QWidget&)> act)
{
    return Then(
        formName, [formName] { return ActiveModal(formName) != nullptr; },
        [formName, act = std::move(act)] { act(*ActiveModal(formName)); });
}

Scenario& Scenario::InMain(const QString& what, Action act)
{
    return Then(
        what,
        [] {
            return frmMain && frmMain->isVisible() && frmMain->isActiveWindow() &&
                   !QApplication::activeModalWidget() && !frmMain->Idle_RefreshMenu();
        },
        std::move(act));
}

void Scenario::Start(int timeLimitMs)
{
    m_timeLimitMs = timeLimitMs;
    m_started = true;
    m_waiting.start();
    QTimer::singleShot(0, qApp, [this] { Poll(); });
}

void Scenario::Poll()
{
    if (m_steps.empty()) {
        return;
    }
    if (!m_steps.front().Ready()) {
        if (m_waiting.elapsed() > m_timeLimitMs) {
            QWidget* modal = QApplication::activeModalWidget();
            Abort(QStringLiteral("waited in vain for: %1 (active window: %2, modal: %3, rebuild pending: %4)")
                      .arg(m_steps.front().What,
                           QApplication::activeWindow() ? QApplication::activeWindow()->objectName()
                                                        : QStringLiteral("none"),
                           modal ? modal->objectName() : QStringLiteral("none"),
                           frmMain && frmMain->Idle_RefreshMenu() ? QStringLiteral("yes") : QStringLiteral("no")));
            return;
        }
        QTimer::singleShot(kPollMs, qApp, [this] { Poll(); });
        return;
    }
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    m_waiting.restart();
    QTimer::singleShot(kPollMs, qApp, [this] { Poll(); });
    step.Act();
}

void Scenario::Abort(const QString& why)
{
    m_failures << why;
    m_steps.clear();
    // Close the dialogs from the innermost out, then end the program.
    while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        dialog->reject();
        QApplication::processEvents();
        if (QApplication::activeModalWidget() == dialog) {
            dialog->hide();
        }
    }
    Application().Terminate();
}
