// Image transfer throughput and memory next to the two tools people use for
// the same job, and the cost of many computers sharing few settings.
//
// 48 photographs of 4000 x 3000 (JPEG quality 90, made here) are scaled to
// fit 800 x 600 at quality 75 on both cores:
//   - ours: one process, two images at a time (the transfer library);
//   - vipsthumbnail: two processes, 24 images each;
//   - ImageMagick convert: one process per image, two at a time.
//   - Qt's image I/O on the same job, for the choice of library.
// Peak memory is the largest resident set of one process, of each process
// its own (see Starten). PSNR compares our
// result with ImageMagick's on every image. Then the transfer job runs for
// one computer and for 500 computers served by 5 distinct settings.
//
//   bench_transfer [work folder]   (default: a temporary folder)

#include "data/MainDM.h"
#include "host/core/KOMMFilter.h"
#include "host/core/Rechner.h"
#include "host/store/Store.h"
#include "transfer/BildVerarbeitung.h"
#include "transfer/Transfer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThreadPool>

#include <cmath>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kBilder = 48;
constexpr QSize kFoto(4000, 3000);
constexpr int kVerlust75 = 64; // JpegQualitaet(64) == 75

struct TMessung
{
    double Sekunden = 0;
    double Rechenzeit = 0; // CPU seconds of all processes, user and system
    long SpitzeKb = 0;     // largest resident set of one process
};

// A photograph-like picture: soft light, shapes, fine grain.
QImage Foto(quint32 seed)
{
    QRandomGenerator zufall(seed);
    QImage image(kFoto, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient himmel(0, 0, kFoto.width() / 3, kFoto.height());
    himmel.setColorAt(0, QColor::fromHsv(int(zufall.bounded(360)), 120, 230));
    himmel.setColorAt(1, QColor::fromHsv(int(zufall.bounded(360)), 160, 90));
    painter.fillRect(image.rect(), himmel);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 300; ++i) {
        painter.setBrush(QColor::fromHsv(int(zufall.bounded(360)), int(zufall.bounded(256)),
                                         int(zufall.bounded(256)), int(zufall.bounded(60, 200))));
        const int r = int(zufall.bounded(20, 600));
        painter.drawEllipse(QPoint(int(zufall.bounded(kFoto.width())), int(zufall.bounded(kFoto.height()))),
                            r, r / 2);
    }
    painter.end();
    for (int y = 0; y < image.height(); ++y) {
        auto* zeile = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int korn = int(zufall.bounded(17)) - 8;
            const QRgb p = zeile[x];
            zeile[x] = qRgb(std::clamp(qRed(p) + korn, 0, 255), std::clamp(qGreen(p) + korn, 0, 255),
                            std::clamp(qBlue(p) + korn, 0, 255));
        }
    }
    return image;
}

