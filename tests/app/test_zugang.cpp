// Every window of the program as assistive technology and the keyboard reach
// it, and the program's own colours under three themes. The windows are the
// program's own, on the real store; only the modal shows are scripted.
#include "AccessibleTest.h"
#include "GuiTest.h"
#include "Palettes.h"
#include "RecordingPresenter.h"
#include "TempStore.h"

#include "app/MainU.h"
#include "data/MainDM.h"
#include "dialogs/FilterOnOffU.h"
#include "dialogs/LoadFilterU.h"
#include "dialogs/RechnerU.h"
#include "dialogs/SaveFilterU.h"
#include "dialogs/VerlaufU.h"
#include "editors/BildVorschau.h"
#include "editors/KOMMFilterBILDEditor.h"
#include "host/Application.h"
#include "host/KRNContrast.h"
#include "host/KRNControls.h"
#include "host/StoreWaitIndicator.h"
#include "host/VTRTypRNrCheck.h"
#include "host/VTVRList.h"
#include "host/core/Rechner.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QProgressDialog>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>

using namespace Qt::StringLiterals;

namespace {

const QString kABIL = u"ABIL"_s;
const QString kKBIL = u"KBIL"_s;

bool NeedsName(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::ComboBox:
    case QAccessible::Slider:
    case QAccessible::ProgressBar:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::List:
    case QAccessible::Grouping:
    case QAccessible::Graphic:
    case QAccessible::Heading:
    case QAccessible::Dialog:
    case QAccessible::Window:
        return true;
    default:
        return false;
    }
}

int g_named = 0; // controls found named, so that an empty walk cannot pass

QString Describe(QAccessibleInterface* iface)
{
    const QString name = iface->object() ? iface->object()->objectName() : QString();
    return (name.isEmpty() ? u"(role %1)"_s.arg(int(iface->role())) : name);
}

// What a user of assistive technology or of the keyboard would miss in the
// window: controls without a name, speed buttons without their key, column
// headers without a name, mnemonics used twice.
QStringList Missing(QWidget& window)
{
    QStringList missing;
    const QString where = window.objectName() + u": "_s;
    WalkAccessible(Accessible(&window), [&](QAccessibleInterface* iface) {
        if (iface->state().invisible) {
            return;
        }
        if (NeedsName(iface->role()) && iface->text(QAccessible::Name).trimmed().isEmpty()) {
            missing << where + Describe(iface) + u" has no name"_s;
        } else if (NeedsName(iface->role())) {
            ++g_named;
        }
        if (QAccessibleTableInterface* table = iface->tableInterface()) {
            for (int c = 0; c < table->columnCount(); ++c) {
                for (int i = 0; i < iface->childCount(); ++i) {
                    QAccessibleInterface* cell = iface->child(i);
                    if (cell->role() == QAccessible::ColumnHeader && cell->text(QAccessible::Name).isEmpty() &&
                        !cell->state().invisible) {
                        missing << where + Describe(iface) + u" has a column without a name"_s;
                    }
                }
            }
        }
    });
    for (TKRNStdSpeedButton* button : window.findChildren<TKRNStdSpeedButton*>()) {
        if (button->isVisibleTo(&window) && Accessible(button)->text(QAccessible::Description).isEmpty()) {
            missing << where + button->objectName() + u" tells no key"_s;
        }
    }
    std::map<QChar, QStringList> mnemonics;
    const QRegularExpression mnemonic(u"(?<!&)&([^&\\s])"_s);
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        QString text;
        if (auto* label = qobject_cast<QLabel*>(widget); label && label->buddy()) {
            text = label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            text = button->text();
        }
        if (const auto match = mnemonic.match(text); match.hasMatch() && widget->isVisibleTo(&window)) {
            mnemonics[match.captured(1).at(0).toLower()] << widget->objectName();
        }
    }
    for (const auto& [key, widgets] : mnemonics) {
        if (widgets.size() > 1) {
            missing << where + u"Alt+%1 for "_s.arg(key) + widgets.join(u", "_s);
        }
    }
    return missing;
}

