// Two or four programs confirm conflicting assignments on one store at the
// same moment. The test starts this test executable as further programs
// (the test RechnerZweitesProgramm below, selected by filter and given its
// part through the environment); each shows the computer dialog, marks the
// same computers for its own saved setting, reports that it is ready and
// all confirm together when told to.

#include "RecordingPresenter.h"
#include "TempStore.h"
#include "TestBackend.h"
#include "test_rechner_support.h"

#include "dialogs/RechnerU.h"
#include "host/KRNControls.h"
#include "host/KRNForm.h"
#include "host/VTRTypRNrCheck.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

using namespace rechner_test;

namespace {

const char* const kEnvStore = "VELDRAKE_TEST_RECHNER_STORE";
const char* const kEnvBezeichnung = "VELDRAKE_TEST_RECHNER_BEZEICHNUNG";
const char* const kEnvEigenerTyp = "VELDRAKE_TEST_RECHNER_EIGENER_TYP";
const char* const kPrefix = "RECHNERTEST ";

constexpr int kNummern = 300;
constexpr int kWarteMs = 120000;

// The programs' saved settings and their own types (A, B, D, E); type C and
// every number are wanted by all.
const QStringList kBezeichnungen{QStringLiteral("EINS"), QStringLiteral("ZWEI"), QStringLiteral("DREI"),
                                 QStringLiteral("VIER")};
const QString kEigeneTypen = QStringLiteral("ABDE");

// Rounds per test: more on the server, where the workstations are separate
// processes in earnest.
int Runden()
{
    return TestBackend::Postgres() ? 20 : 3;
}

QString Computers()
{
    QString text = QStringLiteral("Rechnertyp;A;Eins\nRechnertyp;B;Zwei\nRechnertyp;C;Alle\n"
                                  "Rechnertyp;D;Drei\nRechnertyp;E;Vier\n");
    for (int rnr = 1; rnr <= kNummern; ++rnr) {
        text += QStringLiteral("Rechner;%1;Rechner %1;C;1\n").arg(rnr);
    }
    return text;
}

void Say(const QString& line)
{
    std::cout << kPrefix << line.toStdString() << std::endl;
}

// One of the two programs, seen from the test.
class Programm
{
public:
    Programm(const QString& storePath, const QString& bezeichnung, QChar eigenerTyp)
        : Bezeichnung(bezeichnung)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kEnvStore), storePath);
        env.insert(QString::fromLatin1(kEnvBezeichnung), bezeichnung);
        env.insert(QString::fromLatin1(kEnvEigenerTyp), QString(eigenerTyp));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--gtest_filter=RechnerZweitesProgramm.*")});
    }
    ~Programm()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // Reads the program's report lines until one starts with the key.
    bool WaitFor(const QString& key)
    {
        while (true) {
            while (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
                m_output << line;
                if (line.startsWith(QString::fromLatin1(kPrefix))) {
                    m_reports << line.mid(qsizetype(std::strlen(kPrefix)));
                    if (m_reports.last().startsWith(key)) {
                        return true;
                    }
                }
            }
            if (!m_process.waitForReadyRead(kWarteMs)) {
                return false;
            }
        }
    }
    // Tells the program to confirm (written through at once, not buffered).
    void Los()
    {
        m_process.write("LOS\n");
        m_process.waitForBytesWritten(kWarteMs);
    }
    bool Finish()
    {
        WaitFor(QStringLiteral("ENDE"));
        return m_process.waitForFinished(kWarteMs) && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }

    // The value of the first report "key value".
    QString Report(const QString& key) const
    {
        for (const QString& report : m_reports) {
            if (report.startsWith(key + QLatin1Char(' '))) {
                return report.mid(key.size() + 1);
            }
        }
        return QString();
    }
    QString Output() const { return m_output.join(QLatin1Char('\n')); }

    const QString Bezeichnung;

private:
    QProcess m_process;
    QStringList m_output;
    QStringList m_reports;
};

