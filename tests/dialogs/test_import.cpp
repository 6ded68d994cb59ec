// The window "Importieren" and the main window's exchange buttons, on real
// widgets and the real store.

#include "DialogFixture.h"

#include "app/MainU.h"
#include "dialogs/ImportU.h"
#include "host/KRNControls.h"

#include <QFile>
#include <QPlainTextEdit>

namespace {

const QByteArray kDokument = R"({"format": "veldrake-filtereinstellungen", "version": 1, "filterarten": [
    {"kennung": "ABIL", "aktiv": true, "einstellungen": [
        {"bezeichnung": "GROSS", "werte": {"GroesseBreite": 1024}, "rechnertypen": ["F"]}]}]})";

class ImportWindow : public DialogTest
{
protected:
    QString Datei(const char* name, const QByteArray& inhalt)
    {
        const QString pfad = store.Dir() + u"/"_s + QString::fromLatin1(name);
        QFile f(pfad);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
        return pfad;
    }
};

TEST_F(ImportWindow, ShowsTheDryRunAndImportsOnlyOnF5)
{
    ImportComputersCsvText(store.Store(), u"Rechnertyp;F;Filiale\n"_s, u"Test"_s);
    const QString datei = Datei("gross.json", kDokument);
    struct
    {
        Qt::Key Taste;
        int Ergebnis;
        int Einstellungen;
    } const faelle[] = {{Qt::Key_Escape, mrCancel, 0}, {Qt::Key_F5, mrOk, 1}};
    for (const auto& fall : faelle) {
        auto form = KRNCreateForm<TfrmImport>();
        form->Vorbereiten(datei);
        const QString text = form->memAenderungen->toPlainText();
        EXPECT_TRUE(text.contains(u"Artikelbilder „GROSS“: Einstellung wird angelegt"_s)) << text.toStdString();
        EXPECT_TRUE(text.contains(u"    max. Breite: – → 1024"_s));
        EXPECT_TRUE(text.contains(u"Rechnertyp F wird zugeordnet"_s));
        EXPECT_EQ(ShowAndDo(*form, [&](TfrmImport& f) { QTest::keyClick(&f, fall.Taste); }), fall.Ergebnis);
        EXPECT_EQ(Count(u"fidefile"_s), fall.Einstellungen);
    }
    // Nothing left to change: nothing offered.
    auto wieder = KRNCreateForm<TfrmImport>();
    wieder->Vorbereiten(datei);
    EXPECT_TRUE(wieder->memAenderungen->toPlainText().startsWith(u"Der Import würde nichts ändern."_s));
    EXPECT_FALSE(wieder->spbImportieren->isEnabled());
}

TEST_F(ImportWindow, ARefusedFileIsShownAndNotOffered)
{
    auto form = KRNCreateForm<TfrmImport>();
    form->Vorbereiten(Datei("alt.json", QByteArray(kDokument).replace("\"version\": 1", "\"version\": 7")));
    EXPECT_TRUE(form->memAenderungen->toPlainText().contains(u"Fassung 7"_s));
    EXPECT_FALSE(form->spbImportieren->isEnabled());
    form->btnImportierenClick(form.get());
    EXPECT_EQ(Count(u"fidefile"_s), 0);
}

// Exportieren, Importieren and Bericht of the main window, with the file
// dialog answered by the test.
TEST_F(ImportWindow, MainWindowExportsImportsAndReports)
{
    const QString quelle = Datei("quelle.json", kDokument);
    const QString export_ = store.Dir() + u"/export.json"_s;
    const QString bericht = store.Dir() + u"/bericht.html"_s;
    QStringList gefragt;
    TfrmMain::SetDateiWahl([&](QWidget*, bool speichern, const QString& titel, const QString&) {
        gefragt << titel;
        return titel.startsWith(u"Bericht"_s) ? bericht : speichern ? export_ : quelle;
    });
    auto main = KRNCreateForm<TfrmMain>();
    {
        TModalScripts scripts(TModalScripts::Doing(
            [](TKRNForm& f) { static_cast<TfrmImport&>(f).btnImportierenClick(nullptr); }));
        main->spbImportieren->click();
        EXPECT_EQ(scripts.Shown(), QStringList{u"frmImport"_s});
    }
    EXPECT_EQ(Count(u"fidefile"_s), 1);
    main->spbExportieren->click();
    main->spbBericht->click();
    EXPECT_EQ(presenter.Numbers(), (QList<int>{1051, 1050, 1052}));
    QFile exportiert(export_);
    ASSERT_TRUE(exportiert.open(QIODevice::ReadOnly));
    EXPECT_TRUE(exportiert.readAll().contains("\"bezeichnung\": \"GROSS\""));
    QFile html(bericht);
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    EXPECT_TRUE(html.readAll().contains("GROSS"));
    EXPECT_EQ(gefragt.size(), 3);
    TfrmMain::SetDateiWahl(nullptr);
}

} // namespace
