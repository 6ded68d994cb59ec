// The editor base form as the workflow shows it: caption, edits from the
// properties, the two buttons, their keys, the close box and the layout.
#include "EditorTestSupport.h"
#include "RecordingPresenter.h"
#include "TempStore.h"

#include "editors/KOMMFilterBILDEditor.h"

#include <QApplication>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

class EditorShowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearKOMMFilterRegistry();
        DoRegisterBildKOMMFilterEditor();
        editor.reset(TfrmBildKOMMFilterEditor::ClassRef()->Create());
        editor->SetFilterKennung(TKBILKommFilter::Filter_Kennung());
        editor->SetFilterBezeichnung(u"MUSTER"_s);
        editor->SetFilterBeschreibung(u"Beschreibung"_s);
        editor->FilterInitialize();
        editor->FilterLoad();
    }
    void TearDown() override
    {
        editor.reset();
        ClearKOMMFilterRegistry();
    }

    // Shows the editor modally; the script acts on the shown form.
    int Show(std::function<void(TKRNForm&)> action)
    {
        TModalScripts scripts(TModalScripts::Doing([action = std::move(action)](TKRNForm& form) {
            QApplication::setActiveWindow(&form);
            action(form);
        }));
        const int result = editor->ShowModal();
        EXPECT_EQ(scripts.Pending(), 0);
        return result;
    }

    TempStore store;
    RecordingPresenter presenter;
    EditorPtr editor;
};

} // namespace

