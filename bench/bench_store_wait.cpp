// A second workstation holds the store's write lock for 15 s. Measures how
// long this workstation's start (opening the store) takes meanwhile, and how
// a booking waits: when the busy cursor and the wait window appear, when it
// gives up, with which failure, and what was written.
//
// Usage: bench_store_wait [hold seconds]     (QT_QPA_PLATFORM=offscreen
//                                            without a display)
#include "host/StoreWaitIndicator.h"
#include "host/core/KRNError.h"
#include "host/store/Store.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProgressDialog>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// The second workstation: this program started again with "--hold".
int Hold(const QString& file, int ms)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s);
    db.setDatabaseName(file);
    QSqlQuery query(db);
    if (!db.open() || !query.exec(u"BEGIN IMMEDIATE"_s)) {
        return 2;
    }
    std::printf("HELD\n");
    std::fflush(stdout);
    QThread::msleep(ms);
    return 0;
}

// The program's indicator, with the moments it showed something.
class TimedIndicator final : public TStoreWaitObserver
{
public:
    explicit TimedIndicator(const QElapsedTimer& clock) : m_clock(clock) {}
    void WaitBegins() override
    {
        m_inner.WaitBegins();
        if (QApplication::overrideCursor() && CursorMs < 0) {
            CursorMs = m_clock.elapsed();
        }
    }
    void StillWaiting(int elapsedMs, int limitMs) override
    {
        m_inner.StillWaiting(elapsedMs, limitMs);
        if (m_inner.Window() && m_inner.Window()->isVisible() && WindowMs < 0) {
            WindowMs = m_clock.elapsed();
        }
    }
    void WaitEnds() override { m_inner.WaitEnds(); }

    qint64 CursorMs = -1;
    qint64 WindowMs = -1;

private:
    const QElapsedTimer& m_clock;
    TStoreWaitIndicator m_inner;
};

int Count(TStore& store)
{
    QSqlQuery query(store.Database());
    return query.exec(u"SELECT count(*) FROM fidefile"_s) && query.next() ? query.value(0).toInt() : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"--hold"_s) {
        return Hold(args[2], args[3].toInt());
    }
    const int holdSeconds = args.size() > 1 ? args[1].toInt() : 15;
    QTemporaryDir dir;
    const QString file = dir.filePath(u"store.sqlite"_s);
    TStore::Open(file).reset();

    QProcess other;
    other.start(app.applicationFilePath(), {u"--hold"_s, file, QString::number(holdSeconds * 1000)});
    if (!other.waitForReadyRead(30000) || !other.readAll().contains("HELD")) {
        std::fprintf(stderr, "the second workstation did not get the lock\n");
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    auto store = TStore::Open(file);
    const double openMs = double(clock.nsecsElapsed()) / 1e6;
    std::printf("start while the lock is held: store opened in %.2f ms\n", openMs);

    TimedIndicator indicator(clock);
    TStore::SetWaitObserver(&indicator);
    clock.restart();
    QString outcome = u"booked (not expected)"_s;
    try {
        TStoreTransaction transaction(*store);
        store->Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('ABIL', 'WARTEN')"_s);
        transaction.Commit();
    } catch (const StoreError& e) {
        outcome = (e.Kind() == TStoreFailure::Busy ? u"busy: "_s : u"other failure: "_s) + e.Text();
    }
    const qint64 bookingMs = clock.elapsed();
    TStore::SetWaitObserver(nullptr);
    std::printf("booking: busy cursor after %lld ms, wait window after %lld ms, gave up after %lld ms "
                "(limit %d ms)\n",
                static_cast<long long>(indicator.CursorMs), static_cast<long long>(indicator.WindowMs),
                static_cast<long long>(bookingMs), TStore::WaitLimit());
    std::printf("booking outcome: %s\n", outcome.replace(u'\n', u' ').toUtf8().constData());
    std::printf("rows written: %d\n", Count(*store));
    other.kill();
    other.waitForFinished();
    return 0;
}
