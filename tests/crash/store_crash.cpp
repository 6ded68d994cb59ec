// Crash consistency of the record store, and a second workstation for tests
// and measurements.
//
//   store_crash RUNS [DIR|URI]  kills a booking process at random moments
//                               RUNS times; after each kill the store must
//                               be whole (exit 0) or the first fault is
//                               printed (exit 1)
//   store_crash book STORE SEED books confirmations until killed
//   store_crash hold STORE MS   holds the write lock for MS milliseconds
//                               (prints HELD when it has it)
//   store_crash write STORE [--rollback] SQL...
//                               runs the statements as one unit of work of
//                               another workstation and commits it (or
//                               rolls it back; prints COMMITTED and the
//                               time in ms since the epoch)
//
// STORE is a file path or a PostgreSQL URI (an empty database).
//
// A confirmation is one unit of work: it frees the oldest of five saved
// settings with its assignments, then saves a new setting "B<n>" whose
// description is the number of computers it assigns, and assigns them.

#include "host/core/DBFile.h"
#include "host/core/KRNError.h"
#include "host/store/PostgresAddress.h"
#include "host/store/Store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSet>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QVariant>

#include <cstdio>
#include <iostream>

namespace {

const QString kKennung = QStringLiteral("ABIL");
constexpr int kComputers = 40;
constexpr int kSettings = 5;

int Number(TStore& store, const QString& sql)
{
    QSqlQuery query = store.Prepare(sql);
    store.Run(query);
    return query.next() ? query.value(0).toInt() : 0;
}

QList<int> Numbers(TStore& store, const QString& sql)
{
    QSqlQuery query = store.Prepare(sql);
    store.Run(query);
    QList<int> result;
    while (query.next()) {
        result << query.value(0).toInt();
    }
    return result;
}

void BookOne(TStore& store, Tfidefile& fide, Tfikofile& fiko, QRandomGenerator& random)
{
    TStoreTransaction transaction(store);
    if (Number(store, QStringLiteral("SELECT count(*) FROM fidefile")) >= kSettings) {
        fide.ResetSearch();
        fide.ReadFirst(); // the oldest: names grow in key order
        const QString oldest = fide.Bezeichnung.GetWert();
        fiko.ResetSearch();
        fiko.Bezeichnung.SetFilterMin(oldest);
        fiko.Bezeichnung.SetFilterMax(oldest);
        for (bool found = fiko.ReadFirst(); found; found = fiko.ReadFirst()) {
            fiko.WriteRecord(wrdonDelete, 0);
        }
        fide.ResetSearch();
        fide.UseKey(fide.PrimaryKeyNr());
        fide.Kennung.SetKeyWert(kKennung);
        fide.Bezeichnung.SetKeyWert(oldest);
        if (fide.FindKey()) {
            fide.WriteRecord(wrdonDelete, 0);
        }
    }
    QList<int> free;
    const QList<int> used = Numbers(store, QStringLiteral("SELECT RNr FROM fikofile WHERE RNr <> 0"));
    for (int rnr = 1; rnr <= kComputers; ++rnr) {
        if (!used.contains(rnr)) {
            free << rnr;
        }
    }
    const int next =
        Number(store, QStringLiteral("SELECT coalesce(max(CAST(substr(Bezeichnung, 2) AS INTEGER)), 0)"
                                     " FROM fidefile")) +
        1;
    const int count = std::min<int>(int(free.size()), 1 + int(random.bounded(10)));
    const QString name = QStringLiteral("B%1").arg(next, 7, 10, QLatin1Char('0'));
    fide.Kennung.SetWert(kKennung);
    fide.Bezeichnung.SetWert(name);
    fide.Beschreibung.SetWert(QString::number(count));
    fide.Einstellungen.SetWert(QString(2000, QLatin1Char('x'))); // some pages to write
    fide.WriteRecord(wrdonInsert, 0);
    for (int i = 0; i < count; ++i) {
        const int rnr = int(free.takeAt(random.bounded(int(free.size()))));
        fiko.Kennung.SetWert(kKennung);
        fiko.Bezeichnung.SetWert(name);
        fiko.RTyp.SetWert(QLatin1Char(' '));
        fiko.RNr.SetWert(rnr);
        fiko.WriteRecord(wrdonInsert, 0);
    }
    transaction.Commit();
}

int Book(const QString& file, quint32 seed)
{
    auto store = TStore::Open(file);
    TStore::SetCurrent(store.get());
    Tfidefile fide;
    Tfikofile fiko;
    fide.OpenNew(-1);
    fiko.OpenNew(-1);
    QRandomGenerator random(seed);
    std::cout << "READY" << std::endl;
    while (true) {
        BookOne(*store, fide, fiko, random);
    }
}

int Hold(const QString& file, int ms)
{
    if (IsPostgresAddress(file)) {
        // The lock every unit of work of the program takes.
        auto store = TStore::Open(file);
        TStoreTransaction transaction(*store);
        std::cout << "HELD" << std::endl;
        QThread::msleep(ms);
        return 0;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("hold"));
    db.setDatabaseName(file);
    QSqlQuery query(db);
    if (!db.open() || !query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        std::cerr << "store_crash hold: " << query.lastError().text().toStdString() << std::endl;
        return 2;
    }
    std::cout << "HELD" << std::endl;
    QThread::msleep(ms);
    query.exec(QStringLiteral("ROLLBACK"));
    return 0;
}

// Every committed confirmation has its history and no history is left of
// one that did not commit: per setting one creation naming its number of
// assignments, that many assignments added, and, once it is gone, its
// deletion with as many removed.
QString HistoryFault(TStore& store)
{
    struct TSpur
    {
        int angelegt = 0, geloescht = 0, hinzu = 0, entfernt = 0, anzahl = -1;
    };
    QMap<QString, TSpur> spuren;
    QSqlQuery rows = store.Prepare(QStringLiteral("SELECT art, bezeichnung, nachher FROM verlauf"));
    store.Run(rows);
    while (rows.next()) {
        TSpur& spur = spuren[rows.value(1).toString()];
        const QString art = rows.value(0).toString();
        if (art == QLatin1String("einstellung_angelegt")) {
            ++spur.angelegt;
            spur.anzahl = QJsonDocument::fromJson(rows.value(2).toString().toUtf8())
                              .object()
                              .value(QStringLiteral("Beschreibung"))
                              .toString()
                              .toInt();
        } else if (art == QLatin1String("einstellung_geloescht")) {
            ++spur.geloescht;
        } else if (art == QLatin1String("zuordnung_hinzu")) {
            ++spur.hinzu;
        } else if (art == QLatin1String("zuordnung_entfernt")) {
            ++spur.entfernt;
        }
    }
    QSqlQuery present = store.Prepare(QStringLiteral("SELECT Bezeichnung FROM fidefile"));
    store.Run(present);
    QSet<QString> vorhanden;
    while (present.next()) {
        vorhanden.insert(present.value(0).toString());
    }
    for (const QString& name : vorhanden) {
        if (!spuren.contains(name)) {
            return QStringLiteral("setting %1 has no history").arg(name);
        }
    }
    for (auto it = spuren.cbegin(); it != spuren.cend(); ++it) {
        const TSpur& spur = it.value();
        const bool da = vorhanden.contains(it.key());
        if (spur.angelegt != 1 || spur.geloescht != (da ? 0 : 1) || spur.hinzu != spur.anzahl ||
            spur.entfernt != (da ? 0 : spur.anzahl)) {
            return QStringLiteral("history of %1 does not match its booking: %2 created, %3 deleted, %4 of %5"
                                  " assignments added, %6 removed")
                .arg(it.key())
                .arg(spur.angelegt)
                .arg(spur.geloescht)
                .arg(spur.hinzu)
                .arg(spur.anzahl)
                .arg(spur.entfernt);
        }
    }
    return {};
}

// The first fault of the store after a kill, or an empty text.
QString Fault(const QString& file)
{
    auto store = TStore::Open(file);
    if (!IsPostgresAddress(file)) {
        QSqlQuery integrity = store->Prepare(QStringLiteral("PRAGMA integrity_check"));
        store->Run(integrity);
        if (!integrity.next() || integrity.value(0).toString() != QLatin1String("ok")) {
            return QStringLiteral("integrity_check: ") + integrity.value(0).toString();
        }
        integrity.finish();
    }
    if (!store->DoubleServed().isEmpty() || !store->RulesComplete()) {
        return QStringLiteral("computers served twice: ") + store->DoubleServedLines();
    }
    QSqlQuery whole = store->Prepare(
        QStringLiteral("SELECT f.Bezeichnung, f.Beschreibung, (SELECT count(*) FROM fikofile k"
                       " WHERE k.Kennung = f.Kennung AND k.Bezeichnung = f.Bezeichnung) FROM fidefile f"));
    store->Run(whole);
    while (whole.next()) {
        if (whole.value(1).toInt() != whole.value(2).toInt()) {
            return QStringLiteral("confirmation %1 is partly there: %2 of %3 assignments")
                .arg(whole.value(0).toString(), whole.value(2).toString(), whole.value(1).toString());
        }
    }
    if (const int orphans =
            Number(*store, QStringLiteral("SELECT count(*) FROM fikofile k WHERE NOT EXISTS"
                                          " (SELECT 1 FROM fidefile f WHERE f.Kennung = k.Kennung"
                                          " AND f.Bezeichnung = k.Bezeichnung)"));
        orphans != 0) {
        return QStringLiteral("%1 assignments without their setting").arg(orphans);
    }
    return HistoryFault(*store);
}

int Crash(int runs, const QString& dir)
{
    const QString file = IsPostgresAddress(dir) ? dir : dir + QStringLiteral("/crash.sqlite");
    QRandomGenerator random(QRandomGenerator::global()->generate());
    int booked = 0;
    for (int run = 1; run <= runs; ++run) {
        QProcess booker;
        booker.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("book"), file, QString::number(random.generate())});
        if (!booker.waitForReadyRead(30000)) {
            std::cerr << "run " << run << ": the booking process did not start" << std::endl;
            return 1;
        }
        QThread::msleep(random.bounded(5, 250));
        booker.kill();
        booker.waitForFinished();
        try {
            const QString fault = Fault(file);
            if (!fault.isEmpty()) {
                std::cerr << "run " << run << ": " << fault.toStdString() << std::endl;
                return 1;
            }
            auto store = TStore::Open(file);
            booked =
                Number(*store, QStringLiteral("SELECT coalesce(max(CAST(substr(Bezeichnung, 2) AS INTEGER)),"
                                              " 0) FROM fidefile"));
        } catch (const StoreError& e) {
            std::cerr << "run " << run << ": " << e.Message().toStdString() << std::endl;
            return 1;
        }
    }
    std::cout << runs << " kills, " << booked << " confirmations booked, store whole after each kill"
              << std::endl;
    return 0;
}

