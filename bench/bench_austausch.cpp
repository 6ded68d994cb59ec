// Export, dry run and import of 10,000 settings with 100,000 assignments
// (ten computer numbers each) on SQLite or, given a PostgreSQL URI (or under
// scripts/with-postgres.sh), on databases beside it.
//
//     build/bench/bench_austausch [settings] [store URI]

#include "BenchStores.h"

#include "host/core/Rechner.h"
#include "host/store/Store.h"
#include "transfer/Austausch.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>

#include <sys/resource.h>

namespace {

long PeakKiB()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}

// Times one step and prints it with the statements it sent.
template <typename Step> auto Messen(const char* name, TStore& store, Step step)
{
    const qint64 statements = store.StatementCount();
    QElapsedTimer timer;
    timer.start();
    auto result = step();
    std::printf("%-34s %7.2f s  %5lld statements  peak %6.1f MB\n", name, double(timer.nsecsElapsed()) / 1e9,
                static_cast<long long>(store.StatementCount() - statements), double(PeakKiB()) / 1024.0);
    return result;
}

std::unique_ptr<TStore> MitRechnern(const QString& ort, int rechner)
{
    std::unique_ptr<TStore> store = TStore::Open(ort);
    TStore::SetCurrent(store.get());
    QString csv = QStringLiteral("Rechnertyp;F;Filiale\n");
    for (int n = 1; n <= rechner; ++n) {
        csv += QStringLiteral("Rechner;%1;R%1;F\n").arg(n);
    }
    ImportComputersCsvText(*store, csv, QStringLiteral("bench"));
    return store;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int einstellungen = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    constexpr int kJe = 10;
    try {
        TBenchStores stores(argc > 2 ? argv[2] : nullptr);
        TAustausch dokument;
        TAustauschArt art{QStringLiteral("ABIL"), true, {}};
        for (int i = 0; i < einstellungen; ++i) {
            TAustauschEinstellung e;
            e.Bezeichnung = QStringLiteral("E%1").arg(i, 6, 10, QLatin1Char('0'));
            e.Beschreibung = QStringLiteral("Einstellung %1").arg(i);
            e.Werte = QJsonObject{{QStringLiteral("GroesseBreite"), 100 + i % 900},
                                  {QStringLiteral("GroesseHoehe"), 0},
                                  {QStringLiteral("Qualitaetsverlust"), i % 256},
                                  {QStringLiteral("BildLoeschen"), false},
                                  {QStringLiteral("OnlyFirstPicExp"), i % 2 == 0}};
            for (int k = 0; k < kJe; ++k) {
                e.RNummern.append(i * kJe + k + 1);
            }
            art.Einstellungen.append(e);
        }
        dokument.Arten = {art, TAustauschArt{QStringLiteral("KBIL"), false, {}}};
        const QByteArray text = AustauschText(dokument);
        std::printf("%s, %d settings, %d assignments, document %.1f MB\n", qPrintable(stores.Backend()),
                    einstellungen, einstellungen * kJe, double(text.size()) / 1e6);

        const std::unique_ptr<TStore> quelle = MitRechnern(stores.New(QStringLiteral("austausch_quelle")),
                                                           einstellungen * kJe);
        TImportOptionen optionen;
        optionen.Quelle = QStringLiteral("bench.json");
        const TAustausch gelesen = Messen("read the document", *quelle, [&] {
            return AustauschParsen(text, optionen.Quelle);
        });
        Messen("dry run into an empty store", *quelle, [&] {
            return ImportPlanen(*quelle, gelesen, optionen).Aenderungen.size();
        });
        Messen("import into an empty store", *quelle, [&] {
            return Importieren(*quelle, gelesen, optionen).Einstellungen;
        });
        const QByteArray exportiert = Messen("export", *quelle, [&] {
            return AustauschText(AustauschLesen(*quelle, {}, false));
        });
        const bool leer = Messen("dry run of the same again", *quelle, [&] {
            return ImportPlanen(*quelle, AustauschParsen(exportiert, optionen.Quelle), optionen).Leer();
        });
        // Every setting changed, every assignment moved to the next computers.
        TAustausch anders = gelesen;
        for (TAustauschEinstellung& e : anders.Arten[0].Einstellungen) {
            e.Werte.insert(QStringLiteral("GroesseHoehe"), 480);
            for (qint32& n : e.RNummern) {
                n = n % (einstellungen * kJe) + 1;
            }
        }
        Messen("dry run, everything changed", *quelle, [&] {
            return ImportPlanen(*quelle, anders, optionen).Aenderungen.size();
        });
        Messen("import, everything changed", *quelle, [&] {
            return Importieren(*quelle, anders, optionen).Zuordnungen;
        });
        std::printf("exported again unchanged: %s\n", leer ? "yes" : "NO");
        TStore::SetCurrent(nullptr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", KRNExceptionText(e).toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
