// The main window's three workflows on the real store, with the program's
// dialogs and the real image editor; only the modal shows are scripted and
// the message boxes answered.
#include "GuiTest.h"
#include "RecordingPresenter.h"
#include "TempStore.h"

#include "app/MainU.h"
#include "data/MainDM.h"
#include "dialogs/FilterOnOffU.h"
#include "dialogs/LoadFilterU.h"
#include "dialogs/RechnerU.h"
#include "dialogs/SaveFilterU.h"
#include "editors/KOMMFilterBILDEditor.h"
#include "host/Application.h"
#include "host/KRNControls.h"
#include "host/VRList.h"
#include "host/VTRTypRNrCheck.h"
#include "host/VTStringList.h"
#include "host/VTVRList.h"
#include "host/core/KRNError.h"
#include "host/core/Rechner.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kABIL = u"ABIL"_s;
const QString kKBIL = u"KBIL"_s;
const QString kLoad = u"frmLoad"_s;
const QString kEditor = u"frmBildKOMMFilterEditor"_s;
const QString kSave = u"frmSave"_s;
const QString kRechner = u"frmRechner"_s;
const QString kHeading = u"Kommunikationseinstellungen für den Filter"_s;

// The real image editor behind a class reference that counts the editors
// made and keeps track of the last one.
int g_editorsCreated = 0;
QPointer<TfrmKOMMFilterEditor> g_editor;

TfrmKOMMFilterEditor* CreateWatchedEditor()
{
    TfrmKOMMFilterEditor* editor = TfrmBildKOMMFilterEditor::ClassRef()->Create();
    ++g_editorsCreated;
    g_editor = editor;
    return editor;
}

const TKOMMFilterEditorClassInfo kWatchedEditor{u"TfrmBildKOMMFilterEditor"_s, &CreateWatchedEditor};

// Scripts for the dialogs' shows: each acts as the user would and returns
// the dialog's own modal result.
TModalScript Choose(const QString& bezeichnung)
{
    return [bezeichnung](TKRNForm&) {
        const TVRList& rows = *frmLoad->FIDEList();
        for (int i = 0; i < rows.GetRowCount(); ++i) {
            if (PVRItem2String(rows.Row(i)->Item(0)) == bezeichnung) {
                frmLoad->vtFIDEList->SetFocusedCell(i, 0);
            }
        }
        frmLoad->btnLadenClick(frmLoad->spbLoad);
        EXPECT_EQ(frmLoad->FilterBezeichnung(), bezeichnung);
        return frmLoad->ModalResult();
    };
}

TModalScript ChooseNew()
{
    return TModalScripts::Doing([](TKRNForm&) { frmLoad->btnNeuanlageClick(frmLoad->spbNew); });
}

TModalScript Edit(std::function<void(TfrmKOMMFilterEditor&)> action, bool confirm = true)
{
    return TModalScripts::Doing([action = std::move(action), confirm](TKRNForm& form) {
        auto& editor = dynamic_cast<TfrmKOMMFilterEditor&>(form);
        action(editor);
        confirm ? editor.btnBuchenClick(&editor) : editor.spbCancelClick(&editor);
    });
}

TKRNStdEdit& Breite(TfrmKOMMFilterEditor& editor)
{
    return *editor.findChild<TKRNStdEdit*>(u"edtGroesseBreite"_s);
}

TModalScript SaveAs(const QString& bezeichnung, const QString& beschreibung)
{
    return TModalScripts::Doing([bezeichnung, beschreibung](TKRNForm&) {
        frmSave->edtBezeichnung->setText(bezeichnung);
        frmSave->edtBeschreibung->setText(beschreibung);
        frmSave->btnSaveClick(frmSave->spbSave);
    });
}

const TModalScript Cancel = TModalScripts::Returning(mrCancel);

