// The window "Verlauf" on a large history: seeds 1,000,000 history rows and
// 200 rows that list 5,000 computers and type A each into a new store, then
// times the window from its creation until its first rows are painted, and
// each filter until the list is painted again. Reports the peak memory of the
// process (ru_maxrss).
//
//   bench_verlauf [runs] [postgresql://...]
#include "BenchStores.h"

#include "data/MainDM.h"
#include "dialogs/VerlaufU.h"
#include "host/KRNControls.h"
#include "host/core/KRNInfo.h"
#include "host/store/Store.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QTableView>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kZeilen = 1'000'000;
constexpr int kListen = 200; // rows that list kListe computers each
constexpr int kListe = 5000;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double PeakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One statement: units of work of five rows, one a minute, 20 users on 50
// workstations, 1000 computers, 300 settings of two kinds.
void Seed(TStore& store, bool server)
{
    const QString zeile =
        server ? QStringLiteral("to_char(to_timestamp(1700000000 + x * 60) AT TIME ZONE 'UTC',"
                                " 'YYYY-MM-DD\"T\"HH24:MI:SS.000\"Z\"')")
               : QStringLiteral("strftime('%Y-%m-%dT%H:%M:%S.000Z', 1700000000 + x * 60, 'unixepoch')");
    const QString reihe = server ? QStringLiteral("SELECT generate_series(1, %1) AS x").arg(kZeilen)
                                 : QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n"
                                                  " WHERE x < %1) SELECT x FROM n")
                                       .arg(kZeilen);
    store.Exec(QStringLiteral("BEGIN"));
    store.Exec(QStringLiteral(
                   "INSERT INTO verlauf (zeit, arbeitseinheit, benutzer, arbeitsplatz, programm, version, art,"
                   " kennung, bezeichnung, rtyp, rnr, vorher, nachher)"
                   " SELECT %1, 'e' || (x / 5), 'user' || (x % 20), 'PC' || (x % 50), 'veldrake', '1.0',"
                   " CASE x % 4 WHEN 0 THEN 'einstellung_geaendert' WHEN 1 THEN 'zuordnung_hinzu'"
                   "  WHEN 2 THEN 'zuordnung_entfernt' ELSE 'filterart_an' END,"
                   " CASE x % 2 WHEN 0 THEN 'ABIL' ELSE 'KBIL' END, 'S' || (x % 300), ' ',"
                   " CASE WHEN x % 4 IN (1, 2) THEN x % 1000 + 1 ELSE 0 END,"
                   " CASE x % 4 WHEN 0 THEN '{\"Beschreibung\":\"a\",\"Werte\":{\"GroesseBreite\":1024}}' END,"
                   " CASE x % 4 WHEN 0 THEN '{\"Beschreibung\":\"a\",\"Werte\":{\"GroesseBreite\":800}}' END"
                   " FROM (%2) AS reihe")
                   .arg(zeile, reihe));
    // The newest: confirmations of 5,000 computers each (the even numbers),
    // stored as rows that list them.
    const QString nummern = server ? QStringLiteral("SELECT string_agg((2 * x)::text, ',') FROM generate_series(1, %1) x")
                                         .arg(kListe)
                                   : QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n"
                                                    " WHERE x < %1) SELECT group_concat(2 * x) FROM n")
                                         .arg(kListe);
    const QString listen = server ? QStringLiteral("SELECT generate_series(%1, %2) AS x").arg(kZeilen + 1).arg(kZeilen + kListen)
                                  : QStringLiteral("WITH RECURSIVE n(x) AS (SELECT %1 UNION ALL SELECT x + 1 FROM n"
                                                   " WHERE x < %2) SELECT x FROM n")
                                        .arg(kZeilen + 1)
                                        .arg(kZeilen + kListen);
    store.Exec(QStringLiteral("INSERT INTO verlauf (zeit, arbeitseinheit, benutzer, arbeitsplatz, programm, version,"
                              " art, kennung, bezeichnung, rtyp, rnr, nachher)"
                              " SELECT %1, 'e' || x, 'user1', 'PC1', 'veldrake', '1.0', 'zuordnungen_hinzu', 'ABIL',"
                              " 'S' || (x % 300), ' ', 0, '{\"Rechner\":[' || (%2) || '],\"Rechnertypen\":[\"A\"]}'"
                              " FROM (%3) AS reihe")
                   .arg(zeile, nummern, listen));
    store.Exec(QStringLiteral("COMMIT"));
}

