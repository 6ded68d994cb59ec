// The image editor's preview: the settings in the edits, saved or not,
// applied to the built-in sample or to an image picked through the seam.
#include "BildTestSupport.h"
#include "EditorTestSupport.h"
#include "GuiTest.h"
#include "RecordingPresenter.h"
#include "TempStore.h"

#include "editors/BildVorschau.h"
#include "editors/KOMMFilterBILDEditor.h"
#include "host/KRNControls.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

class BildVorschauTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearKOMMFilterRegistry();
        DoRegisterBildKOMMFilterEditor();
        editor.reset(TfrmBildKOMMFilterEditor::ClassRef()->Create());
        editor->SetFilterKennung(TABILKommFilter::Filter_Kennung());
        editor->SetFilterBezeichnung(u"NEU"_s);
        editor->FilterInitialize();
        editor->FilterLoad();
    }
    void TearDown() override
    {
        TfrmBildVorschau::SetDateiAuswahl({});
        editor.reset();
        ClearKOMMFilterRegistry();
    }

    void Edit(const char* name, const QString& text) { Control<TKRNStdEdit>(*editor, name)->setText(text); }

    TfrmBildVorschau* Vorschau()
    {
        QTest::mouseClick(Control<QWidget>(*editor, "spbVorschau"), Qt::LeftButton);
        auto* vorschau = editor->findChild<TfrmBildVorschau*>();
        EXPECT_NE(vorschau, nullptr);
        return vorschau;
    }
    static QString Info(TfrmBildVorschau* vorschau) { return vorschau->lblInfoNachher->text(); }

    TempStore store;
    RecordingPresenter presenter;
    EditorPtr editor;
};

TEST_F(BildVorschauTest, ButtonAndF6ShowUnsavedEditsOnTheBuiltInSample)
{
    const QAction* f6 = editor->Action(u"actF6"_s);
    ASSERT_NE(f6, nullptr);
    EXPECT_EQ(f6->shortcut(), QKeySequence(Qt::Key_F6));
    EXPECT_EQ(Control<QWidget>(*editor, "spbVorschau")->focusPolicy(), Qt::NoFocus) << "tab order unchanged";

    Edit("edtGroesseBreite", u"400"_s);
    Edit("edtGroesseHoehe", u"0"_s);
    Edit("edtQualitaet", u"50"_s);
    TfrmBildVorschau* vorschau = Vorschau();
    ASSERT_TRUE(vorschau->Ergebnis().has_value());
    EXPECT_EQ(Groesse(vorschau->Ergebnis()->Daten), QSize(400, 300));
    EXPECT_EQ(JpegQualitaetLesen(vorschau->Ergebnis()->Daten), 50);
    EXPECT_TRUE(vorschau->lblInfoVorher->text().contains(u"1600 × 1200 Pixel"_s));
    EXPECT_TRUE(Info(vorschau).contains(u"400 × 300 Pixel"_s)) << Info(vorschau).toStdString();
    EXPECT_TRUE(Info(vorschau).contains(u"JPEG-Qualität 50 %"_s));
    EXPECT_FALSE(vorschau->lblNachher->pixmap().isNull());
    EXPECT_EQ(store.Count(u"SELECT COUNT(*) FROM fidefile"_s), 0) << "nothing saved";

    // Changed edits show at the next press; the window is reused.
    Control<TKRNStdCheckBox>(*editor, "chbBildLoeschen")->SetChecked(true);
    editor->Action(u"actF6"_s)->trigger();
    EXPECT_EQ(editor->findChildren<TfrmBildVorschau*>().size(), 1);
    EXPECT_FALSE(vorschau->Ergebnis().has_value());
    EXPECT_EQ(vorschau->lblNachher->text(), u"Bild nicht übertragen"_s);
}

TEST_F(BildVorschauTest, PickedImageThroughTheSeam)
{
    const QTemporaryDir dir;
    QImage bild(QSize(300, 200), QImage::Format_ARGB32);
    bild.fill(QColor(0, 0, 255, 128));
    const QString png = dir.filePath(u"muster.png"_s);
    DateiSchreiben(png, AlsPng(bild));
    const QString kaputt = dir.filePath(u"kaputt.jpg"_s);
    DateiSchreiben(kaputt, "kein Bild");

    Edit("edtGroesseBreite", u"150"_s);
    TfrmBildVorschau* vorschau = Vorschau();
    QStringList antworten{png, QString(), kaputt};
    TfrmBildVorschau::SetDateiAuswahl([&antworten](QWidget*) { return antworten.takeFirst(); });

    vorschau->spbBildClick(vorschau);
    EXPECT_EQ(vorschau->Bild(), png);
    ASSERT_TRUE(vorschau->Ergebnis().has_value());
    EXPECT_EQ(vorschau->Ergebnis()->Format, u"png"_s);
    EXPECT_EQ(Groesse(vorschau->Ergebnis()->Daten), QSize(150, 100));

    vorschau->spbBildClick(vorschau); // cancelled: the image stays
    EXPECT_EQ(vorschau->Bild(), png);

    vorschau->spbBildClick(vorschau);
    EXPECT_FALSE(vorschau->Ergebnis().has_value());
    EXPECT_TRUE(vorschau->lblNachher->text().contains(u"kaputt.jpg"_s));
    EXPECT_TRUE(vorschau->lblInfoVorher->text().contains(u"nicht lesbar"_s));
}

// With VELDRAKE_SCREENSHOTS set, the window is written there as preview.png.
TEST_F(BildVorschauTest, RendersAsAPicture)
{
    Edit("edtGroesseBreite", u"640"_s);
    Edit("edtGroesseHoehe", u"480"_s);
    Edit("edtQualitaet", u"20"_s);
    TfrmBildVorschau* vorschau = Vorschau();
    const QPixmap picture = vorschau->grab();
    EXPECT_EQ(picture.size(), QSize(760, 470) * picture.devicePixelRatio());
    const QString dir = qEnvironmentVariable("VELDRAKE_SCREENSHOTS");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(picture.save(dir + u"/preview.png"_s));
    }
    vorschau->close();
}

} // namespace
