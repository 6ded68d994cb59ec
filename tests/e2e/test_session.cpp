// The whole program as an administrator uses it: the real start-up on a
// fresh store, real modal loops, real key events and mouse clicks. Only the
// answers to message boxes are scripted.
#include "GuiTest.h"
#include "RecordingPresenter.h"
#include "Scenario.h"

#include "app/MainU.h"
#include "app/veldrake.h"
#include "data/MainDM.h"
#include "host/Buttons.h"
#include "host/VTRTypRNrCheck.h"
#include "host/VTStringList.h"
#include "host/VTVRList.h"
#include "host/core/KRNProgramm.h"
#include "host/store/Store.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// --- what a person does ------------------------------------------------------------

template <typename T = QWidget>
T& Child(QWidget& form, const QString& name)
{
    T* child = form.findChild<T*>(name);
    if (!child) {
        throw std::runtime_error((u"no widget "_s + name).toStdString());
    }
    return *child;
}

void ClickMenu(const QString& buttonName)
{
    TButtons& menu = *frmMain->btsMain;
    const int position = menu.Items().IndexOf(buttonName);
    ASSERT_GE(position, 0) << buttonName.toStdString();
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.ItemRect(position).center());
}

void Key(QWidget& form, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = form.focusWidget() ? form.focusWidget() : &form;
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

// Clicks into an edit, selects what it holds and types over it.
void TypeInto(QWidget& form, const QString& edit, const QString& text)
{
    auto& line = Child<QLineEdit>(form, edit);
    QTest::mouseClick(&line, Qt::LeftButton);
    QTest::keyClick(&line, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&line, Qt::Key_Delete);
    TypeText(&line, text);
}

// Clicks on a row of an item view and toggles its check box with Space.
void ToggleRow(QAbstractItemView& view, const QModelIndex& index)
{
    view.scrollTo(index);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(index).center());
    QTest::keyClick(&view, Qt::Key_Space);
}

void ClickRow(QAbstractItemView& view, int row)
{
    const QModelIndex index = view.model()->index(row, 0);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(index).center());
}

void Screenshot(QWidget& window, const QString& name)
{
    const QString dir = qEnvironmentVariable("VELDRAKE_SCREENSHOTS");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        window.grab().save(dir + u'/' + name);
    }
}

// --- what the store holds ------------------------------------------------------------

int Count(const QString& sql)
{
    QSqlQuery query(TStore::Current()->Database());
    if (!query.exec(sql) || !query.next()) {
        return -1;
    }
    return query.value(0).toInt();
}

QString Settings(const QString& bezeichnung)
{
    QSqlQuery query(TStore::Current()->Database());
    query.prepare(u"SELECT Einstellungen FROM fidefile WHERE Kennung = 'ABIL' AND Bezeichnung = ?"_s);
    query.addBindValue(bezeichnung);
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

QStringList MenuNames()
{
    return frmMain->btsMain->Items().ButtonNames();
}

class Session : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("VELDRAKE_STORE", m_dir.filePath(u"store.sqlite"_s).toUtf8());
        qputenv("VELDRAKE_MANDANT", "Testmandant");
        qputenv("VELDRAKE_DEMO", "1");
    }
    void TearDown() override
    {
        qunsetenv("VELDRAKE_STORE");
        qunsetenv("VELDRAKE_MANDANT");
        qunsetenv("VELDRAKE_DEMO");
    }

    // Runs the program until it ends; the scenario must end it.
    void Run()
    {
        scenario.Start();
        EXPECT_EQ(VeldrakeMain(), 0);
        EXPECT_TRUE(scenario.Failures().isEmpty()) << scenario.Failures().join(u"; "_s).toStdString();
        EXPECT_TRUE(scenario.Done());
        EXPECT_EQ(frmMain, nullptr);
        EXPECT_EQ(dtmKOMMFilter, nullptr);
        EXPECT_EQ(TStore::Current(), nullptr) << "the store is closed at the end";
    }

    // Switches the kinds at these rows of the activation dialog.
    void ToggleKinds(QList<int> rows)
    {
        scenario.InMain(u"open the activation dialog"_s, [] { ClickMenu(u"FILTERONOFF"_s); })
            .InModal(u"frmFilterOnOff"_s, [rows](QWidget& form) {
                auto& list = Child<TVTStringList>(form, u"vtFilter"_s);
                for (int row : rows) {
                    ToggleRow(list, list.model()->index(row, 0));
                }
                Key(form, Qt::Key_F5);
            });
    }

    QTemporaryDir m_dir;
    RecordingPresenter presenter;
    Scenario scenario;
};

