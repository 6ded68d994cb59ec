#include "app/veldrake.h"

#include "app/Leerlauf.h"
#include "app/MainU.h"
#include "data/MainDM.h"
#include "dialogs/FilterOnOffU.h"
#include "dialogs/LoadFilterU.h"
#include "dialogs/RechnerU.h"
#include "dialogs/SaveFilterU.h"
#include "editors/KOMMFilterBILDEditor.h"
#include "host/Application.h"
#include "host/KRNDesktop.h"
#include "host/core/FremdeAenderungen.h"
#include "host/core/KRNError.h"
#include "host/core/KRNInfo.h"
#include "host/core/KRNProgramm.h"
#include "host/core/Guard.h"

#include <QApplication>
#include <QByteArray>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <exception>
#include <memory>

namespace {

TStartupObserver& Observer()
{
    static TStartupObserver observer;
    return observer;
}

void Observe(const QString& step)
{
    if (Observer()) {
        Observer()(step);
    }
}

// Creates one program-wide instance, then the error check point.
template <class T> void Create(T*& variable, const QString& name)
{
    Application().CreateForm(variable);
    Observe(name);
    Observe(QStringLiteral("FehlerRaise"));
    KRNInfo().FehlerRaise(QStringLiteral("veldrake"), 0, QString(), QString(), 0, 0);
}

// Shows the store check's notices over the main window once it is shown,
// not alone on an empty screen before it.
class TStoreNoticesAtFirstShow final : public QObject
{
public:
    explicit TStoreNoticesAtFirstShow(QWidget* mainForm) : QObject(mainForm), m_mainForm(mainForm)
    {
        mainForm->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_mainForm && event->type() == QEvent::Show) {
            m_mainForm->removeEventFilter(this);
            QTimer::singleShot(0, m_mainForm, [mainForm = m_mainForm] { Show(mainForm); });
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static void Show(QWidget* mainForm)
    {
        // A box takes the active window as its parent; the window system
        // may not have activated the main window yet.
        if (!QApplication::activeWindow() && mainForm->isVisible()) {
            QApplication::setActiveWindow(mainForm);
        }
        KRNGuard(QStringLiteral("veldrake.ShowStoreNotices"), true, [] { KRNProgramm().ShowStoreNotices(); });
    }

    QWidget* m_mainForm;
};

// Tells the program of other workstations' changes while it runs; looks
// at once whenever the program becomes active again.
class TFremdeAenderungenStart final : public QObject
{
public:
    explicit TFremdeAenderungenStart(TStore& store) : m_waechter(store)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == qApp && event->type() == QEvent::ApplicationActivate) {
            m_waechter.Pruefen();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TFremdeAenderungenWaechter m_waechter;
};

std::unique_ptr<TFremdeAenderungenStart> g_fremdeAenderungen;

// Without the watch the program works as before, only without news.
void FremdeAenderungenBeobachten()
{
    try {
        g_fremdeAenderungen = std::make_unique<TFremdeAenderungenStart>(*KRNProgramm().Store());
    } catch (const StoreError& e) {
        KRNInfo().RegisterException(QStringLiteral("veldrake.FremdeAenderungen"), e, false);
    }
}

// The guarded block of start-up. Returns false when it ended with a failure
// (already shown).
bool StartUp()
{
    Application().SetIcon(QStringLiteral(":/veldrake/veldrake.svg"));
    try {
        KRNProgramm().Init(QStringLiteral("VELDRAKE"), 3, 0, 0, true);
        Application().SetTitle(QStringLiteral("Filter für den Datenaustausch"));
        FremdeAenderungenBeobachten();
        Create(dtmKOMMFilter, QStringLiteral("dtmKOMMFilter"));
        Create(frmMain, QStringLiteral("frmMain"));
        Create(frmFilterOnOff, QStringLiteral("frmFilterOnOff"));
        Create(frmRechner, QStringLiteral("frmRechner"));
        Create(frmLoad, QStringLiteral("frmLoad"));
        Create(frmSave, QStringLiteral("frmSave"));
        if (QWidget* mainForm = Application().MainForm()) {
            new TStoreNoticesAtFirstShow(mainForm);
        } else {
            KRNProgramm().ShowStoreNotices();
        }
        return true;
    } catch (const std::exception& e) {
        KRNProgramm().ShowException(e, false);
        return false;
    }
}

// Windows first, the data module (and with it the tables) last, then the
// registry.
void ShutDown()
{
    Application().DestroyComponents();
    ClearKOMMFilterRegistry();
    g_fremdeAenderungen.reset(); // before the store closes
    KRNProgramm().Done();
}

// Whether no window system can be reached at all (the toolkit would end the
// process on its own before the start-up could report anything).
bool NoScreenReachable()
{
#ifdef Q_OS_LINUX
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland")) {
        return false;
    }
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return false;
#endif
}

// VELDRAKE_QUIT_AT_IDLE=1 (bench/bench_startup): at the first idle moment
// after start-up the program tells how many shared libraries it maps and
// ends through Terminate, shutting down in order. The main window's idle
// handler still runs first.
void QuitAtFirstIdle()
{
    if (qgetenv("VELDRAKE_QUIT_AT_IDLE") != "1") {
        return;
    }
    const TIdleEvent previous = Application().OnIdle();
    Application().SetOnIdle([previous](QObject* sender, bool& done) {
        if (previous) {
            previous(sender, done);
        }
        LeerlaufMelden();
        Application().SetOnIdle(previous);
        Application().Terminate();
    });
}

int Run()
{
    KRNInstallDesktopServices();
    const bool started = StartUp();
    if (started) {
        QuitAtFirstIdle();
    }
    Application().Run();
    ShutDown();
    KRNRemoveDesktopServices();
    return started ? 0 : 1;
}

} // namespace

void RegisterFilterKinds()
{
    DoRegisterBildKOMMFilterEditor();
}

void SetStartupObserver(TStartupObserver observer)
{
    Observer() = std::move(observer);
}

int VeldrakeMain(int argc, char** argv)
{
    if (NoScreenReachable()) {
        std::fprintf(stderr,
                     "veldrake: Programmstart fehlgeschlagen: Es kann kein Bildschirm geöffnet werden "
                     "(weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt).\n");
        return 1;
    }
    ClearKOMMFilterRegistry();
    RegisterFilterKinds();
    static int s_argc = 0; // the toolkit keeps a reference
    s_argc = argc;
    Application().Initialize(s_argc, argv);
    const int exitCode = Run();
    Application().Finish();
    return exitCode;
}

int VeldrakeMain()
{
    ClearKOMMFilterRegistry();
    RegisterFilterKinds();
    Application().Initialize();
    const int exitCode = Run();
    Application().Finish();
    return exitCode;
}