// Two image filter kinds, both active, the host's computers, the data
// module and the main window as start-up creates them; the dialogs follow
// in CreateDialogs.
class Workflows : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_editorsCreated = 0;
        ClearKOMMFilterRegistry();
        RegisterKOMMFilterEditor(kABIL, u"Artikelbilder"_s, TABILKommFilter::ClassRef(), &kWatchedEditor);
        RegisterKOMMFilterEditor(kKBIL, u"Katalogbilder"_s, TKBILKommFilter::ClassRef(), &kWatchedEditor);
        ImportComputersCsvText(store.Store(), u"Rechnertyp;A;Außendienst\nRechner;1;Eins;A;1\n"_s, u"Test"_s);
        Application().Initialize();
        Application().CreateForm(dtmKOMMFilter);
        dtmKOMMFilter->BuchenAktivitaet(kABIL, true);
        dtmKOMMFilter->BuchenAktivitaet(kKBIL, true);
        Application().CreateForm(frmMain);
    }
    void TearDown() override
    {
        Application().Reset();
        ClearKOMMFilterRegistry();
    }

    // The dialogs in start-up order; without the save dialog as after a
    // start whose last creation failed.
    static void CreateDialogs(bool withSave = true)
    {
        Application().CreateForm(frmFilterOnOff);
        Application().CreateForm(frmRechner);
        Application().CreateForm(frmLoad);
        if (withSave) {
            Application().CreateForm(frmSave);
        }
    }

    static QStringList Menu() { return frmMain->btsMain->Items().ButtonNames(); }
    static void Click(const QString& entry)
    {
        const int position = frmMain->btsMain->Items().IndexOf(entry);
        ASSERT_GE(position, 0) << entry.toStdString();
        frmMain->btsMain->Click(position);
    }

    // A saved article-image setting, stored as the editor stores it.
    static void AddSetting(const QString& bezeichnung, const QString& beschreibung, int breite)
    {
        TABILKommFilter filter(kABIL, bezeichnung);
        filter.Beschreibung = beschreibung;
        filter.GroesseBreite = breite;
        filter.FilterSave();
    }
    // "description|width" of a stored article-image setting, "-" when absent.
    static QString Stored(const QString& bezeichnung)
    {
        TABILKommFilter filter(kABIL, bezeichnung);
        return filter.FilterLoad() ? filter.Beschreibung + u'|' + QString::number(filter.GroesseBreite)
                                   : u"-"_s;
    }
    QStringList Names()
    {
        QStringList names;
        QSqlQuery query(u"SELECT Kennung || ':' || Bezeichnung FROM fidefile ORDER BY 1"_s,
                        store.Store().Database());
        while (query.next()) {
            names << query.value(0).toString();
        }
        return names;
    }

    TempStore store;
    RecordingPresenter presenter;
};