// The controls Tab reaches from the focused one, once round.
QStringList TabRound(QWidget& window)
{
    QStringList seen;
    QWidget* start = QApplication::focusWidget();
    for (int i = 0; i < 30 && QApplication::focusWidget(); ++i) {
        seen << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == start || QApplication::focusWidget()->window() != &window) {
            break;
        }
    }
    return seen;
}

// Every control that takes the focus by Tab, in object names.
QStringList TabControls(QWidget& window)
{
    QStringList names;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled() &&
            !widget->focusProxy() && widget->window() == &window) {
            names << widget->objectName();
        }
    }
    names.sort();
    return names;
}

class Zugang : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearKOMMFilterRegistry();
        RegisterKOMMFilterEditor(kABIL, u"Artikelbilder"_s, TABILKommFilter::ClassRef(),
                                 TfrmBildKOMMFilterEditor::ClassRef());
        RegisterKOMMFilterEditor(kKBIL, u"Katalogbilder"_s, TKBILKommFilter::ClassRef(),
                                 TfrmBildKOMMFilterEditor::ClassRef());
        ImportComputersCsvText(store.Store(),
                               u"Rechnertyp;A;Außendienst\nRechnertyp;F;Filiale\nRechner;1;Eins;A;1\n"
                               u"Rechner;7;Sieben;F;1\n"_s,
                               u"Test"_s);
        Application().Initialize();
        Application().CreateForm(dtmKOMMFilter);
        dtmKOMMFilter->BuchenAktivitaet(kABIL, true);
        dtmKOMMFilter->BuchenAktivitaet(kKBIL, true);
        Application().CreateForm(frmMain);
        Application().CreateForm(frmFilterOnOff);
        Application().CreateForm(frmRechner);
        Application().CreateForm(frmLoad);
        Application().CreateForm(frmSave);
    }
    void TearDown() override
    {
        Application().Reset();
        ClearKOMMFilterRegistry();
    }

    // A script that records what the shown window misses and cancels it, or
    // acts on it and returns what that leaves.
    TModalScript Look(const std::function<void(TKRNForm&)>& more = {})
    {
        return [this, more](TKRNForm& form) {
            QCoreApplication::sendPostedEvents();
            missing << Missing(form);
            if (more) {
                more(form);
                return form.ModalResult();
            }
            return int(mrCancel);
        };
    }
    // The chooser takes its first saved setting.
    static TModalScript ChooseFirst()
    {
        return TModalScripts::Doing([](TKRNForm&) {
            frmLoad->vtFIDEList->SetFocusedCell(0, 0);
            frmLoad->btnLadenClick(frmLoad->spbLoad);
        });
    }
    // Presses the menu entry through its accessible interface and lets the
    // event loop run the click.
    void Press(const QString& name, const QString& heading)
    {
        QAccessibleInterface* entry = AccessibleChild(Accessible(frmMain->btsMain), name, heading);
        ASSERT_NE(entry, nullptr) << name.toStdString() << " under " << heading.toStdString();
        ASSERT_NE(entry->actionInterface(), nullptr);
        entry->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        SpinEventLoop();
    }

    TempStore store;
    RecordingPresenter presenter;
    QStringList missing;
};