struct TSchritt
{
    const char* Name;
    std::function<void(TfrmVerlauf&)> Tun;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    try {
        TBenchStores stores(argc > 2 ? argv[2] : nullptr);
        const QString path = stores.New(QStringLiteral("verlauf"));
        const auto store = TStore::Open(path);
        TStore::SetCurrent(store.get());
        auto start = Clock::now();
        Seed(*store, stores.Postgres());
        if (stores.Postgres()) {
            store->Exec(QStringLiteral("ANALYZE verlauf"));
        }
        std::printf("%s store: %d history rows and %d that list %d computers each seeded in %.0f ms; peak memory"
                    " %.1f MiB\n",
                    qPrintable(stores.Backend()), kZeilen, kListen, kListe, MsSince(start), PeakMiB());

        const std::vector<TSchritt> schritte = {
            {"computer 101", [](TfrmVerlauf& f) { f.edtRNr->setText(QStringLiteral("101")); }},
            {"computer 999", [](TfrmVerlauf& f) { f.edtRNr->setText(QStringLiteral("999")); }},
            {"computer 1000 (listed)", [](TfrmVerlauf& f) { f.edtRNr->setText(QStringLiteral("1000")); }},
            {"type A (listed)", [](TfrmVerlauf& f) { f.edtRTyp->setText(QStringLiteral("A")); }},
            {"type B", [](TfrmVerlauf& f) { f.edtRTyp->setText(QStringLiteral("B")); }},
            {"setting S7", [](TfrmVerlauf& f) { f.edtEinstellung->setText(QStringLiteral("S7")); }},
            {"kind KBIL", [](TfrmVerlauf& f) { f.cmbFilterart->setCurrentIndex(2); }},
            {"user user3", [](TfrmVerlauf& f) { f.edtBenutzer->setText(QStringLiteral("user3")); }},
            {"since 30 days before the newest",
             [](TfrmVerlauf& f) { f.dtpSeit->setDate(QDateTime::fromSecsSinceEpoch(1700000000LL + kZeilen * 60LL)
                                                          .date()
                                                          .addDays(-30)); }},
            {"until the first week (oldest rows)",
             [](TfrmVerlauf& f) { f.dtpBis->setDate(QDateTime::fromSecsSinceEpoch(1700000000LL).date().addDays(7)); }},
            {"scroll 10 pages down",
             [](TfrmVerlauf& f) {
                 for (int i = 0; i < 10; ++i) {
                     f.grdVerlauf->scrollToBottom();
                     QCoreApplication::processEvents();
                 }
             }},
        };
        for (const qint32 rnr : {101, 999, 1000}) {
            TVerlaufSuche suche;
            suche.Filter.RNr = rnr;
            const auto s = Clock::now();
            const int n = static_cast<int>(VerlaufSeite(*store, suche, {}, TVerlaufModell::Seite).size());
            std::printf("VerlaufSeite computer %d alone: %d rows in %.1f ms\n", rnr, n, MsSince(s));
        }
        RegisterKOMMFilterEditor(QStringLiteral("ABIL"), QStringLiteral("Artikelbilder"), nullptr, nullptr);
        RegisterKOMMFilterEditor(QStringLiteral("KBIL"), QStringLiteral("Katalogbilder"), nullptr, nullptr);
        std::vector<double> offen;
        std::map<int, std::vector<double>> filter;
        int zeilen = 0;
        for (int run = 0; run < runs; ++run) {
            start = Clock::now();
            auto form = KRNCreateForm<TfrmVerlauf>();
            TModalScripts scripts(TModalScripts::Doing([&](TKRNForm&) {
                form->grdVerlauf->viewport()->repaint();
                offen.push_back(MsSince(start));
                zeilen = form->Modell().rowCount();
                for (size_t i = 0; i < schritte.size(); ++i) {
                    form->btnFilterLeerenClick(nullptr);
                    const auto s = Clock::now();
                    schritte[i].Tun(*form);
                    form->grdVerlauf->viewport()->repaint();
                    filter[static_cast<int>(i)].push_back(MsSince(s));
                }
                form->SetModalResult(mrCancel);
            }));
            form->ShowModal();
        }
        std::printf("median of %d runs: window created and first %d rows painted %.1f ms\n", runs, zeilen,
                    Median(offen));
        for (size_t i = 0; i < schritte.size(); ++i) {
            std::printf("  filter %s: %.1f ms\n", schritte[i].Name, Median(filter[static_cast<int>(i)]));
        }
        std::printf("peak memory %.1f MiB\n", PeakMiB());
        TStore::SetCurrent(nullptr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
