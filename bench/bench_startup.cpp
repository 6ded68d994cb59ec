// Start-up time of the program next to a bare Qt program: from exec to the
// first idle moment of the message loop, on the offscreen platform, with a
// fresh home and a fresh SQLite store. The bare program is this benchmark
// started with --bare: a QApplication, one window with a label and a button
// shown (the fonts are set up as for any window with text), an SQLite file
// opened and read through QSqlDatabase, ended at the first aboutToBlock.
// The program ends there too (VELDRAKE_QUIT_AT_IDLE=1). Both tell at idle
// how many shared libraries they map (app/Leerlauf.h).
//
// One run of each first (it creates the store and fills the caches), then
// 21 runs of each, interleaved; printed are the medians, their ratio
// (goal: at most 1.2) and the libraries mapped.
//
//   bench_startup [path of veldrake]   (default: the build's)
//   bench_startup --bare SQLITE-FILE   (the bare program)

#include "app/Leerlauf.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kLaeufe = 21;
constexpr char kLeerlauf[] = "idle: ";

int Bare(int argc, char** argv, const char* datei)
{
    QApplication app(argc, argv);
    // A window as any program shows one: a line of text and a button, so
    // that the fonts are set up as in every real window.
    QWidget fenster;
    auto* layout = new QVBoxLayout(&fenster);
    layout->addWidget(new QLabel(QStringLiteral("Filter für den Datenaustausch"), &fenster));
    layout->addWidget(new QPushButton(QStringLiteral("Ende"), &fenster));
    fenster.resize(640, 480);
    fenster.show();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(QString::fromLocal8Bit(datei));
        QSqlQuery query(db);
        if (!db.open() || !query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) ||
            !query.next()) {
            std::fprintf(stderr, "bench_startup --bare: %s\n", qPrintable(db.lastError().text()));
            return 1;
        }
    }
    bool gemeldet = false;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &app,
                     [&gemeldet] {
                         if (!gemeldet) {
                             gemeldet = true;
                             LeerlaufMelden();
                             QCoreApplication::quit();
                         }
                     });
    return app.exec();
}

struct TLauf
{
    double Millisekunden = 0; // exec to the idle line
    int Bibliotheken = 0;
};

// The environment of every run: offscreen, the program's own event
// dispatcher, a home of its own and the store given; nothing of the
// caller's store, tenant or data folders.
std::vector<std::string> Umgebung(const std::string& home, const std::string& store)
{
    std::vector<std::string> umgebung;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string eintrag = *e;
        const std::string name = eintrag.substr(0, eintrag.find('='));
        if (name != "HOME" && name != "QT_QPA_PLATFORM" && name != "QT_NO_GLIB" &&
            !name.starts_with("XDG_") && !name.starts_with("VELDRAKE_")) {
            umgebung.push_back(eintrag);
        }
    }
    umgebung.push_back("HOME=" + home);
    umgebung.push_back("QT_QPA_PLATFORM=offscreen");
    umgebung.push_back("QT_NO_GLIB=1");
    umgebung.push_back("VELDRAKE_STORE=" + store);
    umgebung.push_back("VELDRAKE_QUIT_AT_IDLE=1");
    return umgebung;
}

std::vector<char*> Zeiger(std::vector<std::string>& texte)
{
    std::vector<char*> zeiger;
    for (std::string& text : texte) {
        zeiger.push_back(text.data());
    }
    zeiger.push_back(nullptr);
    return zeiger;
}