TEST_F(Zugang, EveryMenuEntryPressedThroughItsInterfaceOpensItsWorkflow)
{
    struct TCase
    {
        QString Name;
        QString Heading;
        QString Opens; // object name | caption of the first window shown
    };
    const TCase cases[] = {
        {u"Artikelbilder"_s, u"Filtereinstellungen bearbeiten"_s,
         u"frmLoad | Filtereinstellungen bearbeiten - Artikelbilder"_s},
        {u"Katalogbilder"_s, u"Filtereinstellungen bearbeiten"_s,
         u"frmLoad | Filtereinstellungen bearbeiten - Katalogbilder"_s},
        {u"Artikelbilder"_s, u"Kommunikationseinstellungen bearbeiten"_s,
         u"frmLoad | Kommunikationseinstellungen für gespeicherte Filter - Artikelbilder"_s},
        {u"Katalogbilder"_s, u"Kommunikationseinstellungen bearbeiten"_s,
         u"frmLoad | Kommunikationseinstellungen für gespeicherte Filter - Katalogbilder"_s},
        {u"Einstellungen"_s, u"Filter aktivieren / passivieren"_s,
         u"frmFilterOnOff | "_s + frmFilterOnOff->Caption()},
    };
    QAccessibleInterface* menu = Accessible(frmMain->btsMain);
    int entries = 0;
    for (int i = 0; i < menu->childCount(); ++i) {
        entries += menu->child(i)->role() == QAccessible::Button ? 1 : 0;
    }
    EXPECT_EQ(entries, int(std::size(cases))) << "every entry has its case";
    for (const TCase& c : cases) {
        QString opened;
        TModalScripts scripts([&](TKRNForm& form) {
            opened = form.objectName() + u" | "_s + form.Caption();
            return int(mrCancel);
        });
        Press(c.Name, c.Heading);
        EXPECT_EQ(opened.toStdString(), c.Opens.toStdString()) << c.Name.toStdString() << " under " << c.Heading.toStdString();
    }
}

TEST_F(Zugang, EveryWindowNamesItsControlsAndKeepsItsMnemonicsApart)
{
    g_named = 0;
    ASSERT_TRUE(ShowActive(*frmMain));
    missing << Missing(*frmMain);

    // The editing road: chooser, editor, its preview, the save dialog.
    TModalScripts scripts;
    scripts.Then(Look([](TKRNForm&) { frmLoad->btnNeuanlageClick(frmLoad->spbNew); }))
        .Then([this](TKRNForm& form) {
            auto& editor = dynamic_cast<TfrmBildKOMMFilterEditor&>(form);
            missing << Missing(editor);
            editor.spbVorschauClick(&editor); // shown beside the editor
            QCoreApplication::sendPostedEvents();
            auto* vorschau = editor.findChild<TfrmBildVorschau*>();
            EXPECT_NE(vorschau, nullptr);
            if (vorschau) {
                missing << Missing(*vorschau);
            }
            editor.edtBezeichnung->setText(u"ZUGANG"_s);
            editor.btnBuchenClick(&editor);
            return editor.ModalResult();
        })
        .Then(Look()); // the save dialog
    frmMain->DoFilterEdit(kABIL);
    EXPECT_EQ(Lines(scripts.Shown()), Lines({u"frmLoad"_s, u"frmBildKOMMFilterEditor"_s, u"frmSave"_s}));

    // The computer dialog, the activation dialog, the history.
    TABILKommFilter(kABIL, u"ZUGANG"_s).FilterSave();
    TModalScripts more;
    more.Then(ChooseFirst())
        .Then(Look())
        .Then(Look())
        .Then(Look())
        .Then(Look());
    frmMain->DoKommunikationEdit(kABIL);
    frmMain->DoFilterOnOff();
    frmMain->btnVerlaufClick(frmMain);
    EXPECT_EQ(Lines(more.Shown()),
              Lines({u"frmLoad"_s, u"frmRechner"_s, u"frmLoad"_s, u"frmFilterOnOff"_s, u"frmVerlauf"_s}));

    // The window shown while the store waits for another workstation.
    TStoreWaitIndicator wait;
    wait.WaitBegins();
    wait.StillWaiting(TStoreWaitIndicator::kDelayMs, 5000);
    ASSERT_NE(wait.Window(), nullptr);
    wait.Window()->setObjectName(u"Wartefenster"_s);
    missing << Missing(*wait.Window());
    wait.WaitEnds();

    EXPECT_EQ(Lines(missing), "");
    EXPECT_GT(g_named, 60);
}

