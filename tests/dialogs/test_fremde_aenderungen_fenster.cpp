// Open windows and what another workstation (a process of the store tool)
// books meanwhile: the computer dialog's bar says what changed, by whom and
// when, and "Neu laden" never replaces the user's marks without asking; the
// editor asks before its entries go over a setting changed or deleted
// since it was loaded.
#include "DialogFixture.h"
#include "SecondWorkstation.h"
#include "test_rechner_support.h"

#include "dialogs/FilterOnOffU.h"
#include "dialogs/RechnerU.h"
#include "editors/KOMMFilterBILDEditor.h"
#include "host/KRNHinweisLeiste.h"
#include "host/VTRTypRNrCheck.h"
#include "host/VTStringList.h"
#include "host/core/FremdeAenderungen.h"

#include <QPushButton>
#include <QSignalSpy>

using namespace rechner_test;

namespace {

using EditorPtr = std::unique_ptr<TfrmKOMMFilterEditor, TKRNFree>;

QString Beschreibung(TStore& store, const QString& bezeichnung)
{
    QSqlQuery query(store.Database());
    query.prepare(u"SELECT Beschreibung FROM fidefile WHERE Kennung = 'ABIL' AND Bezeichnung = ?"_s);
    query.addBindValue(bezeichnung);
    EXPECT_TRUE(query.exec());
    return query.next() ? query.value(0).toString() : u"(gelöscht)"_s;
}

} // namespace

TEST_F(DialogTest, AConfirmationElsewhereShowsInTheOpenComputerDialogAndReloadAsksFirst)
{
    ImportComputers(store.Store(), u"Rechnertyp;A;Außendienst\nRechner;1;Eins;A;1\nRechner;2;Zwei;A;1\n"_s);
    Assign(store.Store(), u"EINS"_s, u' ', 1);
    TFremdeAenderungenWaechter waechter(store.Store());
    waechter.SetIntervall(100);
    QSignalSpy spy(&waechter, &TFremdeAenderungenWaechter::Geaendert);
    auto form = KRNCreateForm<TfrmRechner>();
    form->SetFilterKennung(kABIL);
    form->SetFilterBezeichnung(u"EINS"_s);
    QString hinweis;
    bool nachNein = false;
    bool nachJa = false;
    ShowAndDo<TfrmRechner>(*form, [&](TfrmRechner& f) {
        TVTRTypRNrCheck& tree = *f.vtRTypRNrCheck;
        tree.SetRNrChecked(2, true); // the user's own mark, not saved
        OtherWorkstationWrites(store.Path(), {u"INSERT INTO fikofile VALUES ('ABIL', 'EINS', 'A', 0)"_s});
        EXPECT_TRUE(spy.wait(10000));
        hinweis = f.barHinweis->Text();
        QPushButton* neuLaden = f.barHinweis->findChild<QPushButton*>(u"btnNeuLaden"_s);
        presenter.Answer(mrNo);
        neuLaden->click();
        nachNein = tree.GetRNrChecked(2) && !tree.GetRTypChecked(u'A') && !f.barHinweis->Text().isEmpty();
        presenter.Answer(mrYes);
        neuLaden->click();
        nachJa = !tree.GetRNrChecked(2) && tree.GetRTypChecked(u'A') && tree.GetRNrChecked(1) &&
                 f.barHinweis->Text().isEmpty();
        f.close();
    });
    EXPECT_TRUE(hinweis.contains(u"Die Zuordnungen der Einstellung „EINS“ wurden an einem anderen Arbeitsplatz"_s))
        << hinweis.toStdString();
    // who and when
    EXPECT_TRUE(hinweis.contains(u"Geändert am "_s + QDate::currentDate().toString(u"dd.MM.yyyy"_s))) << hinweis.toStdString();
    EXPECT_TRUE(hinweis.contains(u" von "_s)) << hinweis.toStdString();
    EXPECT_TRUE(hinweis.contains(u"Ihre Eingaben bleiben stehen"_s)) << hinweis.toStdString();
    EXPECT_EQ(presenter.Numbers(), (QList<int>{1006, 1006}));
    EXPECT_TRUE(nachNein) << "No kept the user's marks and the bar";
    EXPECT_TRUE(nachJa) << "Yes showed the store's assignments";
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
    form->RunDestroyHandler();
}

