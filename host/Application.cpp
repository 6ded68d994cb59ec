#include "host/Application.h"

#include "host/core/KRNInfo.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QIcon>
#include <QIconEngine>
#include <QLibraryInfo>
#include <QPainter>
#include <QPixmap>
#include <QSocketNotifier>
#include <QSvgRenderer>
#include <QTranslator>

#include <algorithm>
#include <csignal>
#include <exception>
#include <memory>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// A signal handler may only write to a descriptor; the event loop reads
// the other end.
int g_signalSockets[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalSockets[0], &byte, 1);
}

// An icon drawn from an SVG drawing at the size asked for, once per size.
class TSvgIconEngine final : public QIconEngine
{
public:
    explicit TSvgIconEngine(QByteArray drawing) : m_drawing(std::move(drawing)), m_renderer(m_drawing) {}

    bool IsValid() const { return m_renderer.isValid(); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::max(1, std::min(size.width(), size.height()));
        auto found = m_pixmaps.find(side);
        if (found == m_pixmaps.end()) {
            QPixmap drawn(side, side);
            drawn.fill(Qt::transparent);
            QPainter painter(&drawn);
            m_renderer.render(&painter);
            painter.end();
            found = m_pixmaps.insert(side, drawn);
        }
        return *found;
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
    }
    QIconEngine* clone() const override { return new TSvgIconEngine(m_drawing); }
    QString key() const override { return QStringLiteral("TSvgIconEngine"); }

private:
    QByteArray m_drawing;
    QSvgRenderer m_renderer;
    QHash<int, QPixmap> m_pixmaps;
};

} // namespace

TApplication::TApplication() = default;

TApplication::~TApplication() = default;

void TApplication::Initialize()
{
    static int argc = 1;
    static char name[] = "veldrake";
    static char* argv[] = {name, nullptr};
    Initialize(argc, argv);
}

void TApplication::Initialize(int& argc, char** argv)
{
    if (!QApplication::instance()) {
        // Qt's own dispatcher signals aboutToBlock only when nothing is left
        // to do; the GLib one does so before every wait, with events pending.
        if (qEnvironmentVariableIsEmpty("QT_NO_GLIB")) {
            qputenv("QT_NO_GLIB", "1");
        }
        m_ownApplication = std::make_unique<QApplication>(argc, argv);
        EndOnTerminationSignals();
    }
    // The application ends when the main form closes, not with the last
    // window.
    QApplication::setQuitOnLastWindowClosed(false);
    LoadGermanTranslations();
    ConnectIdle();
}

void TApplication::EndOnTerminationSignals()
{
    if (g_signalSockets[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalSockets) != 0) {
        return;
    }
    auto* notifier =
        new QSocketNotifier(g_signalSockets[1], QSocketNotifier::Read, QCoreApplication::instance());
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(g_signalSockets[1], &byte, 1);
        EndOnSignal();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void TApplication::EndOnSignal()
{
    Terminate();
    // Open dialogs and boxes are cancelled; the modal seam cancels every
    // later show at once, so the message loop ends whatever was open.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (!modal->close()) {
            break;
        }
        QCoreApplication::processEvents();
    }
}

bool TApplication::SetIcon(const QString& svgPath)
{
    // Drawn here rather than by Qt's SVG icon plugin, which a system may
    // lack; each size when it is first asked for.
    QFile file(svgPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    auto engine = std::make_unique<TSvgIconEngine>(file.readAll());
    if (!engine->IsValid()) {
        return false;
    }
    QApplication::setWindowIcon(QIcon(engine.release()));
    return true;
}

bool TApplication::LoadGermanTranslations()
{
    static QPointer<QTranslator> s_installed;
    if (s_installed) {
        return true;
    }
    // Qt's own catalogue matches the Qt the program runs with; the copy built
    // into the program serves where Qt's translations are not installed.
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString name = QStringLiteral("qtbase_de");
    if (!translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        !translator->load(name, QStringLiteral(":/veldrake/translations"))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    s_installed = translator;
    return true;
}

void TApplication::Finish()
{
    DestroyComponents();
    if (m_ownApplication) {
        disconnect(m_idleConnection);
        m_idleConnected = false;
        m_ownApplication.reset();
    }
}

void TApplication::SetTitle(const QString& title)
{
    m_title = title;
}

void TApplication::Adopt(TKRNComponent* component, QWidget* form, std::function<void()> clearVariable)
{
    m_components.push_back(Owned{component, form, std::move(clearVariable)});
}

void TApplication::RunCreateHandler(TKRNComponent* component)
{
    try {
        component->RunCreateHandler();
    } catch (...) {
        // Not created: forget the instance as if it had never been made.
        Owned owned = m_components.back();
        m_components.pop_back();
        TKRNFree()(owned.Component);
        owned.ClearVariable();
        throw;
    }
}

QWidget* TApplication::MainForm() const
{
    for (const Owned& owned : m_components) {
        if (owned.Form) {
            return owned.Form;
        }
    }
    return nullptr;
}

void TApplication::Run()
{
    QWidget* mainForm = MainForm();
    if (!mainForm || m_terminated) {
        return;
    }
    ConnectIdle();
    QEventLoop loop;
    m_loop = &loop;
    QMetaObject::Connection closed;
    if (auto* dialog = qobject_cast<QDialog*>(mainForm)) {
        closed = connect(dialog, &QDialog::finished, this, &TApplication::Terminate);
    }
    if (auto* form = dynamic_cast<TKRNComponent*>(mainForm)) {
        form->RunShowHandler();
    }
    mainForm->show();
    mainForm->activateWindow();
    if (!m_terminated) {
        loop.exec();
    }
    disconnect(closed);
    m_loop = nullptr;
}

void TApplication::Terminate()
{
    m_terminated = true;
    if (m_loop) {
        m_loop->quit();
    }
}

void TApplication::ConnectIdle()
{
    if (m_idleConnected) {
        return;
    }
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        m_idleConnection =
            connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TApplication::FireIdle);
        m_idleConnected = true;
    }
}

void TApplication::FireIdle()
{
    if (m_inIdle || !m_onIdle) {
        return;
    }
    m_inIdle = true;
    const TIdleEvent handler = m_onIdle; // the handler may replace itself
    bool done = true;
    try {
        handler(this, done);
    } catch (const std::exception& e) {
        KRNInfo().RegisterException(QStringLiteral("Application.OnIdle"), e, true);
    }
    m_inIdle = false;
}

void TApplication::DestroyComponents()
{
    while (!m_components.empty()) {
        Owned owned = m_components.back();
        m_components.pop_back();
        TKRNFree()(owned.Component);
        owned.ClearVariable();
    }
}

void TApplication::Reset()
{
    DestroyComponents();
    m_title.clear();
    m_onIdle = nullptr;
    m_terminated = false;
}

TApplication& Application()
{
    static TApplication application;
    return application;
}
