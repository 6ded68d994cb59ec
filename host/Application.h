#pragma once

#include "host/core/KRNComponent.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

class QApplication;
class QEventLoop;
class QWidget;

// Idle handler: sender (the application object) and the done flag.
using TIdleEvent = std::function<void(QObject* sender, bool& done)>;

// The application object: owns the program-wide instances, shows the main
// form and runs the message loop.
class TApplication final : public QObject
{
public:
    TApplication();
    ~TApplication() override;
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Makes the toolkit ready for windows; creates the QApplication only when
    // none exists yet (tests bring their own). The arguments, when given, go
    // to the toolkit (e.g. -platform) and must outlive the application.
    void Initialize();
    void Initialize(int& argc, char** argv);
    // Destroys what Initialize created (after shutdown).
    void Finish();
    // SIGTERM and SIGINT (logging out, the system stopping, Ctrl+C) end the
    // message loop as Terminate does, so that the program shuts down in
    // order and closes its store. Initialize does this when it creates the
    // QApplication.
    void EndOnTerminationSignals();
    // What such a signal does: Terminate, and every open modal dialog or box
    // is cancelled.
    void EndOnSignal();

    // The application title: the title of message boxes and the version
    // window. It is not Qt's display name, which the window system would
    // append to every window's caption.
    QString Title() const { return m_title; }
    void SetTitle(const QString& title);

    // The window icon of every window (and of the version window), drawn
    // from an SVG file or resource at the usual icon sizes. Returns false
    // when the file is no drawing.
    static bool SetIcon(const QString& svgPath);

    // Loads Qt's German texts (buttons of message boxes, context menus of
    // edits), whatever the system's language; once per QApplication. Returns
    // false when no translation could be loaded.
    static bool LoadGermanTranslations();

    // Creates an instance owned by the application, stores it in the
    // variable and runs its creation handler. When the creation handler
    // throws, the instance is destroyed again, the variable cleared and the
    // exception passed on.
    template <class T> void CreateForm(T*& variable)
    {
        static_assert(std::is_base_of_v<TKRNComponent, T>, "CreateForm needs a component");
        T* instance = new T();
        variable = instance;
        Adopt(instance, dynamic_cast<QWidget*>(instance), [&variable] { variable = nullptr; });
        RunCreateHandler(instance);
    }

    // The first form created; nullptr when there is none.
    QWidget* MainForm() const;
    // Shows the main form and runs the message loop until the main form is
    // closed or Terminate is called. Returns at once without a main form.
    void Run();
    void Terminate();
    bool Terminated() const { return m_terminated; }
    bool Running() const { return m_loop != nullptr; }

    // The idle event fires each time the event loop has nothing left to do.
    void SetOnIdle(TIdleEvent handler) { m_onIdle = std::move(handler); }
    const TIdleEvent& OnIdle() const { return m_onIdle; }

    // Destroys the owned instances, last created first, and clears their
    // variables.
    void DestroyComponents();
    int ComponentCount() const { return static_cast<int>(m_components.size()); }

    // Back to the state before Initialize's first use: owned instances
    // destroyed, no title, no idle handler (between tests).
    void Reset();

private:
    struct Owned
    {
        TKRNComponent* Component;
        QPointer<QWidget> Form; // null for non-visual instances
        std::function<void()> ClearVariable;
    };

    void Adopt(TKRNComponent* component, QWidget* form, std::function<void()> clearVariable);
    void RunCreateHandler(TKRNComponent* component);
    void ConnectIdle();
    void FireIdle();

    std::unique_ptr<QApplication> m_ownApplication;
    QString m_title;
    std::vector<Owned> m_components;
    QEventLoop* m_loop = nullptr; // while Run runs
    bool m_terminated = false;
    bool m_inIdle = false;
    bool m_idleConnected = false;
    QMetaObject::Connection m_idleConnection;
    TIdleEvent m_onIdle;
};

// The process's application object.
TApplication& Application();