TEST_F(Workflows, ChooserCaptionAndOptionsFollowTheWorkflowAndItsCancelCreatesNoEditor)
{
    CreateDialogs();
    QStringList seen; // caption | Kennung | delete offered | new offered
    const TModalScript look = [&](TKRNForm&) {
        seen << QStringList{frmLoad->Caption(), frmLoad->FilterKennung(),
                            QString::number(frmLoad->spbDelete->isVisible()),
                            QString::number(frmLoad->spbNew->isVisible() && frmLoad->actF3->isEnabled())}
                    .join(u" | "_s);
        return int(mrCancel);
    };
    TModalScripts scripts;
    scripts.Then(look).Then(look).Then(look);
    Click(u"KOMMKBIL"_s);
    Click(u"FLTABIL"_s);
    Click(u"KOMMABIL"_s);
    EXPECT_EQ(seen,
              (QStringList{
                  u"Kommunikationseinstellungen für gespeicherte Filter - Katalogbilder | KBIL | 0 | 0"_s,
                  u"Filtereinstellungen bearbeiten - Artikelbilder | ABIL | 1 | 1"_s,
                  u"Kommunikationseinstellungen für gespeicherte Filter - Artikelbilder | ABIL | 0 | 0"_s}));
    EXPECT_EQ(scripts.Shown(), (QStringList{kLoad, kLoad, kLoad}));
    EXPECT_EQ(g_editorsCreated, 0);
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(Workflows, CancellingTheEditorOrTheSaveDialogSavesNothingAndFreesTheEditor)
{
    CreateDialogs();
    AddSetting(u"EINS"_s, u"erste"_s, 100);
    const auto widen = [](TfrmKOMMFilterEditor& editor) { Breite(editor).setText(u"500"_s); };
    TModalScripts scripts;
    scripts.Then(Choose(u"EINS"_s)).Then(Edit(widen, false));
    scripts.Then(Choose(u"EINS"_s)).Then(Edit(widen)).Then([](TKRNForm&) {
        EXPECT_EQ(frmSave->FilterBezeichnung(), u"EINS"_s); // the editor's proposal
        frmSave->btnAbbrechenClick(frmSave->spbCancel);
        return frmSave->ModalResult();
    });
    scripts.Then(ChooseNew()).Then(Edit([](TfrmKOMMFilterEditor& e) {
        e.edtBezeichnung->setText(u"NEU"_s);
    }));
    scripts.Then(Cancel);

    Click(u"FLTABIL"_s);
    EXPECT_EQ(scripts.Shown(), (QStringList{kLoad, kEditor}));
    EXPECT_TRUE(g_editor.isNull());
    Click(u"FLTABIL"_s);
    Click(u"FLTABIL"_s);
    EXPECT_TRUE(g_editor.isNull());

    EXPECT_EQ(scripts.Shown(), (QStringList{kLoad, kEditor, kLoad, kEditor, kSave, kLoad, kEditor, kSave}));
    EXPECT_EQ(scripts.Pending(), 0);
    EXPECT_EQ(g_editorsCreated, 3);
    EXPECT_EQ(Names(), QStringList{u"ABIL:EINS"_s});
    EXPECT_EQ(Stored(u"EINS"_s), u"erste|100"_s);
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(Workflows, SavesUnderTheNameAndDescriptionConfirmedInTheSaveDialog)
{
    CreateDialogs();
    AddSetting(u"EINS"_s, u"erste"_s, 100);
    QString caption;
    QStringList proposal;
    TModalScripts scripts;
    scripts.Then(Choose(u"EINS"_s)).Then(Edit([](TfrmKOMMFilterEditor& editor) {
        EXPECT_EQ(Breite(editor).text(), u"100"_s); // loaded
        Breite(editor).setText(u"640"_s);
        editor.edtBeschreibung->setText(u"vom Editor"_s);
    }));
    scripts.Then([&](TKRNForm& form) {
        caption = frmSave->Caption();
        proposal = {frmSave->FilterKennung(), frmSave->FilterBezeichnung(), frmSave->FilterBeschreibung()};
        return SaveAs(u"KOPIE"_s, u"im Dialog"_s)(form);
    });
    Click(u"FLTABIL"_s);

    EXPECT_EQ(caption, u"Filtereinstellungen speichern - Artikelbilder"_s);
    EXPECT_EQ(proposal, (QStringList{kABIL, u"EINS"_s, u"vom Editor"_s}));
    EXPECT_EQ(Names(), (QStringList{u"ABIL:EINS"_s, u"ABIL:KOPIE"_s}));
    EXPECT_EQ(Stored(u"KOPIE"_s), u"im Dialog|640"_s);
    EXPECT_EQ(Stored(u"EINS"_s), u"erste|100"_s);
    EXPECT_TRUE(g_editor.isNull());
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(Workflows, NeuGivesTheEditorAnEmptyNameAndDescription)
{
    CreateDialogs();
    AddSetting(u"EINS"_s, u"erste"_s, 100);
    QStringList received;
    TModalScripts scripts;
    scripts.Then(Choose(u"EINS"_s)).Then(Cancel); // the dialogs now hold EINS
    scripts.Then(ChooseNew()).Then(Edit([&](TfrmKOMMFilterEditor& editor) {
        received = {editor.FilterKennung(), editor.FilterBezeichnung(), editor.FilterBeschreibung(),
                    editor.edtBezeichnung->text(), Breite(editor).text()};
        EXPECT_TRUE(editor.edtBezeichnung->isEnabled());
        TypeText(editor.edtBezeichnung, u"neu"_s);
    }));
    scripts.Then(SaveAs(u"NEU"_s, QString()));
    Click(u"FLTABIL"_s);
    Click(u"FLTABIL"_s);

    EXPECT_EQ(received, (QStringList{kABIL, QString(), QString(), QString(), u"0"_s}));
    EXPECT_EQ(Names(), (QStringList{u"ABIL:EINS"_s, u"ABIL:NEU"_s}));
    EXPECT_EQ(Stored(u"NEU"_s), u"|0"_s);
}

TEST_F(Workflows, AssigningReturnsToTheChooserUntilBookedOrTheChooserIsCancelled)
{
    CreateDialogs();
    AddSetting(u"EINS"_s, u"erste"_s, 100);
    AddSetting(u"MUSTER"_s, QString(), 0);
    QStringList headings;
    const TModalScript back = [&](TKRNForm&) {
        headings << frmRechner->FilterBezeichnung() + u": "_s + frmRechner->lblUeberschrift->Caption();
        frmRechner->vtRTypRNrCheck->SetRNrChecked(1, true);
        frmRechner->btnZurueckClick(frmRechner->spbCancel);
        return frmRechner->ModalResult();
    };
    {
        TModalScripts scripts;
        scripts.Then(Choose(u"EINS"_s)).Then(back).Then(Choose(u"MUSTER"_s)).Then(back);
        scripts.Then(Choose(u"EINS"_s)).Then(back).Then(Cancel);
        Click(u"KOMMABIL"_s);
        EXPECT_EQ(scripts.Shown(), (QStringList{kLoad, kRechner, kLoad, kRechner, kLoad, kRechner, kLoad}));
        EXPECT_EQ(scripts.Pending(), 0);
    }
    const QString eins = u"EINS: "_s + kHeading + u"\r\nABIL - EINS\r\nerste"_s;
    EXPECT_EQ(headings, (QStringList{eins, u"MUSTER: "_s + kHeading + u"\r\nABIL - MUSTER\r\n"_s, eins}));
    EXPECT_EQ(store.Count(u"SELECT count(*) FROM fikofile WHERE Bezeichnung <> ''"_s), 0);

    // Confirmed: booked, and the chooser does not come back.
    TModalScripts scripts;
    scripts.Then(Choose(u"MUSTER"_s)).Then([](TKRNForm&) {
        frmRechner->vtRTypRNrCheck->SetRNrChecked(1, true);
        frmRechner->btnWeiterClick(frmRechner->spbBuchen);
        return frmRechner->ModalResult();
    });
    Click(u"KOMMABIL"_s);
    EXPECT_EQ(scripts.Shown(), (QStringList{kLoad, kRechner}));
    EXPECT_EQ(scripts.Unexpected(), 0);
    EXPECT_EQ(store.Count(u"SELECT count(*) FROM fikofile WHERE Bezeichnung = 'MUSTER' AND RNr = 1"_s), 1);
    EXPECT_EQ(g_editorsCreated, 0);
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(Workflows, ConfirmedActivationRebuildsTheMenuOnceAtTheNextIdleMoment)
{
    CreateDialogs();
    const QStringList before = Menu();
    // Takes the mark off KBIL, then confirms or cancels.
    const auto unmarkKBIL = [](bool confirm) {
        return TModalScripts::Doing([confirm](TKRNForm&) {
            TVTStringList& list = *frmFilterOnOff->vtFilter;
            for (TVTNode node = list.GetFirst(); node; node = list.GetNext(node)) {
                if (list.GetNodeData(node)->value(1) == kKBIL) {
                    list.SetCheckState(node, TCheckState::Unchecked);
                }
            }
            confirm ? frmFilterOnOff->btnBuchenClick(frmFilterOnOff->spbBuchen)
                    : frmFilterOnOff->btnAbbrechenClick(frmFilterOnOff->spbCancel);
        });
    };
    TModalScripts scripts;
    scripts.Then(unmarkKBIL(false)).Then(unmarkKBIL(true));
    Click(u"FILTERONOFF"_s);
    EXPECT_FALSE(frmMain->Idle_RefreshMenu());
    SpinEventLoop();
    EXPECT_EQ(Menu(), before);

    Click(u"FILTERONOFF"_s);
    EXPECT_TRUE(frmMain->Idle_RefreshMenu());
    EXPECT_EQ(Menu(), before); // not before the loop runs dry
    SpinEventLoop();
    EXPECT_FALSE(frmMain->Idle_RefreshMenu());
    EXPECT_EQ(Menu(), (QStringList{u"HeadFilter"_s, u"FLTABIL"_s, u"HeadKommunikation"_s, u"KOMMABIL"_s,
                                   u"HeadOptions"_s, u"FILTERONOFF"_s}));
    // Once: an entry added afterwards survives further idle moments.
    frmMain->btsMain->Items().Insert(1)->SetButtonName(u"FLTmarker"_s);
    SpinEventLoop();
    EXPECT_EQ(Menu().value(1), u"FLTmarker"_s);
    EXPECT_EQ(scripts.Shown(), (QStringList{u"frmFilterOnOff"_s, u"frmFilterOnOff"_s}));
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(Workflows, KindWithoutEditorIsReportedAfterTheChooser)
{
    CreateDialogs();
    const QString kALT = u"ALT"_s; // active in the store, registered by no program part
    dtmKOMMFilter->BuchenAktivitaet(kALT, true);
    TKOMMFilter(kALT, u"ALTE"_s).FilterSave();
    frmMain->RefreshMenu();
    QString caption;
    TModalScripts scripts;
    scripts.Then([&](TKRNForm& form) {
        caption = frmLoad->Caption();
        return Choose(u"ALTE"_s)(form);
    });
    scripts.Then(ChooseNew());
    Click(u"FLTALT"_s);
    Click(u"FLTALT"_s);

    EXPECT_EQ(caption, u"Filtereinstellungen bearbeiten - "_s);
    EXPECT_EQ(scripts.Shown(), (QStringList{kLoad, kLoad}));
    EXPECT_EQ(g_editorsCreated, 0);
    EXPECT_EQ(presenter.ErrorLocations(),
              (QStringList{u"TfrmMain.DoFilterEdit"_s, u"TfrmMain.DoFilterEdit"_s}));
    EXPECT_EQ(presenter.Errors.size(), 2); // told to the user
    EXPECT_EQ(Names(), (QStringList{u"ALT:ALTE"_s}));

    // The next run of another kind goes through.
    scripts.Then(ChooseNew()).Then(Cancel);
    Click(u"FLTABIL"_s);
    EXPECT_EQ(scripts.Shown().mid(2), (QStringList{kLoad, kEditor}));
}

TEST_F(Workflows, EditorIsFreedWhenTheRunFails)
{
    CreateDialogs();
    const auto name = [](const QString& bezeichnung) {
        return [bezeichnung](TfrmKOMMFilterEditor& editor) { editor.edtBezeichnung->setText(bezeichnung); };
    };
    // The store refuses every saved setting.
    store.FailWhen(u"fidefile"_s, u"1 = 1"_s, u"fidefile gesperrt"_s);
    TModalScripts scripts;
    QStringList proposal;
    scripts.Then(ChooseNew()).Then(Edit(name(u"NEU"_s))).Then(SaveAs(u"NEU"_s, u"neu"_s));
    // Nothing was stored: the save dialog comes back with the entries.
    scripts.Then([&](TKRNForm&) {
        proposal = {frmSave->edtBezeichnung->text(), frmSave->edtBeschreibung->text()};
        return int(mrCancel);
    });
    Click(u"FLTABIL"_s);
    EXPECT_EQ(scripts.Shown(), (QStringList{kLoad, kEditor, kSave, kSave}));
    EXPECT_EQ(proposal, (QStringList{u"NEU"_s, u"neu"_s}));
    EXPECT_EQ(g_editorsCreated, 1);
    EXPECT_TRUE(g_editor.isNull());
    // Reported by the editor's own save, told to the user.
    ASSERT_EQ(presenter.ErrorLocations(), QStringList{u"TfrmBildKOMMFilterEditor.FilterSave"_s});
    ASSERT_EQ(presenter.Errors.size(), 1);
    EXPECT_TRUE(presenter.Errors[0].Details.contains(u"fidefile gesperrt"_s));
    EXPECT_FALSE(store.Store().InTransaction());
    EXPECT_TRUE(Names().isEmpty());

    // A failure that leaves the save dialog's show ends the workflow itself.
    store.DropFailure(u"fidefile"_s);
    scripts.Then(ChooseNew()).Then(Edit(name(u"ZWEI"_s))).Then([](TKRNForm&) -> int {
        throw KRNException(u"Dialog gestört"_s);
    });
    Click(u"FLTABIL"_s);
    EXPECT_EQ(g_editorsCreated, 2);
    EXPECT_TRUE(g_editor.isNull());
    EXPECT_EQ(presenter.ErrorLocations().constLast(), u"TfrmMain.DoFilterEdit"_s);
    EXPECT_EQ(KRNInfo().RegisteredErrors().constLast().Text, u"Dialog gestört"_s);
    EXPECT_TRUE(Names().isEmpty());
}

TEST_F(Workflows, EntryWhoseDialogIsMissingRefusesBeforeShowingAnything)
{
    CreateDialogs(false); // the save dialog failed at start-up
    TModalScripts scripts;
    scripts.Then(Cancel).Then(Cancel);
    Click(u"FLTABIL"_s);
    EXPECT_TRUE(scripts.Shown().isEmpty()); // no work begun that could not be saved
    ASSERT_EQ(presenter.ErrorLocations(), QStringList{u"TfrmMain.DoFilterEdit"_s});
    EXPECT_EQ(presenter.Errors[0].Text, u"Das Fenster frmSave ist nicht vorhanden."_s);

    // The other entries have their dialogs.
    Click(u"KOMMABIL"_s);
    Click(u"FILTERONOFF"_s);
    EXPECT_EQ(scripts.Shown(), (QStringList{kLoad, u"frmFilterOnOff"_s}));
    EXPECT_EQ(presenter.Errors.size(), 1);
}

} // namespace

namespace {

// Another workstation, on its own connection to the same store file.
void WriteElsewhere(const QString& path, const QString& sql)
{
    const auto anderer = TStore::Open(path);
    QSqlQuery query(anderer->Database());
    ASSERT_TRUE(query.exec(sql)) << sql.toStdString();
}

// A stored setting as "name|description|settings", the settings as their
// JSON object (compared by content, not by spelling).
QStringList Rows(TStore& store)
{
    QStringList rows;
    QSqlQuery query(u"SELECT Bezeichnung, Beschreibung, Einstellungen FROM fidefile ORDER BY 1"_s,
                    store.Database());
    while (query.next()) {
        const QJsonObject settings = QJsonDocument::fromJson(query.value(2).toString().toUtf8()).object();
        rows << query.value(0).toString() + u'|' + query.value(1).toString() + u'|' +
                    QString::fromUtf8(QJsonDocument(settings).toJson(QJsonDocument::Compact));
    }
    return rows;
}

} // namespace

// Two workstations save the same new name: the later one finds the name
// taken when it writes (the check and the write are one transaction) and
// asks 1003 then, after the transaction; only Yes writes over it.
TEST_F(Workflows, NameSavedElsewhereSinceTheSaveDialogIsOverwrittenOnlyAfterAsking)
{
    struct Case
    {
        bool elsewhere;
        int answer;
        QList<int> asked;
        QStringList names;
        QString stored; // of NEU
    };
    // After No the save dialog comes back with the entries; the user takes
    // another name there.
    const QList<Case> cases{
        {true, mrNo, {1003}, {u"ABIL:ANDERS"_s, u"ABIL:NEU"_s}, u"fremd|111"_s},
        {true, mrYes, {1003}, {u"ABIL:NEU"_s}, u"meins|640"_s},
        {false, mrNo, {}, {u"ABIL:NEU"_s}, u"meins|640"_s},
    };
    CreateDialogs();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.elsewhere * 10 + c.answer);
        store.Exec(u"DELETE FROM fidefile"_s);
        presenter.Meldungen.clear();
        presenter.Answer(c.answer);
        TModalScripts scripts;
        scripts.Then(ChooseNew()).Then(Edit([](TfrmKOMMFilterEditor& editor) {
            editor.edtBezeichnung->setText(u"NEU"_s);
            Breite(editor).setText(u"640"_s);
        }));
        scripts.Then([&](TKRNForm& form) {
            const int result = SaveAs(u"NEU"_s, u"meins"_s)(form);
            EXPECT_FALSE(frmSave->NameWiederverwenden());
            if (c.elsewhere) {
                WriteElsewhere(store.Path(), u"INSERT INTO fidefile VALUES ('ABIL', 'NEU', 'fremd', "
                                             u"'{\"GroesseBreite\": 111}')"_s);
            }
            return result;
        });
        if (c.answer == mrNo && c.elsewhere) {
            scripts.Then([](TKRNForm& form) {
                EXPECT_EQ(frmSave->edtBeschreibung->text(), u"meins"_s);
                return SaveAs(u"ANDERS"_s, u"meins"_s)(form);
            });
        }
        Click(u"FLTABIL"_s);
        EXPECT_EQ(scripts.Pending(), 0);
        EXPECT_EQ(presenter.Numbers(), c.asked);
        EXPECT_EQ(Names(), c.names);
        EXPECT_EQ(Stored(u"NEU"_s), c.stored);
        EXPECT_FALSE(store.Store().InTransaction());
    }
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

// Opening a setting another program wrote and saving it unchanged keeps
// every stored value the edits cannot show: the name is not re-keyed, a
// width of -5, a height of 123456, a loss level of 300 or 2, a long
// description, control characters and keys of other programs stay. A field
// the user empties and fills again takes the new value.
TEST_F(Workflows, SavingUnchangedKeepsWhatTheEditsCannotShow)
{
    struct Case
    {
        QString name;
        QString beschreibung;
        QString settings;
        QString neueBreite; // empty: left as loaded
        QString breiteAngezeigt;
        bool breiteGesperrt;
    };
    const QString lang(100, u'b');
    const QList<Case> cases{
        {u"klein"_s, u"von draußen"_s,
         uR"({"GroesseBreite":-5,"GroesseHoehe":123456,"Qualitaetsverlust":300,"OnlyFirstPicExp":true,"Fremd":"x"})"_s,
         QString(), u"-5"_s, true},
        {u"ABCDEFGHIJKLMNOPQR"_s, lang, uR"({"GroesseBreite":77,"Qualitaetsverlust":2})"_s, QString(),
         u"77"_s, false},
        {u"ZWEI\u202E"_s, u"a\u202Eb\tc"_s, uR"({"GroesseBreite":-5,"GroesseHoehe":123456})"_s, u"640"_s,
         u"-5"_s, true},
    };
    CreateDialogs();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        store.Exec(u"DELETE FROM fidefile"_s);
        QSqlQuery insert(store.Store().Database());
        insert.prepare(u"INSERT INTO fidefile VALUES ('ABIL', ?, ?, ?)"_s);
        insert.addBindValue(c.name);
        insert.addBindValue(c.beschreibung);
        insert.addBindValue(c.settings);
        ASSERT_TRUE(insert.exec());
        QStringList expected = Rows(store.Store());
        if (!c.neueBreite.isEmpty()) {
            expected.replaceInStrings(u"\"GroesseBreite\":-5"_s, u"\"GroesseBreite\":"_s + c.neueBreite);
        }
        presenter.Meldungen.clear();
        presenter.Answer(mrYes); // 1003: the name exists, it is the one loaded

        QStringList shown;
        TModalScripts scripts;
        scripts.Then(Choose(c.name)).Then(Edit([&](TfrmKOMMFilterEditor& editor) {
            shown << editor.edtBezeichnung->text() << editor.edtBeschreibung->text() << Breite(editor).text();
            EXPECT_EQ(Breite(editor).isReadOnly(), c.breiteGesperrt);
            EXPECT_EQ(Breite(editor).toolTip().isEmpty(), !c.breiteGesperrt);
            if (!c.neueBreite.isEmpty()) {
                QTest::keyClick(&Breite(editor), Qt::Key_Delete);
                QTest::keyClicks(&Breite(editor), c.neueBreite);
            }
        }));
        scripts.Then([](TKRNForm&) {
            frmSave->btnSaveClick(frmSave->spbSave);
            return frmSave->ModalResult();
        });
        Click(u"FLTABIL"_s);

        EXPECT_EQ(shown, (QStringList{c.name, c.beschreibung, c.breiteAngezeigt}));
        EXPECT_EQ(presenter.Numbers(), QList<int>{1003});
        EXPECT_EQ(Rows(store.Store()), expected);
    }
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}