TEST_F(Zugang, TabReachesEveryControlOfEveryDialog)
{
    std::map<QString, std::pair<QStringList, QStringList>> rounds; // window: reached, all
    const TModalScript round = [&](TKRNForm& form) {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        QCoreApplication::sendPostedEvents();
        QStringList reached = TabRound(form);
        reached.sort();
        reached.removeDuplicates(); // a date field takes a Tab per part
        rounds[form.objectName()] = {reached, TabControls(form)};
        return int(mrCancel);
    };
    TABILKommFilter(kABIL, u"ZUGANG"_s).FilterSave();
    TModalScripts scripts;
    scripts.Then(round).Then(round).Then(round);
    frmMain->DoKommunikationEdit(kABIL); // the chooser only
    frmMain->DoFilterOnOff();
    frmMain->btnVerlaufClick(frmMain);
    ASSERT_EQ(rounds.size(), 3U);
    for (const auto& [window, seen] : rounds) {
        EXPECT_FALSE(seen.second.isEmpty()) << window.toStdString();
        EXPECT_EQ(Lines(seen.first), Lines(seen.second)) << window.toStdString();
    }
}

TEST_F(Zugang, TheTreesCheckedStatesFollowTheMarks)
{
    TABILKommFilter(kABIL, u"ZUGANG"_s).FilterSave();
    QStringList states; // name: checked, after setting marks and after Space
    TModalScripts scripts;
    scripts.Then(ChooseFirst())
        .Then([&](TKRNForm& form) {
            TVTRTypRNrCheck& tree = *frmRechner->vtRTypRNrCheck;
            tree.expandAll();
            tree.SetRTypChecked(u'F', true);
            tree.SetRNrChecked(1, true);
            const auto read = [&] {
                QAccessibleInterface* iface = Accessible(&tree);
                QAccessibleTableInterface* table = iface->tableInterface();
                QStringList seen;
                for (int row = 0; table && row < table->rowCount(); ++row) {
                    // Type and number: the check box sits in the first column.
                    QAccessibleInterface* cell = table->cellAt(row, 0);
                    if (cell && cell->state().checkable) {
                        seen << cell->text(QAccessible::Name) + table->cellAt(row, 1)->text(QAccessible::Name) +
                                    u": "_s + QString::number(cell->state().checked);
                    }
                }
                return seen.join(u", "_s);
            };
            states << read();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
            tree.setFocus();
            tree.setCurrentIndex(tree.RTypIndex(0));
            QTest::keyClick(&tree, Qt::Key_Space);
            states << read();
            return int(mrCancel);
        })
        .Then(TModalScripts::Returning(mrCancel));
    frmMain->DoKommunikationEdit(kABIL);
    ASSERT_EQ(states.size(), 2);
    EXPECT_EQ(states[0].toStdString(), "A: 0, F: 1, A1: 1, F7: 0");
    EXPECT_EQ(states[1].toStdString(), "A: 1, F: 1, A1: 1, F7: 0");
}