int Write(const QString& location, QStringList statements)
{
    const bool zurueck = statements.value(0) == QLatin1String("--rollback");
    if (zurueck) {
        statements.removeFirst();
    }
    const auto store = TStore::Open(location);
    TStoreTransaction transaction(*store);
    for (const QString& sql : statements) {
        store->Exec(sql);
    }
    if (!zurueck) {
        transaction.Commit();
        // When, for whoever measures how soon another workstation hears of it.
        std::cout << "COMMITTED " << QDateTime::currentMSecsSinceEpoch() << std::endl;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 3 && args[0] == QLatin1String("book")) {
            return Book(args[1], args[2].toUInt());
        }
        if (args.size() == 3 && args[0] == QLatin1String("hold")) {
            return Hold(args[1], args[2].toInt());
        }
        if (args.size() >= 3 && args[0] == QLatin1String("write")) {
            return Write(args[1], args.mid(2));
        }
        bool ok = false;
        const int runs = args.value(0).toInt(&ok);
        if (ok && runs > 0 && args.size() <= 2) {
            QTemporaryDir temp;
            return Crash(runs, args.size() == 2 ? args[1] : temp.path());
        }
    } catch (const StoreError& e) {
        std::cerr << "store_crash: " << e.Message().toStdString() << std::endl;
        return 1;
    }
    std::cerr << "usage: store_crash RUNS [DIR|URI] | book STORE SEED | hold STORE MS | write STORE [--rollback] SQL..." << std::endl;
    return 2;
}
