// What a user of a desktop program takes for granted: German message
// boxes, the focus back where it was after a box, rows and headings that
// show their whole text, windows that cannot be shrunk until their buttons
// vanish, Home and End in lists, greyed labels of disabled fields.
#include "DialogFixture.h"

#include "app/MainU.h"
#include "dialogs/FilterOnOffU.h"
#include "dialogs/LoadFilterU.h"
#include "dialogs/RechnerU.h"
#include "dialogs/SaveFilterU.h"
#include "host/Application.h"
#include "host/KRNControls.h"
#include "host/KRNFocus.h"
#include "host/KRNFormFrame.h"
#include "host/VTRTypRNrCheck.h"
#include "host/VTStringList.h"
#include "host/VTVRList.h"
#include "host/core/KRNProgramm.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QTimer>

#include <csignal>
#include <memory>

namespace {

const QString kUmlaute = u"ÖL ÜBER ÄPFEL"_s;

// Answers the next real message box with the button of that role and
// keeps the texts of its buttons.
void AnswerNextBox(QMessageBox::StandardButton answer, QStringList& buttonTexts)
{
    QTimer::singleShot(0, qApp, [answer, &buttonTexts] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            AnswerNextBox(answer, buttonTexts); // not open yet
            return;
        }
        for (const QAbstractButton* button : box->buttons()) {
            buttonTexts << button->text();
        }
        box->button(answer)->click();
    });
}

class DesktopTest : public DialogTest
{
protected:
    DesktopTest() { Application().Initialize(); }
};

TEST_F(DesktopTest, QuestionBoxIsGermanAndTheFocusComesBackForF5)
{
    ASSERT_TRUE(TApplication::LoadGermanTranslations());
    KRNInfo().SetPresenter(nullptr); // the real message boxes
    AddSetting(kABIL, u"FILIALEN"_s);
    auto form = KRNCreateForm<TfrmSave>();
    form->SetFilterKennung(kABIL);
    form->SetFilterBezeichnung(u"FILIALEN"_s);
    QStringList firstBox;
    QStringList secondBox;
    QWidget* focusAfterBox = nullptr;

    const int result = ShowAndDo<TfrmSave>(*form, [&](TfrmSave& f) {
        f.edtBeschreibung->setFocus();
        AnswerNextBox(QMessageBox::No, firstBox); // "use the existing name?" - no
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
        QCoreApplication::processEvents();
        focusAfterBox = QApplication::focusWidget();
        if (!focusAfterBox) {
            return; // nothing would take F5
        }
        // F5 at once, to whatever has the focus now.
        AnswerNextBox(QMessageBox::Yes, secondBox);
        QTest::keyClick(focusAfterBox, Qt::Key_F5);
    });
    KRNInfo().SetPresenter(&presenter);

    EXPECT_EQ(firstBox, (QStringList{u"&Ja"_s, u"&Nein"_s}));
    EXPECT_EQ(focusAfterBox, form->edtBeschreibung);
    EXPECT_FALSE(secondBox.isEmpty()) << "F5 after the box did not reach the dialog";
    EXPECT_EQ(result, mrOk);
}

// Without a window manager nothing activates the dialog again when a box
// closes; here another window takes the focus in the box's stead.
TEST_F(DesktopTest, FocusReturnsWhereverTheWindowSystemPutIt)
{
    auto form = KRNCreateForm<TfrmSave>();
    ASSERT_TRUE(ShowActive(*form));
    form->edtBeschreibung->setFocus();
    QWidget elsewhere;
    {
        const TKRNFocusReturn focusReturn;
        ASSERT_TRUE(ShowActive(elsewhere));
        ASSERT_NE(QApplication::focusWidget(), form->edtBeschreibung);
    }
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(QApplication::focusWidget(), form->edtBeschreibung);
}

TEST_F(DesktopTest, EditContextMenuIsGerman)
{
    ASSERT_TRUE(TApplication::LoadGermanTranslations());
    EXPECT_TRUE(QFile::exists(u":/veldrake/translations/qtbase_de.qm"_s)) << "no copy built in";
    EXPECT_EQ(QCoreApplication::translate("QWidgetTextControl", "&Undo"), u"&Rückgängig"_s);
    EXPECT_EQ(QCoreApplication::translate("QLineEdit", "Select All"), u"Alles auswählen"_s);
}

// Each list with one row of capital umlauts: the row is at least as high as
// the font and the umlauts' glyphs.
TEST_F(DesktopTest, RowsAreHighEnoughForCapitalUmlauts)
{
    TVRList rows;
    rows.ColumnAdd().Caption = u"Bezeichnung"_s;
    rows.RowAdd({kUmlaute}, 0);
    TVTVRList table;
    table.SetVRList(&rows);

    TVTStringList strings;
    strings.SetNodeData(strings.AddChild(), {kUmlaute});

    TVTRTypRNrCheck tree;
    tree.SetData({TRechnerTyp{QLatin1Char('A'), kUmlaute}}, {});

    const std::vector<std::pair<const char*, QAbstractItemView*>> lists = {
        {"row list", &table}, {"string list", &strings}, {"computer tree", &tree}};
    for (const auto& [name, view] : lists) {
        view->resize(300, 200);
        view->show();
        QModelIndex index = view->model()->index(0, 0);
        if (view->model()->hasChildren(index)) {
            index = view->model()->index(0, 0, index);
        }
        const QFontMetrics metrics(view->font());
        const int height = view->visualRect(index).height();
        EXPECT_GE(height, metrics.height()) << name;
        EXPECT_GE(height, metrics.boundingRect(kUmlaute).height()) << name;
    }
}