// Runs the given number of programs against each other, round by round:
// exactly one holds every contested computer (and its own type), the others
// booked nothing and were told of the conflict (1001) or of a failure.
void ConflictingConfirmations(int programme)
{
    TempStore store;
    ImportComputers(store.Store(), Computers());
    for (int i = 0; i < programme; ++i) {
        SaveSetting(store.Store(), kBezeichnungen[i]);
    }
    int ueberlappt = 0;

    for (int runde = 0; runde < Runden(); ++runde) {
        SCOPED_TRACE(runde);
        store.Exec(QStringLiteral("DELETE FROM fikofile"));
        std::vector<std::unique_ptr<Programm>> alle;
        for (int i = 0; i < programme; ++i) {
            alle.push_back(std::make_unique<Programm>(store.Path(), kBezeichnungen[i], kEigeneTypen[i]));
        }
        for (const auto& p : alle) {
            ASSERT_TRUE(p->WaitFor(QStringLiteral("BEREIT"))) << p->Output().toStdString();
        }
        for (const auto& p : alle) {
            p->Los();
        }
        for (const auto& p : alle) {
            ASSERT_TRUE(p->Finish()) << p->Output().toStdString();
        }

        // Every contested computer has exactly one holder, the same for all.
        int gewinner = -1;
        for (int i = 0; i < programme; ++i) {
            if (Assignments(store.Store(), kBezeichnungen[i]).find("T:C") != std::string::npos) {
                ASSERT_EQ(gewinner, -1) << "type C held twice";
                gewinner = i;
            }
        }
        ASSERT_NE(gewinner, -1) << "nobody holds type C";
        const Programm& g = *alle[size_t(gewinner)];
        // Types in key order.
        const std::string eigener = "T:" + std::string(1, char(kEigeneTypen[gewinner].unicode()));
        std::string erwartet = kEigeneTypen[gewinner] < u'C' ? eigener + " T:C" : "T:C " + eigener;
        for (int rnr = 1; rnr <= kNummern; ++rnr) {
            erwartet += " N:" + std::to_string(rnr);
        }
        EXPECT_EQ(Assignments(store.Store(), g.Bezeichnung), erwartet);
        EXPECT_EQ(g.Report(QStringLiteral("MODAL")), QStringLiteral("1"));
        EXPECT_EQ(g.Report(QStringLiteral("MELDUNG")), QString());
        EXPECT_EQ(g.Report(QStringLiteral("IN_TRANSAKTION_GEZEIGT")), QStringLiteral("0"));
        const qint64 gVon = g.Report(QStringLiteral("VON")).toLongLong();
        const qint64 gBis = g.Report(QStringLiteral("BIS")).toLongLong();

        for (const auto& v : alle) {
            if (v.get() == &g) {
                continue;
            }
            // Nothing of a loser, not even its own type that nobody else wanted.
            EXPECT_EQ(Assignments(store.Store(), v->Bezeichnung), "") << v->Bezeichnung.toStdString();
            EXPECT_EQ(v->Report(QStringLiteral("MODAL")), QStringLiteral("0"));
            // It waited for the winner's booking and then found the conflict,
            // or gave up waiting and reported a failure.
            if (v->Report(QStringLiteral("FEHLER")).isEmpty()) {
                EXPECT_EQ(v->Report(QStringLiteral("MELDUNG")),
                          QStringLiteral("1001|Rechnertyp - C|") + g.Bezeichnung);
            }
            EXPECT_EQ(v->Report(QStringLiteral("IN_TRANSAKTION_GEZEIGT")), QStringLiteral("0"));
            if (std::max(gVon, v->Report(QStringLiteral("VON")).toLongLong()) <
                std::min(gBis, v->Report(QStringLiteral("BIS")).toLongLong())) {
                ++ueberlappt;
            }
        }
        std::cout << "round " << runde << ": winner " << g.Bezeichnung.toStdString() << " " << gVon << ".."
                  << gBis << std::endl;
    }
    // How often a loser's confirmation really ran at the same time as the
    // winner's (for the record; the outcome above must hold either way).
    ::testing::Test::RecordProperty("RundenUeberlappt", ueberlappt);
    std::cout << "confirmations overlapping in time: " << ueberlappt << " of " << Runden() * (programme - 1)
              << std::endl;
}

TEST(RechnerZweiProgramme, ConflictingConfirmationsLeaveExactlyOneHolder)
{
    ConflictingConfirmations(2);
}