const QStringList kBothKindsMenu{u"HeadFilter"_s,  u"FLTKBIL"_s,     u"FLTABIL"_s,     u"HeadKommunikation"_s,
                                 u"KOMMKBIL"_s,    u"KOMMABIL"_s,    u"HeadOptions"_s, u"FILTERONOFF"_s};

} // namespace

TEST_F(Session, AdministratorSetsUpEditsAssignsAndCleansUp)
{
    // Both kinds on: the menu is rebuilt with both at the next idle moment.
    ToggleKinds({0, 1});
    scenario.InMain(u"menu with both kinds"_s, [] {
        EXPECT_EQ(MenuNames(), kBothKindsMenu);
        Screenshot(*frmMain, u"main.png"_s);
    });

    // A new article-image setting, named in lower case.
    scenario.InMain(u"edit article images"_s, [] { ClickMenu(u"FLTABIL"_s); })
        .InModal(u"frmLoad"_s,
                 [](QWidget& form) {
                     EXPECT_EQ(form.windowTitle(), u"Filtereinstellungen bearbeiten - Artikelbilder"_s);
                     Key(form, Qt::Key_F3);
                 })
        .InModal(u"frmBildKOMMFilterEditor"_s,
                 [](QWidget& form) {
                     TypeInto(form, u"edtBezeichnung"_s, u"muster"_s);
                     TypeInto(form, u"edtBeschreibung"_s, u"Für die Filialen"_s);
                     TypeInto(form, u"edtGroesseBreite"_s, u"800"_s);
                     TypeInto(form, u"edtGroesseHoehe"_s, u"600"_s);
                     TypeInto(form, u"edtQualitaet"_s, u"70"_s);
                     EXPECT_EQ(Child<QLineEdit>(form, u"edtBezeichnung"_s).text(), u"MUSTER"_s);
                     Key(form, Qt::Key_F5);
                 })
        .InModal(u"frmSave"_s, [](QWidget& form) {
            EXPECT_EQ(Child<QLineEdit>(form, u"edtBezeichnung"_s).text(), u"MUSTER"_s);
            Key(form, Qt::Key_F5);
        });

    // Opened again, it shows what was saved; the level stored for 70 % is 76.
    scenario.InMain(u"reopen the setting"_s, [] {
                EXPECT_TRUE(Settings(u"MUSTER"_s).contains(u"\"Qualitaetsverlust\":76"_s)) << Settings(u"MUSTER"_s).toStdString();
                ClickMenu(u"FLTABIL"_s);
            })
        .InModal(u"frmLoad"_s,
                 [](QWidget& form) {
                     Screenshot(form, u"load.png"_s);
                     Key(form, Qt::Key_Return);
                 })
        .InModal(u"frmBildKOMMFilterEditor"_s,
                 [](QWidget& form) {
                     EXPECT_EQ(Child<QLineEdit>(form, u"edtQualitaet"_s).text(), u"70"_s);
                     EXPECT_EQ(Child<QLineEdit>(form, u"edtGroesseBreite"_s).text(), u"800"_s);
                     EXPECT_EQ(Child<QLineEdit>(form, u"edtGroesseHoehe"_s).text(), u"600"_s);
                     EXPECT_EQ(Child<QLineEdit>(form, u"edtBeschreibung"_s).text(), u"Für die Filialen"_s);
                     EXPECT_FALSE(Child<QLineEdit>(form, u"edtBezeichnung"_s).isEnabled());
                     Screenshot(form, u"editor.png"_s);
                     // Changed here, saved under another name below.
                     TypeInto(form, u"edtGroesseBreite"_s, u"1024"_s);
                     Key(form, Qt::Key_F5);
                 })
        // Saving under the existing name: "No" keeps the dialog open; a new
        // name saves a second setting and leaves the first as it was.
        .InModal(u"frmSave"_s, [this](QWidget& form) {
            presenter.Answer(mrNo);
            Key(form, Qt::Key_F5);
            EXPECT_EQ(presenter.Numbers().value(0), 1003);
            ASSERT_TRUE(form.isVisible());
            TypeInto(form, u"edtBezeichnung"_s, u"zweite"_s);
            Key(form, Qt::Key_F5);
        });
    scenario.InMain(u"two settings"_s, [] {
        EXPECT_TRUE(Settings(u"MUSTER"_s).contains(u"\"GroesseBreite\":800"_s));
        EXPECT_TRUE(Settings(u"ZWEITE"_s).contains(u"\"GroesseBreite\":1024"_s));
    });

    // MUSTER serves the first computer type and the first two numbers.
    QChar typ;
    qint32 nr1 = 0, nr2 = 0;
    scenario.InMain(u"assign computers"_s, [] { ClickMenu(u"KOMMABIL"_s); })
        .InModal(u"frmLoad"_s,
                 [](QWidget& form) {
                     EXPECT_EQ(form.windowTitle(), u"Kommunikationseinstellungen für gespeicherte Filter - Artikelbilder"_s);
                     EXPECT_FALSE(Child(form, u"spbNew"_s).isVisible());
                     EXPECT_FALSE(Child(form, u"spbDelete"_s).isVisible());
                     Key(form, Qt::Key_Return);
                 })
        .InModal(u"frmRechner"_s, [&](QWidget& form) {
            auto& tree = Child<TVTRTypRNrCheck>(form, u"vtRTypRNrCheck"_s);
            typ = tree.GetRTyp(0);
            nr1 = tree.GetRNr(0);
            nr2 = tree.GetRNr(1);
            ToggleRow(tree, tree.RTypIndex(0));
            ToggleRow(tree, tree.RNrIndex(0));
            ToggleRow(tree, tree.RNrIndex(1));
            Screenshot(form, u"rechner.png"_s);
            Key(form, Qt::Key_F5);
        });
    scenario.InMain(u"assignments booked"_s, [&] {
        EXPECT_EQ(Count(u"SELECT count(*) FROM fikofile WHERE Bezeichnung = 'MUSTER'"_s), 3);
    });

    // ZWEITE wants one of those numbers: message 1001 names both, and
    // nothing of the second booking reaches the store.
    scenario.InMain(u"assign the second setting"_s, [this] {
                presenter.Meldungen.clear();
                ClickMenu(u"KOMMABIL"_s);
            })
        .InModal(u"frmLoad"_s,
                 [](QWidget& form) {
                     ClickRow(Child<TVTVRList>(form, u"vtFIDEList"_s), 1);
                     Key(form, Qt::Key_Return);
                 })
        .InModal(u"frmRechner"_s,
                 [&](QWidget& form) {
                     auto& tree = Child<TVTRTypRNrCheck>(form, u"vtRTypRNrCheck"_s);
                     EXPECT_FALSE(tree.GetRNrChecked(nr1)) << "marks come from the store, per setting";
                     ToggleRow(tree, tree.RNrIndex(2));
                     ToggleRow(tree, tree.RNrIndex(1));
                     Key(form, Qt::Key_F5);
                     ASSERT_EQ(presenter.Numbers(), QList<int>{1001});
                     EXPECT_EQ(presenter.Meldungen[0].Arguments,
                               (QStringList{u"Rechnernummer - "_s + QString::number(nr2), u"MUSTER"_s}));
                     EXPECT_TRUE(form.isVisible());
                     Key(form, Qt::Key_Escape);
                 })
        .InModal(u"frmLoad"_s, [](QWidget& form) { Key(form, Qt::Key_Escape); });
    scenario.InMain(u"nothing of the second booking"_s, [] {
        EXPECT_EQ(Count(u"SELECT count(*) FROM fikofile WHERE Bezeichnung = 'ZWEITE'"_s), 0);
    });

    // Deleting MUSTER is refused while it is assigned (1020).
    scenario.InMain(u"try to delete"_s, [this] {
                presenter.Meldungen.clear();
                ClickMenu(u"FLTABIL"_s);
            })
        .InModal(u"frmLoad"_s, [this](QWidget& form) {
            presenter.Answer(mrYes);
            Key(form, Qt::Key_F5, Qt::ShiftModifier);
            EXPECT_EQ(presenter.Numbers(), (QList<int>{10, 1020}));
            EXPECT_EQ(Count(u"SELECT count(*) FROM fidefile WHERE Bezeichnung = 'MUSTER'"_s), 1);
            Key(form, Qt::Key_Escape);
        });

    // Its assignments removed (nothing marked, 1000 answered Yes), it goes.
    scenario.InMain(u"remove the assignments"_s, [] { ClickMenu(u"KOMMABIL"_s); })
        .InModal(u"frmLoad"_s, [](QWidget& form) { Key(form, Qt::Key_Return); })
        .InModal(u"frmRechner"_s,
                 [&](QWidget& form) {
                     auto& tree = Child<TVTRTypRNrCheck>(form, u"vtRTypRNrCheck"_s);
                     EXPECT_TRUE(tree.GetRNrChecked(nr1)) << "a new show takes the marks from the store";
                     ToggleRow(tree, tree.RTypIndex(0));
                     ToggleRow(tree, tree.RNrIndex(0));
                     ToggleRow(tree, tree.RNrIndex(1));
                     presenter.Meldungen.clear();
                     presenter.Answer(mrYes);
                     Key(form, Qt::Key_F5);
                     EXPECT_EQ(presenter.Numbers(), QList<int>{1000});
                 })
        .InMain(u"delete it"_s,
                [this] {
                    EXPECT_EQ(Count(u"SELECT count(*) FROM fikofile WHERE Bezeichnung <> ''"_s), 0);
                    presenter.Meldungen.clear();
                    ClickMenu(u"FLTABIL"_s);
                })
        .InModal(u"frmLoad"_s, [this](QWidget& form) {
            presenter.Answer(mrYes);
            Key(form, Qt::Key_F5, Qt::ShiftModifier);
            EXPECT_EQ(presenter.Numbers(), QList<int>{10});
            EXPECT_EQ(Count(u"SELECT count(*) FROM fidefile"_s), 1);
            Key(form, Qt::Key_Escape);
        });

    // Article images off: their entries go, their settings stay; back on,
    // they are found again.
    scenario.InMain(u"assign ZWEITE"_s, [] { ClickMenu(u"KOMMABIL"_s); })
        .InModal(u"frmLoad"_s, [](QWidget& form) { Key(form, Qt::Key_Return); })
        .InModal(u"frmRechner"_s, [](QWidget& form) {
            auto& tree = Child<TVTRTypRNrCheck>(form, u"vtRTypRNrCheck"_s);
            ToggleRow(tree, tree.RNrIndex(2));
            Key(form, Qt::Key_F5);
        });
    ToggleKinds({0});
    scenario.InMain(u"article images off"_s, [] {
        EXPECT_EQ(MenuNames(), (QStringList{u"HeadFilter"_s, u"FLTKBIL"_s, u"HeadKommunikation"_s, u"KOMMKBIL"_s,
                                            u"HeadOptions"_s, u"FILTERONOFF"_s}));
        EXPECT_EQ(Count(u"SELECT count(*) FROM fidefile WHERE Kennung = 'ABIL'"_s), 1);
        EXPECT_EQ(Count(u"SELECT count(*) FROM fikofile WHERE Bezeichnung = 'ZWEITE'"_s), 1);
    });
    ToggleKinds({0});
    scenario.InMain(u"article images on again"_s, [] {
                EXPECT_EQ(MenuNames(), kBothKindsMenu);
                ClickMenu(u"KOMMABIL"_s);
            })
        .InModal(u"frmLoad"_s, [](QWidget& form) { Key(form, Qt::Key_Return); })
        .InModal(u"frmRechner"_s, [](QWidget& form) {
            auto& tree = Child<TVTRTypRNrCheck>(form, u"vtRTypRNrCheck"_s);
            EXPECT_TRUE(tree.GetRNrChecked(tree.GetRNr(2)));
            Key(form, Qt::Key_Escape);
        })
        .InModal(u"frmLoad"_s, [](QWidget& form) { Key(form, Qt::Key_Escape); });

    // Esc in the main window ends the program.
    scenario.InMain(u"quit"_s, [] { QTest::keyClick(frmMain, Qt::Key_Escape); });
    Run();
    EXPECT_TRUE(presenter.Errors.isEmpty()) << presenter.Errors.value(0).Text.toStdString();
}