TEST_F(DesktopTest, LongHeadingIsElidedNeverCut)
{
    auto form = KRNCreateForm<TfrmRechner>();
    const QString beschreibung = QString(u"Beschreibung für sämtliche Filialen "_s).repeated(3).left(80);
    const QString caption =
        u"Kommunikationseinstellungen für den Filter\r\nABIL - FILIALEN\r\n"_s + beschreibung;
    TKRNStdLabel& heading = *form->lblUeberschrift;
    heading.SetCaption(caption);

    EXPECT_EQ(heading.Caption(), caption);
    const QStringList shown = heading.text().split(u'\n');
    ASSERT_EQ(shown.size(), 3);
    for (const QString& line : shown) {
        EXPECT_LE(heading.fontMetrics().horizontalAdvance(line), heading.contentsRect().width())
            << line.toStdString();
    }
    EXPECT_EQ(shown[1], u"ABIL - FILIALEN"_s);
    EXPECT_TRUE(shown[2].startsWith(u"Beschreibung"_s));
    EXPECT_TRUE(shown[2].endsWith(u"…"_s));
    EXPECT_TRUE(heading.toolTip().contains(beschreibung));
    EXPECT_GE(heading.height(), 3 * heading.fontMetrics().height());
}

// Shrunk as far as it goes, every window keeps its button bar and shows
// a few rows of its list.
TEST_F(DesktopTest, WindowsKeepButtonsAndRowsWhenShrunk)
{
    Application().CreateForm(frmMain);
    auto load = KRNCreateForm<TfrmLoad>();
    auto save = KRNCreateForm<TfrmSave>();
    auto onOff = KRNCreateForm<TfrmFilterOnOff>();
    auto rechner = KRNCreateForm<TfrmRechner>();
    struct Case
    {
        QWidget* Window;
        QAbstractItemView* List;
    };
    const std::vector<Case> cases = {{frmMain, nullptr},
                                     {load.get(), load->vtFIDEList},
                                     {save.get(), nullptr},
                                     {onOff.get(), onOff->vtFilter},
                                     {rechner.get(), rechner->vtRTypRNrCheck}};
    for (const Case& c : cases) {
        const std::string name = c.Window->objectName().toStdString();
        c.Window->show();
        c.Window->resize(10, 10);
        QCoreApplication::processEvents();
        EXPECT_GT(c.Window->width(), 10) << name;
        EXPECT_GT(c.Window->height(), 10) << name;
        for (const TKRNStdSpeedButton* button : c.Window->findChildren<TKRNStdSpeedButton*>()) {
            const QRect inWindow(button->mapTo(c.Window, QPoint(0, 0)), button->size());
            EXPECT_TRUE(c.Window->rect().contains(inWindow))
                << name << " " << button->objectName().toStdString();
        }
        if (c.List) {
            EXPECT_GE(c.List->height(), TAnchors::MinimumListHeight(*c.List, TAnchors::RowsAlwaysShown))
                << name;
            EXPECT_LE(c.List->geometry().bottom(), c.List->parentWidget()->height()) << name;
        }
        c.Window->hide();
    }
    EXPECT_GE(frmMain->btsMain->height(), frmMain->btsMain->ItemRect(3).bottom());
    Application().Reset();
}

TEST_F(DesktopTest, HomeAndEndGoToTheFirstAndLastRow)
{
    TVRList rows;
    rows.ColumnAdd().Caption = u"Bezeichnung"_s;
    rows.ColumnAdd().Caption = u"Beschreibung"_s;
    TVTVRList table;
    TVTStringList strings;
    for (int i = 0; i < 5; ++i) {
        rows.RowAdd({QString::number(i), u"Zeile"_s}, i);
        strings.SetNodeData(strings.AddChild(), {QString::number(i)});
    }
    table.SetVRList(&rows);
    TVTRTypRNrCheck tree;
    tree.SetData(
        {TRechnerTyp{QLatin1Char('A'), u"A"_s}, TRechnerTyp{QLatin1Char('F'), u"F"_s}},
        {TRechner{101, u"Filiale"_s, QLatin1Char('F')}, TRechner{102, u"Filiale"_s, QLatin1Char('F')}});
    tree.expandAll();

    struct Case
    {
        const char* Name;
        QAbstractItemView* View;
        QModelIndex First;
        QModelIndex Middle;
        QModelIndex Last;
    };
    const std::vector<Case> cases = {
        {"row list", &table, table.model()->index(0, 0), table.model()->index(2, 1),
         table.model()->index(4, 0)},
        {"string list", &strings, strings.model()->index(0, 0), strings.model()->index(2, 0),
         strings.model()->index(4, 0)},
        {"computer tree", &tree, tree.RTypGroupIndex(), tree.RTypIndex(1), tree.RNrIndex(1)},
    };
    for (const Case& c : cases) {
        c.View->resize(300, 300);
        ASSERT_TRUE(ShowActive(*c.View)) << c.Name;
        c.View->setCurrentIndex(c.Middle);
        QTest::keyClick(c.View, Qt::Key_End);
        EXPECT_EQ(c.View->currentIndex().siblingAtColumn(0), c.Last) << c.Name;
        QTest::keyClick(c.View, Qt::Key_Home);
        EXPECT_EQ(c.View->currentIndex().siblingAtColumn(0), c.First) << c.Name;
        c.View->hide();
    }
}