TEST(RechnerZweiProgramme, FourProgramsConfirmingAtOnceLeaveExactlyOneHolder)
{
    ConflictingConfirmations(4);
}

// Workstation 1 (a program of its own) has the computer dialog open for ZWEI;
// workstation 2 (this test) deletes ZWEI, which has no assignments yet;
// workstation 1 confirms. No assignment may outlive its setting: nothing
// is booked and workstation 1 is told that the setting is gone.
TEST(RechnerZweiProgramme, SettingDeletedByTheOtherWorkstationGetsNoAssignments)
{
    TempStore store;
    ImportComputers(store.Store(), Computers());
    SaveSetting(store.Store(), QStringLiteral("ZWEI"));
    Programm eins(store.Path(), QStringLiteral("ZWEI"), u'B');
    ASSERT_TRUE(eins.WaitFor(QStringLiteral("BEREIT"))) << eins.Output().toStdString();
    store.Exec(QStringLiteral("DELETE FROM fidefile WHERE Bezeichnung = 'ZWEI'"));
    eins.Los();
    ASSERT_TRUE(eins.Finish()) << eins.Output().toStdString();

    EXPECT_EQ(store.Count(QStringLiteral("SELECT count(*) FROM fikofile")), 0);
    EXPECT_EQ(eins.Report(QStringLiteral("MODAL")), QStringLiteral("0"));
    EXPECT_EQ(eins.Report(QStringLiteral("MELDUNG")), QStringLiteral("1010|ZWEI"));
    EXPECT_EQ(eins.Report(QStringLiteral("FEHLER")), QString());
    EXPECT_EQ(eins.Report(QStringLiteral("IN_TRANSAKTION_GEZEIGT")), QStringLiteral("0"));
}

// The second and third program of the test above; does nothing on its own.
TEST(RechnerZweitesProgramm, ConfirmsWhenTold)
{
    const QString path = qEnvironmentVariable(kEnvStore);
    if (path.isEmpty()) {
        GTEST_SKIP() << "runs only as a program started by RechnerZweiProgramme";
    }
    const QString bezeichnung = qEnvironmentVariable(kEnvBezeichnung);
    const QChar eigenerTyp = qEnvironmentVariable(kEnvEigenerTyp).front();

    const std::unique_ptr<TStore> store = TStore::Open(path);
    TStore::SetCurrent(store.get());
    {
        RecordingPresenter presenter;
        WatchingPresenter watch(presenter);
        DataModuleScope dataModule;
        auto form = KRNCreateForm<TfrmRechner>();
        form->SetFilterKennung(kKennung);
        form->SetFilterBezeichnung(bezeichnung);

        TModalScripts scripts(TModalScripts::Doing([&](TKRNForm&) {
            TVTRTypRNrCheck& tree = *form->vtRTypRNrCheck;
            tree.SetRTypChecked(eigenerTyp, true);
            tree.SetRTypChecked(u'C', true);
            for (int i = 0; i < tree.GetRNrCount(); ++i) {
                tree.SetRNrChecked(tree.GetRNr(i), true);
            }
            Say(QStringLiteral("BEREIT"));
            std::string line;
            std::getline(std::cin, line);
            Say(QStringLiteral("VON ") + QString::number(QDateTime::currentMSecsSinceEpoch()));
            form->btnWeiterClick(form->spbBuchen);
            Say(QStringLiteral("BIS ") + QString::number(QDateTime::currentMSecsSinceEpoch()));
        }));
        Say(QStringLiteral("MODAL ") + QString::number(form->ShowModal()));
        for (const TMeldung& m : presenter.Meldungen) {
            Say(QStringLiteral("MELDUNG ") + QString::number(m.Number) + QLatin1Char('|') +
                m.Arguments.join(QLatin1Char('|')));
        }
        for (const TRegisteredError& e : KRNInfo().RegisteredErrors()) {
            Say(QStringLiteral("FEHLER ") + e.Location + QLatin1Char('|') + e.Text);
        }
        Say(QStringLiteral("IN_TRANSAKTION_GEZEIGT ") + QString::number(watch.ShownInTransaction));
    }
    TStore::SetCurrent(nullptr);
    Say(QStringLiteral("ENDE"));
}

} // namespace