// Under each theme the focused menu entry wears its frame; with
// VELDRAKE_SCREENSHOTS set, the main window and the computer dialog are
// written there as main-<theme>.png and rechner-<theme>.png.
TEST_F(Zugang, TheFocusFrameShowsUnderEveryTheme)
{
    TABILKommFilter(kABIL, u"ZUGANG"_s).FilterSave();
    const QString dir = qEnvironmentVariable("VELDRAKE_SCREENSHOTS");
    ASSERT_TRUE(ShowActive(*frmMain));
    for (const TTestPalette& theme : TestPalettes()) {
        const TPaletteScope scope(theme.Palette);
        TButtons& menu = *frmMain->btsMain;
        menu.setFocus();
        menu.SetFocusedIndex(menu.Items().IndexOf(u"KOMMABIL"_s));
        QCoreApplication::sendPostedEvents();
        const QImage image = menu.grab().toImage();
        const QRect entry = menu.ItemRect(menu.FocusedIndex());
        const qreal ratio = image.devicePixelRatio();
        const auto at = [&](int x, int y) { return image.pixelColor(qRound(x * ratio), qRound(y * ratio)); };
        const int frame = entry.left() + TButtons::FocusFrameInset;
        EXPECT_EQ(at(frame, entry.center().y()).name(), menu.Colors().FocusText.name()) << theme.Name.toStdString();
        EXPECT_EQ(at(frame + 6, entry.center().y()).name(), menu.Colors().Focus.name()) << theme.Name.toStdString();
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            EXPECT_TRUE(frmMain->grab().save(QDir(dir).filePath(u"main-%1.png"_s.arg(theme.Name))));
            TModalScripts scripts;
            scripts.Then(ChooseFirst())
                .Then([&](TKRNForm& form) {
                    QCoreApplication::sendPostedEvents();
                    EXPECT_TRUE(form.grab().save(QDir(dir).filePath(u"rechner-%1.png"_s.arg(theme.Name))));
                    return int(mrCancel);
                })
                .Then(TModalScripts::Returning(mrCancel));
            frmMain->DoKommunikationEdit(kABIL);
        }
    }
}

// The program's own colours: each text against its background, under the
// default, a dark and a high-contrast palette.
TEST(ZugangFarben, EveryTextKeepsItsContrastUnderEveryTheme)
{
    for (const TTestPalette& theme : TestPalettes()) {
        const TPaletteScope scope(theme.Palette);
        TButtons menu(u"btsMain"_s);
        const TButtonColors c = menu.Colors();
        TKRNStdLabel heading(u"lblUeberschrift"_s);
        heading.SetFontColor(TfrmRechner::HeadingColor());
        const QPalette& p = theme.Palette;
        struct TPair
        {
            const char* What;
            QColor Text;
            QColor Background;
            double Minimum;
        };
        const TPair pairs[] = {
            {"menu heading", c.HeadText, c.Head, KRNTextContrast},
            {"menu entry", c.MenuText, c.Menu, KRNTextContrast},
            {"menu entry under the mouse", c.MenuText, c.Hover, KRNTextContrast},
            {"focused menu entry (the red bar)", c.FocusText, c.Focus, KRNTextContrast},
            {"menu note", c.Note, c.Background, KRNTextContrast},
            {"disabled menu entry", c.DisabledText, c.Menu, KRNControlContrast},
            {"blue heading of the computer dialog", heading.palette().color(QPalette::WindowText),
             p.color(QPalette::Window), KRNTextContrast},
            {"shaded unit of work in the history", p.color(QPalette::Text), TVerlaufModell::GruppenFarbe(p),
             KRNTextContrast},
        };
        for (const TPair& pair : pairs) {
            const double ratio = KRNContrastRatio(pair.Text, pair.Background);
            EXPECT_GE(ratio, pair.Minimum) << theme.Name.toStdString() << ": " << pair.What << " "
                                           << pair.Text.name().toStdString() << " on "
                                           << pair.Background.name().toStdString();
            RecordProperty(theme.Name.toStdString() + " " + pair.What, QString::number(ratio, 'f', 2).toStdString());
        }
    }
}

// The design's colours stay where the default theme leaves them room.
TEST(ZugangFarben, TheDefaultThemeKeepsTheDesignColours)
{
    TButtons menu(u"btsMain"_s);
    EXPECT_EQ(menu.Colors().Head, TButtons::HeadColor());
    EXPECT_EQ(menu.Colors().Focus, TButtons::AccentColor());
    TKRNStdLabel heading(u"lblUeberschrift"_s);
    heading.SetFontColor(TfrmRechner::HeadingColor());
    EXPECT_EQ(heading.palette().color(QPalette::WindowText), TfrmRechner::HeadingColor());
}

} // namespace