TEST_F(DesktopTest, LabelsOfDisabledFieldsAreGreyed)
{
    QWidget panel;
    auto* edit = new TKRNStdEdit(u"edtBreite"_s, &panel);
    auto* label = new TKRNAttachLabel(u"lblBreite"_s, &panel);
    edit->setEnabled(false);
    label->Attach(edit);
    EXPECT_FALSE(label->isEnabled()) << "attached to a field already disabled";
    edit->setEnabled(true);
    EXPECT_TRUE(label->isEnabled());
    edit->setEnabled(false);
    EXPECT_FALSE(label->isEnabled());
    EXPECT_NE(label->palette().color(QPalette::Disabled, QPalette::WindowText),
              label->palette().color(QPalette::Active, QPalette::WindowText));
}

// The real version window and a real question, as pictures for the README
// (written to $VELDRAKE_SCREENSHOTS when that is set): German buttons, the
// program's icon.
TEST_F(DesktopTest, VersionWindowAndQuestionPictures)
{
    ASSERT_TRUE(TApplication::LoadGermanTranslations());
    ASSERT_TRUE(TApplication::SetIcon(u":/veldrake/veldrake.svg"_s));
    KRNInfo().SetPresenter(nullptr);
    Application().SetTitle(u"Filter für den Datenaustausch"_s);
    struct Shot
    {
        QImage Image;
        QString Title;
        QStringList Buttons;
    };
    const auto grabNextBox = [](Shot& shot) {
        QTimer::singleShot(50, qApp, [&shot] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (const QAbstractButton* button : box->buttons()) {
                shot.Buttons << button->text();
            }
            shot.Title = box->windowTitle();
            shot.Image = box->grab().toImage();
            box->buttons().constLast()->click();
        });
    };
    // The program object on a store of its own, as after start-up.
    qputenv("VELDRAKE_STORE", QDir(store.Dir()).filePath(u"veldrake.sqlite"_s).toUtf8());
    qputenv("VELDRAKE_MANDANT", "Hauptmandant");
    KRNProgramm().Init(u"VELDRAKE"_s, 3, 0, 0, true);
    Shot version;
    grabNextBox(version);
    KRNInfo().VersionsInfoZeigen(u"Filter für den Datenaustausch"_s, nullptr, QString());
    KRNProgramm().Done();
    qunsetenv("VELDRAKE_STORE");
    qunsetenv("VELDRAKE_MANDANT");
    Shot question;
    grabNextBox(question);
    KRNInfo().ShowMeldung(mtQuestion, 10, u"STANDARD"_s);
    KRNInfo().SetPresenter(&presenter);

    EXPECT_FALSE(version.Image.isNull());
    Application().SetTitle(QString());
    EXPECT_EQ(question.Buttons, (QStringList{u"&Ja"_s, u"&Nein"_s}));
    EXPECT_EQ(question.Title, u"Filter für den Datenaustausch"_s);
    const QString dir = qEnvironmentVariable("VELDRAKE_SCREENSHOTS");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(version.Image.save(QDir(dir).filePath(u"version.png"_s)));
        EXPECT_TRUE(question.Image.save(QDir(dir).filePath(u"meldung.png"_s)));
    }
}

// Logging out sends SIGTERM: an open question and its dialog are cancelled,
// no dialog opens any more and the message loop may end.
TEST_F(DesktopTest, TerminationSignalCancelsOpenDialogsAndBoxes)
{
    Application().EndOnTerminationSignals();
    KRNInfo().SetPresenter(nullptr);
    AddSetting(kABIL, u"FILIALEN"_s);
    auto form = KRNCreateForm<TfrmSave>();
    form->SetFilterKennung(kABIL);
    form->SetFilterBezeichnung(u"FILIALEN"_s);
    bool boxOpen = false;
    const int result = ShowAndDo<TfrmSave>(*form, [&](TfrmSave& f) {
        QTimer::singleShot(50, qApp, [&boxOpen] {
            boxOpen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
            std::raise(SIGTERM);
        });
        QTest::keyClick(&f, Qt::Key_F5); // "use the existing name?"
    });
    KRNInfo().SetPresenter(&presenter);

    EXPECT_TRUE(boxOpen);
    EXPECT_EQ(result, mrCancel);
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(Count(u"fidefile"_s), 1);
    Application().Reset();
}

} // namespace
