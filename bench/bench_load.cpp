// Fills and shows the saved-settings chooser over 100,000 saved settings of
// one filter kind (next to 100,000 of another kind that must not show) and
// compares the time with the bare SQL query that reads the same rows.
//
// Usage: bench_load [rows per kind] [runs]
#include "BenchStores.h"

#include "data/MainDM.h"
#include "dialogs/LoadFilterU.h"
#include "host/VRList.h"
#include "host/VTVRList.h"
#include "host/core/KRNInfo.h"
#include "host/store/Store.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QSqlError>
#include <QSqlQuery>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString kShown = u"ABIL"_s;
const QString kOther = u"KBIL"_s;

void Check(bool ok, const QSqlQuery& query)
{
    if (!ok) {
        throw std::runtime_error(query.lastError().text().toStdString());
    }
}

// Saved settings as the image filter objects store them.
void Seed(TStore& store, int rowsPerKind)
{
    TStoreTransaction transaction(store);
    QSqlQuery insert(store.Database());
    Check(insert.prepare(u"INSERT INTO fidefile (Kennung, Bezeichnung, Beschreibung, Einstellungen)"
                         u" VALUES (?, ?, ?, ?)"_s),
          insert);
    const QString settings = uR"({"BildLoeschen":false,"GroesseBreite":800,"GroesseHoehe":600,)"
                             uR"("OnlyFirstPicExp":true,"Qualitaetsverlust":20})"_s;
    for (const QString& kennung : {kOther, kShown}) {
        for (int i = 0; i < rowsPerKind; ++i) {
            insert.bindValue(0, kennung);
            insert.bindValue(1, u"E%1"_s.arg(i, 6, 10, QLatin1Char('0')));
            insert.bindValue(2, u"Bilder für Filiale %1, Größe 800 × 600, Qualität 80 %"_s.arg(i));
            insert.bindValue(3, settings);
            Check(insert.exec(), insert);
        }
    }
    insert.finish();
    transaction.Commit();
}

