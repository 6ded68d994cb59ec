// The three dialogs as the user sees them: button captions that fit under
// their glyphs, lists that show their rows, components that follow the
// window size. With VELDRAKE_SCREENSHOTS set, the pictures are written there.
#include "DialogFixture.h"

#include "dialogs/FilterOnOffU.h"
#include "dialogs/LoadFilterU.h"
#include "dialogs/SaveFilterU.h"
#include "host/KRNControls.h"
#include "host/VTStringList.h"
#include "host/VTVRList.h"

#include <QDir>
#include <QImage>

namespace {

class DialogPictureTest : public DialogTest
{
protected:
    // Renders the form while it is shown modally.
    static QImage Picture(TKRNForm& form)
    {
        QImage image;
        TModalScripts scripts(TModalScripts::Doing([&](TKRNForm& f) {
            QCoreApplication::sendPostedEvents();
            image = f.grab().toImage();
            f.SetModalResult(mrCancel);
        }));
        form.ShowModal();
        return image;
    }

    static void Save(const QImage& image, const QString& name)
    {
        const QString dir = qEnvironmentVariable("VELDRAKE_SCREENSHOTS");
        if (!dir.isEmpty()) {
            ASSERT_TRUE(QDir().mkpath(dir));
            EXPECT_TRUE(image.save(QDir(dir).filePath(name)));
        }
    }

    // Every speed button of the form shows its glyph and its whole caption.
    static void ExpectButtonsReadable(const TKRNForm& form)
    {
        const QList<TKRNStdSpeedButton*> buttons = form.findChildren<TKRNStdSpeedButton*>();
        ASSERT_FALSE(buttons.isEmpty());
        for (const TKRNStdSpeedButton* button : buttons) {
            EXPECT_FALSE(button->icon().isNull()) << button->objectName().toStdString();
            EXPECT_EQ(button->size(), QSize(65, 65)) << button->objectName().toStdString();
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->Caption()), button->width() - 4)
                << button->objectName().toStdString();
        }
    }
};

TEST_F(DialogPictureTest, Chooser)
{
    AddSetting(kABIL, u"FILIALEN"_s, u"Bilder für die Filialen, 800 × 600"_s);
    AddSetting(kABIL, u"ONLINESHOP"_s, u"Nur das erste Bild, volle Größe"_s);
    AddSetting(kABIL, u"KASSE"_s, u"Kleine Vorschaubilder für die Kassen"_s);
    auto form = KRNCreateForm<TfrmLoad>();
    form->SetFilterKennung(kABIL);
    form->SetCaption(u"Filtereinstellungen bearbeiten - Artikelbilder"_s);
    const QImage image = Picture(*form);
    EXPECT_EQ(image.size(), QSize(467, 269) * image.devicePixelRatio());
    ExpectButtonsReadable(*form);
    const QRect firstRow = form->vtFIDEList->visualRect(form->vtFIDEList->model()->index(0, 0));
    EXPECT_GT(firstRow.height(), form->vtFIDEList->fontMetrics().height() - 1);
    EXPECT_GE(form->vtFIDEList->columnWidth(0),
              form->vtFIDEList->fontMetrics().horizontalAdvance(u"ONLINESHOP"_s));
    Save(image, u"load.png"_s);
}

TEST_F(DialogPictureTest, ListAndEditsFollowTheWindowSize)
{
    auto chooser = KRNCreateForm<TfrmLoad>();
    const QRect list = chooser->vtFIDEList->geometry();
    const QRect bar = chooser->bvlButtons->geometry();
    chooser->show();
    chooser->resize(chooser->size() + QSize(133, 51));
    EXPECT_EQ(chooser->vtFIDEList->geometry(), list.adjusted(0, 0, 133, 51));
    EXPECT_EQ(chooser->bvlButtons->geometry(), bar.adjusted(0, 0, 133, 0));
    EXPECT_EQ(chooser->spbDelete->pos(), QPoint(208, 4));

    auto save = KRNCreateForm<TfrmSave>();
    const QRect edit = save->edtBeschreibung->geometry();
    save->show();
    save->resize(save->size() + QSize(100, 40));
    EXPECT_EQ(save->edtBeschreibung->geometry(), edit.adjusted(0, 0, 100, 0));
}

TEST_F(DialogPictureTest, SaveDialog)
{
    auto form = KRNCreateForm<TfrmSave>();
    form->SetFilterKennung(kABIL);
    form->SetFilterBezeichnung(u"FILIALEN"_s);
    form->SetFilterBeschreibung(u"Bilder für die Filialen, 800 × 600"_s);
    form->SetCaption(u"Filtereinstellungen speichern - Artikelbilder"_s);
    const QImage image = Picture(*form);
    EXPECT_EQ(image.size(), QSize(488, 195) * image.devicePixelRatio());
    ExpectButtonsReadable(*form);
    EXPECT_LE(form->edtBeschreibung->geometry().bottom(), form->pnlDaten->height());
    Save(image, u"save.png"_s);
}

TEST_F(DialogPictureTest, ActivationDialog)
{
    dtm.BuchenAktivitaet(kABIL, true);
    dtm.RefreshFilterList();
    auto form = KRNCreateForm<TfrmFilterOnOff>();
    const QImage image = Picture(*form);
    EXPECT_EQ(image.size(), QSize(332, 364) * image.devicePixelRatio());
    ExpectButtonsReadable(*form);
    EXPECT_EQ(form->vtFilter->GetCount(), 2);
    Save(image, u"filteronoff.png"_s);
}

} // namespace