// The save path of the editor after another workstation wrote or deleted
// the loaded setting: the question names who and when; only Yes writes.
TEST_F(DialogTest, TheEditorAsksBeforeSavingOverASettingChangedOrDeletedElsewhere)
{
    const struct
    {
        const char* name;
        QString anderer; // the other workstation's statement; empty: none
        bool ueberschreiben; // the save dialog found the name and asked
        int antwort;         // to the question, when one is asked
        QList<int> fragen;
        bool gespeichert;
        QString danach;
    } faelle[] = {
        {"unchanged", QString(), true, mrNo, {}, true, u"meine"_s},
        {"changed, yes", u"UPDATE fidefile SET Beschreibung = 'andere' WHERE Bezeichnung = 'MUSTER'"_s, true, mrYes,
         {1004}, true, u"meine"_s},
        {"changed, no", u"UPDATE fidefile SET Beschreibung = 'andere' WHERE Bezeichnung = 'MUSTER'"_s, true, mrNo,
         {1004}, false, u"andere"_s},
        {"deleted, yes", u"DELETE FROM fidefile WHERE Bezeichnung = 'MUSTER'"_s, false, mrYes, {1005}, true,
         u"meine"_s},
        {"deleted, no", u"DELETE FROM fidefile WHERE Bezeichnung = 'MUSTER'"_s, false, mrNo, {1005}, false,
         u"(gelöscht)"_s},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.name);
        store.Exec(u"DELETE FROM fidefile"_s);
        AddSetting(kABIL, u"MUSTER"_s, u"alt"_s);
        presenter.Meldungen.clear();
        EditorPtr editor(TfrmBildKOMMFilterEditor::ClassRef()->Create());
        editor->SetFilterKennung(kABIL);
        editor->SetFilterBezeichnung(u"MUSTER"_s);
        editor->FilterInitialize();
        editor->FilterLoad();
        if (!fall.anderer.isEmpty()) {
            OtherWorkstationWrites(store.Path(), {fall.anderer});
        }
        editor->edtBeschreibung->SetStoredText(u"meine"_s); // as the save dialog hands it back
        editor->SetUeberschreiben(fall.ueberschreiben);
        if (!fall.fragen.isEmpty()) {
            presenter.Answer(fall.antwort);
        }
        editor->FilterSave();
        EXPECT_EQ(presenter.Numbers(), fall.fragen);
        if (!fall.fragen.isEmpty()) {
            const QStringList argumente = presenter.Meldungen.value(0).Arguments;
            EXPECT_EQ(argumente.value(0), u"MUSTER"_s);
            EXPECT_TRUE(argumente.value(1).contains(u"Geändert am "_s)) << argumente.value(1).toStdString();
        }
        EXPECT_EQ(editor->Gespeichert(), fall.gespeichert);
        EXPECT_EQ(Beschreibung(store.Store(), u"MUSTER"_s), fall.danach);
        EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
    }
}

// Without unsaved marks, "Neu laden" asks nothing and shows the store.
TEST_F(DialogTest, AKindSwitchedElsewhereShowsInTheOpenActivationDialog)
{
    TFremdeAenderungenWaechter waechter(store.Store());
    waechter.SetIntervall(100);
    QSignalSpy spy(&waechter, &TFremdeAenderungenWaechter::Geaendert);
    auto form = KRNCreateForm<TfrmFilterOnOff>();
    QString hinweis;
    bool markiert = false;
    ShowAndDo<TfrmFilterOnOff>(*form, [&](TfrmFilterOnOff& f) {
        OtherWorkstationWrites(store.Path(), {u"INSERT INTO fikofile VALUES ('ABIL', '', ' ', 0)"_s});
        EXPECT_TRUE(spy.wait(10000));
        hinweis = f.barHinweis->Text();
        f.barHinweis->findChild<QPushButton*>(u"btnNeuLaden"_s)->click();
        for (TVTNode node = f.vtFilter->GetFirst(); node; node = f.vtFilter->GetNext(node)) {
            markiert = markiert || (f.vtFilter->GetNodeData(node)->value(1) == kABIL &&
                                    f.vtFilter->GetCheckState(node) == TCheckState::Checked);
        }
        f.close();
    });
    EXPECT_TRUE(hinweis.contains(u"Filterarten wurden an einem anderen Arbeitsplatz"_s)) << hinweis.toStdString();
    EXPECT_TRUE(hinweis.contains(u"Geändert am "_s)) << hinweis.toStdString();
    EXPECT_TRUE(presenter.Numbers().isEmpty());
    EXPECT_TRUE(markiert) << "the reloaded dialog shows the kind switched on";
}