// Starts the command and waits for its idle line on stderr, then for its
// end. Ends the benchmark when the run fails.
TLauf Starten(std::vector<std::string> befehl, std::vector<std::string> umgebung)
{
    int rohr[2];
    if (::pipe(rohr) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    posix_spawn_file_actions_t aktionen;
    posix_spawn_file_actions_init(&aktionen);
    posix_spawn_file_actions_adddup2(&aktionen, rohr[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&aktionen, rohr[0]);
    posix_spawn_file_actions_addopen(&aktionen, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const std::vector<char*> argv = Zeiger(befehl);
    const std::vector<char*> envp = Zeiger(umgebung);

    const auto anfang = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int fehler = posix_spawn(&pid, argv[0], &aktionen, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&aktionen);
    ::close(rohr[1]);
    if (fehler != 0) {
        std::fprintf(stderr, "bench_startup: %s: %s\n", argv[0], std::strerror(fehler));
        std::exit(1);
    }

    TLauf lauf;
    bool leerlauf = false;
    std::string ausgabe;
    char puffer[4096];
    ssize_t gelesen = 0;
    while ((gelesen = ::read(rohr[0], puffer, sizeof puffer)) > 0) {
        ausgabe.append(puffer, static_cast<size_t>(gelesen));
        const size_t zeile = ausgabe.find(kLeerlauf);
        if (!leerlauf && zeile != std::string::npos && ausgabe.find('\n', zeile) != std::string::npos) {
            const auto ende = std::chrono::steady_clock::now();
            leerlauf = true;
            lauf.Millisekunden = std::chrono::duration<double, std::milli>(ende - anfang).count();
            lauf.Bibliotheken = std::atoi(ausgabe.c_str() + zeile + std::strlen(kLeerlauf));
        }
    }
    ::close(rohr[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!leerlauf || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_startup: %s did not end at its first idle moment (status %d):\n%s",
                     argv[0], status, ausgabe.c_str());
        std::exit(1);
    }
    return lauf;
}

double Median(std::vector<double> werte)
{
    std::sort(werte.begin(), werte.end());
    return werte[werte.size() / 2];
}

// Prints the runs' line and returns their median.
double Zeile(const char* name, const std::vector<TLauf>& laeufe)
{
    std::vector<double> zeiten;
    for (const TLauf& lauf : laeufe) {
        zeiten.push_back(lauf.Millisekunden);
    }
    std::printf("%-10s median %7.1f ms (%.1f .. %.1f), %d shared libraries at idle\n", name, Median(zeiten),
                *std::min_element(zeiten.begin(), zeiten.end()),
                *std::max_element(zeiten.begin(), zeiten.end()), laeufe.back().Bibliotheken);
    return Median(zeiten);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--bare") == 0) {
        return Bare(argc, argv, argv[2]);
    }
    const std::string veldrake = argc > 1 ? argv[1] : VELDRAKE_EXECUTABLE;
    const QTemporaryDir arbeit;
    if (!arbeit.isValid()) {
        std::fprintf(stderr, "bench_startup: no temporary folder\n");
        return 1;
    }
    const std::string ordner = arbeit.path().toStdString();
    const std::string home = ordner + "/home";
    ::mkdir(home.c_str(), 0700);
    const std::vector<std::string> umgebung = Umgebung(home, ordner + "/veldrake.sqlite");
    char pfad[4096] = {};
    const ssize_t laenge = ::readlink("/proc/self/exe", pfad, sizeof pfad - 1);
    const std::string bench = laenge > 0 ? std::string(pfad, static_cast<size_t>(laenge)) : argv[0];
    const std::vector<std::string> programm{veldrake};
    const std::vector<std::string> bare{bench, "--bare", ordner + "/bare.sqlite"};

    std::printf("exec to first idle, offscreen, %d runs each, interleaved\n", kLaeufe);
    Starten(programm, umgebung);
    Starten(bare, umgebung);
    std::vector<TLauf> programmLaeufe;
    std::vector<TLauf> bareLaeufe;
    for (int i = 0; i < kLaeufe; ++i) {
        programmLaeufe.push_back(Starten(programm, umgebung));
        bareLaeufe.push_back(Starten(bare, umgebung));
    }
    const double medianProgramm = Zeile("veldrake", programmLaeufe);
    const double medianBare = Zeile("bare Qt", bareLaeufe);
    std::printf("veldrake / bare Qt: %.2f (goal <= 1.20)\n", medianProgramm / medianBare);
    return 0;
}
