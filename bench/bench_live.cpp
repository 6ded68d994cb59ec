// How soon this program hears of another workstation's commit: another real
// process (the store tool) switches a filter kind on or off and commits;
// measured from its commit (the tool prints the time) to the watcher's
// signal and to the main window's menu rebuilt at the next idle moment.
// The program is idle in between. Goals: 1 s on PostgreSQL, 2 s on SQLite.
//
// Usage: bench_live [runs] [PostgreSQL URI]
#include "BenchStores.h"

#include "app/MainU.h"
#include "data/MainDM.h"
#include "host/Application.h"
#include "host/Buttons.h"
#include "host/core/FremdeAenderungen.h"
#include "host/store/Store.h"

#include <QApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Never arrived; a figure may be a little below 0, as the other process
// takes its time after its commit has returned.
constexpr qint64 kNie = std::numeric_limits<qint64>::min();

struct TMessung
{
    qint64 SignalMs = kNie;
    qint64 MenuMs = kNie;
};

bool MenuZeigtA()
{
    return frmMain->btsMain->Items().ButtonNames().contains(u"FLTA"_s);
}

// One switch by the other process; the program waits in its event loop.
TMessung Einmal(const QString& location, TFremdeAenderungenWaechter& waechter, bool an)
{
    qint64 signal = 0;
    qint64 menu = 0;
    QEventLoop loop;
    const auto verbindung = QObject::connect(&waechter, &TFremdeAenderungenWaechter::Geaendert, &loop, [&] {
        if (signal == 0) {
            signal = QDateTime::currentMSecsSinceEpoch();
        }
    });
    // The menu is looked at often; the loop still runs dry in between, so
    // the idle moment comes as it would.
    QTimer blick;
    blick.setInterval(2);
    QObject::connect(&blick, &QTimer::timeout, &loop, [&] {
        if (menu == 0 && MenuZeigtA() == an) {
            menu = QDateTime::currentMSecsSinceEpoch();
        }
        if (menu != 0 && signal != 0) {
            loop.quit();
        }
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    QProcess anderer;
    anderer.start(QStringLiteral(VELDRAKE_STORE_TOOL),
                  {u"write"_s, location,
                   an ? u"INSERT INTO fikofile VALUES ('A', '', ' ', 0)"_s
                      : u"DELETE FROM fikofile WHERE Kennung = 'A' AND Bezeichnung = ''"_s});
    blick.start();
    loop.exec();
    QObject::disconnect(verbindung);
    anderer.waitForFinished(20000);
    const QByteArray ausgabe = anderer.readAllStandardOutput();
    const qsizetype at = ausgabe.indexOf("COMMITTED ");
    if (anderer.exitCode() != 0 || at < 0) {
        throw std::runtime_error("the other workstation did not commit: " + anderer.readAllStandardError().toStdString());
    }
    const qint64 commit = ausgabe.mid(at + 10).trimmed().toLongLong();
    TMessung m;
    if (signal != 0) {
        m.SignalMs = signal - commit;
    }
    if (menu != 0) {
        m.MenuMs = menu - commit;
    }
    return m;
}

void Zeigen(const char* was, std::vector<qint64> werte, int runs)
{
    const auto fehlt = std::count(werte.begin(), werte.end(), kNie);
    werte.erase(std::remove(werte.begin(), werte.end(), kNie), werte.end());
    std::sort(werte.begin(), werte.end());
    if (werte.empty()) {
        std::printf("%-22s never arrived in %d runs\n", was, runs);
        return;
    }
    std::printf("%-22s median %5lld ms   max %5lld ms   (%d runs%s)\n", was,
                static_cast<long long>(werte[werte.size() / 2]), static_cast<long long>(werte.back()), runs,
                fehlt ? ", some never arrived" : "");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    try {
        TBenchStores stores(argc > 2 ? argv[2] : nullptr);
        const QString location = stores.New(u"live"_s);
        auto store = TStore::Open(location);
        TStore::SetCurrent(store.get());
        std::printf("%s store, %d switches by another process\n", qPrintable(stores.Backend()), runs);

        ClearKOMMFilterRegistry();
        RegisterKOMMFilterEditor(u"A"_s, u"Filter A"_s, nullptr, nullptr);
        Application().Initialize();
        TFremdeAenderungenWaechter waechter(*store);
        Application().CreateForm(dtmKOMMFilter);
        Application().CreateForm(frmMain);
        frmMain->show();

        std::vector<qint64> signale;
        std::vector<qint64> menues;
        for (int i = 0; i < runs; ++i) {
            const TMessung m = Einmal(location, waechter, i % 2 == 0);
            signale.push_back(m.SignalMs);
            menues.push_back(m.MenuMs);
            // idle for a moment, as a workstation mostly is
            QEventLoop pause;
            QTimer::singleShot(300, &pause, &QEventLoop::quit);
            pause.exec();
        }
        Zeigen("commit -> signal", signale, runs);
        Zeigen("commit -> menu rebuilt", menues, runs);
        std::printf("goal: %s\n", stores.Postgres() ? "<= 1000 ms" : "<= 2000 ms while idle");
        Application().Reset();
        TStore::SetCurrent(nullptr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_live: %s\n", e.what());
        return 1;
    }
    return 0;
}
