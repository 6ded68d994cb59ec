// Other workstations, each a real process of the store tool on the same
// store: a filter kind switched there rebuilds this main window's menu (also
// on a standby, once replayed), and the version window names who else is
// connected.
#include "GuiTest.h"
#include "RecordingPresenter.h"
#include "SecondWorkstation.h"
#include "ServerPaar.h"
#include "TempStore.h"
#include "TestBackend.h"

#include "app/MainU.h"
#include "data/MainDM.h"
#include "host/Application.h"
#include "host/Buttons.h"
#include "host/core/FremdeAenderungen.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The program with its data module on a store, the kind A registered.
class TProgramm
{
public:
    explicit TProgramm(TStore& store) : m_waechter(store)
    {
        ClearKOMMFilterRegistry();
        RegisterKOMMFilterEditor(u"A"_s, u"Filter A"_s, nullptr, nullptr);
        Application().Initialize();
        m_waechter.SetIntervall(100);
        Application().CreateForm(dtmKOMMFilter);
    }
    ~TProgramm()
    {
        Application().Reset();
        ClearKOMMFilterRegistry();
    }
    TProgramm(const TProgramm&) = delete;
    TProgramm& operator=(const TProgramm&) = delete;

    static bool MenuZeigtA() { return frmMain->btsMain->Items().ButtonNames().contains(u"FLTA"_s); }
    // Waits in the event loop, idle moments included, until the menu shows A or not.
    static bool Warten(bool a)
    {
        for (int i = 0; i < 200 && MenuZeigtA() != a; ++i) {
            SpinEventLoop(50);
        }
        return MenuZeigtA() == a;
    }

private:
    TFremdeAenderungenWaechter m_waechter;
};

class AndereArbeitsplaetze : public ::testing::Test
{
protected:
    static bool MenuZeigtA() { return TProgramm::MenuZeigtA(); }
    static bool Warten(bool a) { return TProgramm::Warten(a); }

    TempStore store;
    RecordingPresenter presenter;
    TProgramm programm{store.Store()};
};

} // namespace

TEST_F(AndereArbeitsplaetze, AKindSwitchedElsewhereRebuildsTheMenu)
{
    Application().CreateForm(frmMain);
    ASSERT_FALSE(MenuZeigtA());
    OtherWorkstationWrites(store.Path(), {u"INSERT INTO fikofile VALUES ('A', '', ' ', 0)"_s});
    EXPECT_TRUE(Warten(true)) << "the menu did not follow the activation";
    OtherWorkstationWrites(store.Path(), {u"DELETE FROM fikofile WHERE Kennung = 'A' AND Bezeichnung = ''"_s});
    EXPECT_TRUE(Warten(false)) << "the menu did not follow the deactivation";
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(AndereArbeitsplaetze, TheVersionWindowNamesTheOtherWorkstations)
{
    if (!TestBackend::Postgres()) {
        dtmKOMMFilter->VersionsInfo(nullptr);
        ASSERT_EQ(presenter.Versions.size(), 1);
        EXPECT_TRUE(presenter.Versions[0].Text.contains(u"kann das Programm nicht wissen"_s))
            << presenter.Versions[0].Text.toStdString();
        return;
    }
    const QString allein = AndereArbeitsplaetzeText(store.Store());
    EXPECT_FALSE(allein.contains(u"store_crash"_s)) << allein.toStdString();
    {
        const SecondWorkstation anderer(store.Path(), 20000);
        dtmKOMMFilter->VersionsInfo(nullptr);
    }
    ASSERT_EQ(presenter.Versions.size(), 1);
    const QString text = presenter.Versions[0].Text;
    // "store_crash user@host seit 09.12.2026 07:14", one line each
    const QString heute = QDate::currentDate().toString(u"dd.MM.yyyy"_s);
    EXPECT_TRUE(text.contains(u"<br>store_crash "_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u" seit "_s + heute)) << text.toStdString();
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

// A workstation on the standby follows what the primary books, read-only.
TEST(AndereArbeitsplaetzeAmStandby, AKindSwitchedOnThePrimaryRebuildsTheMenuOnceReplayed)
{
    if (!TestBackend::Postgres() || !TServerPaar::Verfuegbar()) {
        GTEST_SKIP() << "needs the throwaway server's primary and standby (scripts/with-postgres.sh)";
    }
    TServerPaar paar;
    const QString primary = u"host=%1 dbname=postgres user=veldrake"_s.arg(paar.Primary());
    TStore::Open(primary); // the schema, replayed on the standby
    const auto standby =
        TStore::Open(u"host=%1 dbname=postgres user=veldrake target_session_attrs=standby"_s.arg(paar.Standby()));
    ASSERT_TRUE(standby->ReadOnly());
    TStore* const vorher = TStore::Current();
    TStore::SetCurrent(standby.get());
    {
        RecordingPresenter presenter;
        const TProgramm programm(*standby);
        Application().CreateForm(frmMain);
        ASSERT_FALSE(TProgramm::MenuZeigtA());
        OtherWorkstationWrites(primary, {u"INSERT INTO fikofile VALUES ('A', '', ' ', 0)"_s});
        EXPECT_TRUE(TProgramm::Warten(true)) << "the standby's menu did not follow the primary";
        EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
    }
    TStore::SetCurrent(vorher);
}