// Counts paint events of a widget.
class PaintWatch final : public QObject
{
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++Paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

// The chooser's fill and first paint: FormShow (which fills the list), show,
// events until the list has painted.
double FillAndShow(TfrmLoad& form, PaintWatch& watch, int& rows)
{
    form.hide();
    QApplication::processEvents();
    watch.Paints = 0;
    QElapsedTimer timer;
    timer.start();
    form.RunShowHandler();
    form.show();
    while (watch.Paints == 0) {
        QApplication::processEvents();
        if (timer.elapsed() > 60000) {
            throw std::runtime_error("the list never painted");
        }
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    rows = form.FIDEList()->GetRowCount();
    return ms;
}

// The bare query over the same rows, reading both texts of each; with keep
// the texts are kept in memory, as any list must keep them.
double BareQuery(TStore& store, int& rows, bool keep)
{
    std::vector<std::pair<QString, QString>> texts;
    QElapsedTimer timer;
    timer.start();
    QSqlQuery query(store.Database());
    query.setForwardOnly(true);
    Check(query.prepare(u"SELECT Bezeichnung, Beschreibung FROM fidefile WHERE Kennung = ?"
                        u" ORDER BY Kennung, Bezeichnung"_s),
          query);
    query.addBindValue(kShown);
    Check(query.exec(), query);
    rows = 0;
    qsizetype chars = 0;
    while (query.next()) {
        QString bezeichnung = query.value(0).toString();
        QString beschreibung = query.value(1).toString();
        chars += bezeichnung.size() + beschreibung.size();
        if (keep) {
            texts.emplace_back(std::move(bezeichnung), std::move(beschreibung));
        }
        ++rows;
    }
    query.finish();
    texts.clear();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (chars == 0 && rows > 0) {
        throw std::runtime_error("no text read");
    }
    return ms;
}

// The record store's part of the fill alone: the same calls, optionally
// with the rows added to a row list, but no view.
double StoreRead(Tfidefile& fide, TVRList* list, int& rows)
{
    QElapsedTimer timer;
    timer.start();
    if (list) {
        list->RowsClear();
    }
    rows = 0;
    fide.ResetSearch();
    fide.UseKey(fide.PrimaryKeyNr());
    fide.Kennung.SetWert(kShown);
    fide.Kennung.TakeFilterValue();
    fide.ExtendedFilterAdd(fide.Kennung, dbcEqual, dblAnd);
    fide.Get_first_extMode();
    while (fide.Found()) {
        const QString bezeichnung = fide.Bezeichnung.GetWert();
        const QString beschreibung = fide.Beschreibung.GetWert();
        if (list) {
            list->RowAdd({bezeichnung, beschreibung}, 0);
        }
        ++rows;
        fide.Get_next_extMode();
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int rowsPerKind = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    try {
        // argv[3], VELDRAKE_STORE or VELDRAKE_TEST_PG: a PostgreSQL server.
        TBenchStores stores(argc > 3 ? argv[3] : nullptr);
        auto store = TStore::Open(stores.New(u"load"_s));
        std::printf("%s store\n", qPrintable(stores.Backend()));
        TStore::SetCurrent(store.get());
        QElapsedTimer seedTimer;
        seedTimer.start();
        Seed(*store, rowsPerKind);
        std::printf("seeded %d + %d saved settings in %.0f ms\n", rowsPerKind, rowsPerKind,
                    double(seedTimer.elapsed()));
        const long peakBefore = PeakKiB();

        TdtmKOMMFilter dtm;
        dtmKOMMFilter = &dtm;
        dtm.RunCreateHandler();
        auto form = KRNCreateForm<TfrmLoad>();
        form->SetFilterKennung(kShown);
        form->SetCaption(u"Filtereinstellungen bearbeiten - Artikelbilder"_s);
        PaintWatch watch;
        form->vtFIDEList->viewport()->installEventFilter(&watch);

        std::vector<double> fills;
        std::vector<double> queries;
        int fillRows = 0;
        int queryRows = 0;
        // A first round warms the page cache for both; then they alternate.
        FillAndShow(*form, watch, fillRows);
        BareQuery(*store, queryRows, false);
        for (int i = 0; i < runs; ++i) {
            fills.push_back(FillAndShow(*form, watch, fillRows));
            queries.push_back(BareQuery(*store, queryRows, false));
        }
        const long peakFill = PeakKiB();

        // Where the time goes: the query keeping its rows, the record store's
        // reads alone and with the row list.
        std::vector<double> kept;
        std::vector<double> reads;
        std::vector<double> listed;
        int readRows = 0;
        for (int i = 0; i < runs; ++i) {
            kept.push_back(BareQuery(*store, readRows, true));
            reads.push_back(StoreRead(dtm.fidefile, nullptr, readRows));
            TVRList rowList;
            listed.push_back(StoreRead(dtm.fidefile, &rowList, readRows));
        }
        if (fillRows != rowsPerKind || queryRows != rowsPerKind) {
            std::fprintf(stderr, "row counts differ: fill %d, query %d, expected %d\n", fillRows, queryRows,
                         rowsPerKind);
            return 1;
        }
        if (!KRNInfo().RegisteredErrors().isEmpty()) {
            std::fprintf(stderr, "failure: %s\n",
                         qPrintable(KRNInfo().RegisteredErrors().front().Text));
            return 1;
        }
        const double fill = Median(fills);
        const double query = Median(queries);
        std::printf("rows listed:             %d (of %d in fidefile)\n", fillRows, 2 * rowsPerKind);
        std::printf("chooser fill + show:     %.1f ms (median of %d; min %.1f)\n", fill, runs,
                    *std::min_element(fills.begin(), fills.end()));
        std::printf("bare SQL query:          %.1f ms (median of %d; min %.1f)\n", query, runs,
                    *std::min_element(queries.begin(), queries.end()));
        std::printf("ratio fill / query:      %.2f (target <= 2)\n", fill / query);
        std::printf("breakdown (medians):     query keeping its rows %.1f ms; store reads %.1f ms;"
                    " store reads into a row list %.1f ms\n",
                    Median(kept), Median(reads), Median(listed));
        std::printf("peak memory:             %.1f MiB after the fills (%.1f MiB after seeding, %.1f MiB at the end)\n",
                    double(peakFill) / 1024.0, double(peakBefore) / 1024.0, double(PeakKiB()) / 1024.0);
        form.reset();
        dtmKOMMFilter = nullptr;
        TStore::SetCurrent(nullptr);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_load: %s\n", e.what());
        return 1;
    }
}