QStringList FotosMachen(const QString& ordner)
{
    QDir().mkpath(ordner);
    QStringList pfade;
    for (int i = 0; i < kBilder; ++i) {
        const QString pfad =
            QDir(ordner).filePath(QStringLiteral("foto%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        if (!QFile::exists(pfad)) {
            QImageWriter writer(pfad, "jpeg");
            writer.setQuality(90);
            writer.write(Foto(quint32(i + 1)));
        }
        pfade.append(pfad);
    }
    return pfade;
}

// Starts a command line. A child's peak resident set (ru_maxrss) carries
// the peak of the process it was forked from, here the benchmark's own
// after making the photographs, and that would be every tool's figure. So
// the child first resets its peak to what it holds after the fork (Linux's
// clear_refs); the floor left is measured by starting `true`.
void Starten(std::vector<char*>& argv)
{
    const pid_t pid = fork();
    if (pid < 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(2);
    }
    if (pid == 0) {
        const int refs = open("/proc/self/clear_refs", O_WRONLY);
        if (refs >= 0) {
            const ssize_t written = write(refs, "5", 1);
            static_cast<void>(written);
            close(refs);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
}

// Runs the command lines, at most `gleichzeitig` at a time; the peak is the
// largest of one process, each process's own.
TMessung Prozesse(const std::vector<QStringList>& befehle, int gleichzeitig)
{
    QElapsedTimer uhr;
    uhr.start();
    TMessung messung;
    size_t naechster = 0;
    int laufend = 0;
    while (naechster < befehle.size() || laufend > 0) {
        while (laufend < gleichzeitig && naechster < befehle.size()) {
            std::vector<QByteArray> teile;
            for (const QString& teil : befehle[naechster]) {
                teile.push_back(teil.toLocal8Bit());
            }
            std::vector<char*> argv;
            for (QByteArray& teil : teile) {
                argv.push_back(teil.data());
            }
            argv.push_back(nullptr);
            Starten(argv);
            ++naechster;
            ++laufend;
        }
        int status = 0;
        rusage usage{};
        if (wait4(-1, &status, 0, &usage) > 0) {
            --laufend;
            messung.SpitzeKb = std::max(messung.SpitzeKb, usage.ru_maxrss);
            messung.Rechenzeit += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                std::fprintf(stderr, "a child process failed\n");
            }
        }
    }
    messung.Sekunden = uhr.elapsed() / 1000.0;
    return messung;
}

// The child process of our own run: the transfer library on both cores.
int UnsereVerkleinern(const QStringList& argumente)
{
    const QString aus = argumente.value(0);
    TBildEinstellung einstellung;
    einstellung.GroesseBreite = 800;
    einstellung.GroesseHoehe = 600;
    einstellung.Qualitaetsverlust = kVerlust75;
    BildBibliothekStarten(true);
    QThreadPool pool;
    pool.setMaxThreadCount(2);
    for (const QString& pfad : argumente.mid(1)) {
        pool.start([pfad, aus, einstellung] {
            const TBildErgebnis ergebnis =
                BildAnwenden(einstellung, TBildQuelle{QFileInfo(pfad).fileName(), pfad, {}});
            QFile file(QDir(aus).filePath(ergebnis.Name));
            if (file.open(QIODevice::WriteOnly)) {
                file.write(ergebnis.Daten);
            }
        });
    }
    pool.waitForDone();
    return 0;
}

// The same job with Qt's image I/O, for the choice of library: the JPEG
// reader decodes at a reduced scale when asked for a smaller size.
int QtVerkleinern(const QStringList& argumente)
{
    const QString aus = argumente.value(0);
    QThreadPool pool;
    pool.setMaxThreadCount(2);
    for (const QString& pfad : argumente.mid(1)) {
        pool.start([pfad, aus] {
            QImageReader reader(pfad);
            reader.setAutoTransform(true);
            reader.setScaledSize(reader.size().scaled(800, 600, Qt::KeepAspectRatio));
            QImageWriter writer(QDir(aus).filePath(QFileInfo(pfad).fileName()), "jpeg");
            writer.setQuality(75);
            writer.write(reader.read());
        });
    }
    pool.waitForDone();
    return 0;
}

double Psnr(const QString& a, const QString& b)
{
    const QImage x = QImage(a).convertToFormat(QImage::Format_RGB32);
    const QImage y = QImage(b).convertToFormat(QImage::Format_RGB32);
    if (x.isNull() || x.size() != y.size()) {
        return 0;
    }
    double summe = 0;
    for (int r = 0; r < x.height(); ++r) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
        for (int c = 0; c < x.width(); ++c) {
            const double dr = qRed(p[c]) - qRed(q[c]);
            const double dg = qGreen(p[c]) - qGreen(q[c]);
            const double db = qBlue(p[c]) - qBlue(q[c]);
            summe += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = summe / (3.0 * x.width() * x.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

void Zeile(const char* wer, const TMessung& messung)
{
    std::printf("%-28s %6.1f images/s  %6.1f s  CPU %5.0f ms/image  peak %6.1f MB\n", wer,
                kBilder / messung.Sekunden, messung.Sekunden, 1000 * messung.Rechenzeit / kBilder,
                messung.SpitzeKb / 1024.0);
}

// 500 computers of 5 types, each type with its own setting.
// Runs the job for the computers at the given places of the computer list,
// or for all with an empty list.
double Rechnerlauf(const QString& arbeit, const QStringList& bilder, const QList<int>& auswahl)
{
    QTemporaryDir dir(arbeit + QStringLiteral("/store-XXXXXX"));
    auto store = TStore::Open(dir.filePath(QStringLiteral("store.sqlite")));
    TStore::SetCurrent(store.get());
    QString csv;
    const QString typen = QStringLiteral("ABCDE");
    for (const QChar typ : typen) {
        csv += QStringLiteral("Rechnertyp;%1;Typ %1\n").arg(typ);
    }
    for (int i = 0; i < 500; ++i) {
        csv += QStringLiteral("Rechner;%1;Rechner %1;%2\n").arg(i + 1).arg(typen[i % 5]);
    }
    ImportComputersCsvText(*store, csv, QStringLiteral("bench"));
    {
        TdtmKOMMFilter dtm;
        dtm.RunCreateHandler();
        dtm.BuchenAktivitaet(QStringLiteral("ABIL"), true);
        for (int i = 0; i < 5; ++i) {
            const QString name = QStringLiteral("STUFE%1").arg(i);
            TABILKommFilter filter(QStringLiteral("ABIL"), name);
            // Settings of like cost: the same box at five loss levels.
            filter.GroesseBreite = 800;
            filter.GroesseHoehe = 600;
            filter.Qualitaetsverlust = 32 + 32 * i;
            filter.FilterSave();
            dtm.BuchenKommunikation(QStringLiteral("ABIL"), name, typen[i], 0, true);
        }
    }
    TTransferAuftrag auftrag;
    auftrag.Kennung = QStringLiteral("ABIL");
    auftrag.Bilder = bilder;
    auftrag.Ausgabe = dir.filePath(QStringLiteral("aus"));
    const QList<TRechner> alle = ReadRechner(*store, false);
    for (const int stelle : auswahl) {
        auftrag.Rechner.append(alle[stelle]);
    }
    if (auswahl.isEmpty()) {
        auftrag.Rechner = alle;
    }
    QElapsedTimer uhr;
    uhr.start();
    const TTransferErgebnis ergebnis = Uebertragen(auftrag);
    const double sekunden = uhr.elapsed() / 1000.0;
    std::printf("transfer %3lld computers: %d settings, %d images processed, %.2f s\n",
                static_cast<long long>(auftrag.Rechner.size()), ergebnis.Einstellungen, ergebnis.Verarbeitet,
                sekunden);
    TStore::SetCurrent(nullptr);
    return sekunden;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList argumente = QCoreApplication::arguments();
    if (argumente.value(1) == QStringLiteral("--unsere")) {
        return UnsereVerkleinern(argumente.mid(2));
    }
    if (argumente.value(1) == QStringLiteral("--qt")) {
        return QtVerkleinern(argumente.mid(2));
    }
    QTemporaryDir temp;
    const QString arbeit = argumente.size() > 1 ? argumente[1] : temp.path();
    std::printf("making %d photographs %dx%d in %s ...\n", kBilder, kFoto.width(), kFoto.height(),
                qPrintable(arbeit));
    std::fflush(stdout);
    const QStringList fotos = FotosMachen(arbeit + QStringLiteral("/fotos"));

    const QString unsere = arbeit + QStringLiteral("/unsere");
    const QString vips = arbeit + QStringLiteral("/vips");
    const QString magick = arbeit + QStringLiteral("/magick");
    const QString qt = arbeit + QStringLiteral("/qt");
    for (const QString& ordner : {unsere, vips, magick, qt}) {
        QDir(ordner).removeRecursively();
        QDir().mkpath(ordner);
    }

    QStringList ich{QCoreApplication::applicationFilePath(), QStringLiteral("--unsere"), unsere};
    const TMessung wir = Prozesse({ich + fotos}, 1);
    const QStringList qtLauf{QCoreApplication::applicationFilePath(), QStringLiteral("--qt"), qt};
    const TMessung qtMessung = Prozesse({qtLauf + fotos}, 1);
    std::vector<QStringList> vipsBefehle;
    for (int haelfte = 0; haelfte < 2; ++haelfte) {
        vipsBefehle.push_back(QStringList{QStringLiteral("vipsthumbnail"), QStringLiteral("-s"),
                                          QStringLiteral("800x600"), QStringLiteral("-o"),
                                          vips + QStringLiteral("/%s.jpg[Q=75]")} +
                              fotos.mid(haelfte * kBilder / 2, kBilder / 2));
    }
    const TMessung vipsMessung = Prozesse(vipsBefehle, 2);
    std::vector<QStringList> magickBefehle;
    for (const QString& foto : fotos) {
        magickBefehle.push_back({QStringLiteral("convert"), foto, QStringLiteral("-resize"),
                                 QStringLiteral("800x600"), QStringLiteral("-quality"), QStringLiteral("75"),
                                 QDir(magick).filePath(QFileInfo(foto).fileName())});
    }
    const TMessung magickMessung = Prozesse(magickBefehle, 2);
    const TMessung boden = Prozesse({{QStringLiteral("true")}}, 1);

    std::printf("\n%d photographs %dx%d -> fit 800x600, quality 75, two at a time\n", kBilder, kFoto.width(),
                kFoto.height());
    Zeile("veldrake transfer (libvips)", wir);
    Zeile("Qt image I/O (same job)", qtMessung);
    Zeile("vipsthumbnail", vipsMessung);
    Zeile("ImageMagick convert", magickMessung);
    std::printf("(no peak is below %.1f MB, the peak of `true` started the same way)\n",
                boden.SpitzeKb / 1024.0);
    std::printf("throughput: %.2f x vipsthumbnail, %.2f x ImageMagick; peak memory %.2f x vipsthumbnail\n",
                vipsMessung.Sekunden / wir.Sekunden, magickMessung.Sekunden / wir.Sekunden,
                double(wir.SpitzeKb) / double(vipsMessung.SpitzeKb));

    for (const auto& [wer, ordner] : {std::pair{"ours", unsere}, std::pair{"Qt image I/O", qt}}) {
        double psnrMin = 99;
        double psnrSumme = 0;
        for (const QString& foto : fotos) {
            const QString name = QFileInfo(foto).fileName();
            const double psnr = Psnr(QDir(ordner).filePath(name), QDir(magick).filePath(name));
            psnrMin = std::min(psnrMin, psnr);
            psnrSumme += psnr;
        }
        std::printf("PSNR %s vs ImageMagick: mean %.1f dB, lowest %.1f dB\n", wer, psnrSumme / kBilder,
                    psnrMin);
    }
    std::printf("\n");

    const QStringList auswahl = fotos.mid(0, 12);
    // One computer of each setting in turn, against all 500 at once.
    double einer = 0;
    for (int stelle = 0; stelle < 5; ++stelle) {
        einer += Rechnerlauf(arbeit, auswahl, {stelle}) / 5;
    }
    const double alle = Rechnerlauf(arbeit, auswahl, {});
    std::printf("500 computers / 5 settings take %.2f x the mean time of one computer\n", alle / einer);
    return 0;
}