TEST_F(EditorShowTest, CaptionCarriesTheDisplayNameAndEditsThePropertyValues)
{
    editor->edtBeschreibung->setText(u"vom Laden"_s);
    Show([&](TKRNForm& form) {
        EXPECT_EQ(form.Caption(), u"Einstellungen bearbeiten - Katalogbilder"_s);
        EXPECT_EQ(editor->edtBezeichnung->text(), u"MUSTER"_s);
        EXPECT_EQ(editor->edtBeschreibung->text(), u"Beschreibung"_s);
    });

    editor->SetFilterKennung(u"UNBEKANNT"_s);
    Show([&](TKRNForm& form) { EXPECT_EQ(form.Caption(), u"Einstellungen bearbeiten - "_s); });
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(EditorShowTest, SpeichernAndF5CopyTheEditsBackAndConfirm)
{
    const int viaButton = Show([&](TKRNForm& form) {
        editor->edtBezeichnung->setText(QString());
        editor->edtBeschreibung->setText(u"neu"_s);
        Control<QToolButton>(*editor, "spbBuchen")->click();
        EXPECT_FALSE(form.isVisible() && form.ModalResult() == mrNone);
    });
    EXPECT_EQ(viaButton, mrOk); // an empty name is the save dialog's business
    EXPECT_EQ(editor->FilterBezeichnung(), QString());
    EXPECT_EQ(editor->FilterBeschreibung(), u"neu"_s);

    editor->SetFilterBezeichnung(u"A"_s);
    const int viaKey = Show([&](TKRNForm& form) {
        editor->edtBezeichnung->setFocus();
        QTest::keyClick(editor->edtBezeichnung, Qt::Key_End);
        QTest::keyClicks(editor->edtBezeichnung, u"bc"_s);
        QTest::keyClick(&form, Qt::Key_F5);
    });
    EXPECT_EQ(viaKey, mrOk);
    EXPECT_EQ(editor->FilterBezeichnung(), u"ABC"_s);
}

TEST_F(EditorShowTest, AbbrechenEscAndTheCloseBoxCancelWithoutCopying)
{
    EXPECT_EQ(Show([&](TKRNForm&) {
                  editor->edtBeschreibung->setText(u"verworfen"_s);
                  Control<QToolButton>(*editor, "spbCancel")->click();
              }),
              mrCancel);
    EXPECT_EQ(Show([&](TKRNForm& form) { QTest::keyClick(&form, Qt::Key_Escape); }), mrCancel);
    EXPECT_EQ(Show([&](TKRNForm& form) { form.close(); }), mrCancel);
    EXPECT_EQ(editor->FilterBeschreibung(), u"Beschreibung"_s);
}

TEST_F(EditorShowTest, AcceleratorsAndTabOrderReachTheControls)
{
    QStringList tabSequence;
    QStringList accelerated;
    Show([&](TKRNForm& form) {
        editor->edtBezeichnung->setEnabled(true);
        editor->edtBezeichnung->setFocus();
        tabSequence.append(QApplication::focusWidget()->objectName());
        for (int i = 0; i < 7; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            tabSequence.append(QApplication::focusWidget()->objectName());
        }
        for (const Qt::Key key : {Qt::Key_S, Qt::Key_Z, Qt::Key_B, Qt::Key_H, Qt::Key_Q}) {
            QTest::keyClick(&form, key, Qt::AltModifier);
            accelerated.append(QApplication::focusWidget()->objectName());
        }
    });
    EXPECT_EQ(tabSequence, (QStringList{u"edtBezeichnung"_s, u"edtBeschreibung"_s, u"edtGroesseHoehe"_s,
                                        u"edtQualitaet"_s, u"chbBildLoeschen"_s, u"chbOnlyFirstPicExp"_s,
                                        u"edtGroesseBreite"_s, u"edtBezeichnung"_s}));
    EXPECT_EQ(accelerated, (QStringList{u"edtBeschreibung"_s, u"edtBezeichnung"_s, u"edtGroesseBreite"_s,
                                        u"edtGroesseHoehe"_s, u"edtQualitaet"_s}));
}

TEST_F(EditorShowTest, NameEditTakesSixteenUpperCaseCharactersDescriptionEighty)
{
    editor->edtBezeichnung->clear();
    QTest::keyClicks(editor->edtBezeichnung, u"abcdefghijklmnopqrs"_s);
    EXPECT_EQ(editor->edtBezeichnung->text(), u"ABCDEFGHIJKLMNOP"_s);
    editor->edtBeschreibung->clear();
    QTest::keyClicks(editor->edtBeschreibung, QString(90, u'x'));
    EXPECT_EQ(editor->edtBeschreibung->text(), QString(80, u'x'));
}

TEST_F(EditorShowTest, LayoutKeepsLabelsBesideTheirEditsAndTheTextInItsBox)
{
    EXPECT_EQ(editor->size(), QSize(688, 420));
    for (const char* name :
         {"lblTxtBezeichnung", "lblTxtBeschreibung", "lblGroesseBreite", "lblGroesseHoehe", "lblQualitaet"}) {
        const auto* label = Control<TKRNAttachLabel>(*editor, name);
        const QWidget* edit = label->Attached();
        ASSERT_NE(edit, nullptr) << name;
        EXPECT_EQ(label->geometry().center().y(), edit->geometry().center().y()) << name;
        EXPECT_LT(label->geometry().right(), edit->x()) << name;
    }
    for (const char* name : {"spbCancel", "spbBuchen"}) {
        const auto* button = Control<TKRNStdSpeedButton>(*editor, name);
        const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), button->width() - 2 * frame)
            << name;
    }
    const auto* text = Control<TKRNStdLabel>(*editor, "lblTxtUeberschrift");
    const QSize needed = text->fontMetrics().size(0, text->text());
    EXPECT_LE(needed.width(), text->width());
    EXPECT_LE(text->y() + needed.height(), Control<QWidget>(*editor, "chbBildLoeschen")->y());
}

// Renders the editor of an existing setting with "Bild nicht übertragen" on.
// With VELDRAKE_SCREENSHOTS set, the picture is written there as editor.png.
TEST_F(EditorShowTest, RendersAsAPicture)
{
    {
        TKBILKommFilter filter(TKBILKommFilter::Filter_Kennung(), u"MUSTER"_s);
        filter.BildLoeschen = true;
        filter.GroesseBreite = 1024;
        filter.GroesseHoehe = 768;
        filter.Qualitaetsverlust = 76;
        filter.FilterSave();
    }
    editor->FilterLoad();
    editor->RunShowHandler();
    editor->show();
    const QPixmap picture = editor->grab();
    editor->hide();
    EXPECT_EQ(picture.size(), QSize(688, 420) * picture.devicePixelRatio());
    const QString dir = qEnvironmentVariable("VELDRAKE_SCREENSHOTS");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(picture.save(dir + u"/editor.png"_s));
    }
}
