// The image filter editor on the real store: choice of the filter object,
// loading into the controls, saving back, the enabled rules and the
// registration of the two image filter kinds.
#include "EditorTestSupport.h"
#include "RecordingPresenter.h"
#include "TempStore.h"

#include "editors/KOMMFilterBILDEditor.h"

#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

class BildEditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearKOMMFilterRegistry();
        DoRegisterBildKOMMFilterEditor();
    }
    void TearDown() override { ClearKOMMFilterRegistry(); }

    // An editor as the editing workflow prepares it: created through the
    // registry, properties set, initialised and loaded.
    static EditorPtr Open(const QString& kennung, const QString& bezeichnung,
                          const QString& beschreibung = {})
    {
        const TKOMMFilterEditorClass editorClass = GetKOMMFilterEditor(kennung);
        EditorPtr editor(editorClass ? editorClass->Create()
                                     : TfrmBildKOMMFilterEditor::ClassRef()->Create());
        editor->SetFilterKennung(kennung);
        editor->SetFilterBezeichnung(bezeichnung);
        editor->SetFilterBeschreibung(beschreibung);
        editor->FilterInitialize();
        editor->FilterLoad();
        return editor;
    }

    // What the workflow does after the save dialog was confirmed.
    static void Save(TfrmKOMMFilterEditor& editor, const QString& bezeichnung,
                     const QString& beschreibung = {})
    {
        editor.edtBezeichnung->setText(bezeichnung);
        editor.edtBeschreibung->setText(beschreibung);
        editor.FilterSave();
    }

    static void SetText(const TfrmKOMMFilterEditor& editor, const char* name, const QString& text)
    {
        Control<TKRNStdEdit>(editor, name)->setText(text);
    }
    static QString Text(const TfrmKOMMFilterEditor& editor, const char* name)
    {
        return Control<TKRNStdEdit>(editor, name)->text();
    }

    // The setting as the store holds it.
    static std::unique_ptr<TBildKOMMFilter> Stored(const QString& bezeichnung,
                                                   const QString& kennung = TABILKommFilter::Filter_Kennung())
    {
        auto filter = std::make_unique<TABILKommFilter>(kennung, bezeichnung);
        EXPECT_TRUE(filter->FilterLoad()) << qPrintable(bezeichnung);
        return filter;
    }

    static const QString ABIL;
    TempStore store;
    RecordingPresenter presenter;
};

const QString BildEditorTest::ABIL = TABILKommFilter::Filter_Kennung();

// Level for a whole percentage 1..99: (100 - p) * 51 / 20, exact halves to even.
int ExpectedLevel(int p)
{
    const int numerator = (100 - p) * 51;
    const int quotient = numerator / 20;
    const int twiceRest = 2 * (numerator % 20);
    if (twiceRest > 20 || (twiceRest == 20 && quotient % 2 == 1)) {
        return quotient + 1;
    }
    return quotient;
}

} // namespace

TEST_F(BildEditorTest, RegistersArticleThenCatalogueImages)
{
    QStringList seen;
    EnumKOMMFilter([&](const QString& kennung, const QString& bezeichnung, TKOMMFilterClass klasse) {
        seen.append(kennung + u'|' + bezeichnung + u'|' + klasse->ClassName);
    });
    EXPECT_EQ(seen, (QStringList{ABIL + u"|Artikelbilder|TABILKommFilter"_s,
                                 TKBILKommFilter::Filter_Kennung() + u"|Katalogbilder|TKBILKommFilter"_s}));
    EXPECT_EQ(GetKOMMFilterEditor(ABIL), TfrmBildKOMMFilterEditor::ClassRef());
    EXPECT_EQ(GetKOMMFilterEditor(TKBILKommFilter::Filter_Kennung()), TfrmBildKOMMFilterEditor::ClassRef());
    EXPECT_EQ(TfrmBildKOMMFilterEditor::ClassRef()->ClassName, u"TfrmBildKOMMFilterEditor"_s);
}

TEST_F(BildEditorTest, ClassReferenceCreatesAnInitialisedEditorWithoutOwner)
{
    EditorPtr editor(TfrmBildKOMMFilterEditor::ClassRef()->Create());
    ASSERT_NE(dynamic_cast<TfrmBildKOMMFilterEditor*>(editor.get()), nullptr);
    EXPECT_EQ(editor->parent(), nullptr);
    EXPECT_TRUE(editor->KRNFormText().endsWith(u".frmBildKOMMFilterEditor"_s));
    EXPECT_TRUE(editor->KRNFormFlag());
    EXPECT_EQ(editor->Caption(), u"frmBildKOMMFilterEditor"_s);
    EXPECT_EQ(static_cast<TfrmBildKOMMFilterEditor*>(editor.get())->BildKOMMFilter(), nullptr);
    EXPECT_TRUE(editor->FilterKennung().isEmpty());
}

TEST_F(BildEditorTest, ChoosesTheFilterObjectByKennungIgnoringCase)
{
    const QString kbil = TKBILKommFilter::Filter_Kennung();
    for (const QString& kennung : {kbil, kbil.toLower(), kbil.left(1) + kbil.mid(1).toLower()}) {
        EditorPtr editor = Open(kennung, u"X"_s);
        const auto* filter = static_cast<TfrmBildKOMMFilterEditor&>(*editor).BildKOMMFilter();
        EXPECT_NE(dynamic_cast<const TKBILKommFilter*>(filter), nullptr) << qPrintable(kennung);
        EXPECT_EQ(filter->Kennung, kennung);
        EXPECT_EQ(filter->Bezeichnung, u"X"_s);
    }
    for (const QString& kennung : {ABIL, u"XYZ"_s, QString()}) {
        EditorPtr editor = Open(kennung, u"X"_s);
        const auto* filter = static_cast<TfrmBildKOMMFilterEditor&>(*editor).BildKOMMFilter();
        EXPECT_NE(dynamic_cast<const TABILKommFilter*>(filter), nullptr) << qPrintable(kennung);
    }
}

TEST_F(BildEditorTest, NewSettingShowsClearedSettingsWithTheNameOpen)
{
    EditorPtr editor = Open(ABIL, QString());
    EXPECT_TRUE(editor->edtBezeichnung->isEnabled());
    EXPECT_EQ(editor->edtBezeichnung->text(), QString());
    EXPECT_EQ(Text(*editor, "edtGroesseBreite"), u"0"_s);
    EXPECT_EQ(Text(*editor, "edtGroesseHoehe"), u"0"_s);
    EXPECT_EQ(Text(*editor, "edtQualitaet"), u"100"_s);
    EXPECT_FALSE(Control<TKRNStdCheckBox>(*editor, "chbBildLoeschen")->Checked());
    EXPECT_FALSE(Control<TKRNStdCheckBox>(*editor, "chbOnlyFirstPicExp")->Checked());
    EXPECT_TRUE(Control<TKRNStdEdit>(*editor, "edtQualitaet")->isEnabled());
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(BildEditorTest, ExistingSettingLoadsItsValuesWithTheNameFixed)
{
    {
        EditorPtr editor = Open(ABIL, QString());
        SetText(*editor, "edtGroesseBreite", u"1024"_s);
        SetText(*editor, "edtGroesseHoehe", u"768"_s);
        SetText(*editor, "edtQualitaet", u"30"_s);
        Control<TKRNStdCheckBox>(*editor, "chbOnlyFirstPicExp")->SetChecked(true);
        Save(*editor, u"MUSTER"_s, u"Für den Shop"_s);
    }
    const auto stored = Stored(u"MUSTER"_s);
    EXPECT_EQ(stored->Beschreibung, u"Für den Shop"_s);
    EXPECT_EQ(stored->GroesseBreite, 1024);
    EXPECT_EQ(stored->GroesseHoehe, 768);
    EXPECT_EQ(stored->Qualitaetsverlust, 178);
    EXPECT_TRUE(stored->OnlyFirstPicExp);
    EXPECT_FALSE(stored->BildLoeschen);

    // The edits show the editor's properties, not the stored description.
    EditorPtr editor = Open(ABIL, u"MUSTER"_s, u"aus dem Chooser"_s);
    EXPECT_FALSE(editor->edtBezeichnung->isEnabled());
    EXPECT_EQ(editor->edtBezeichnung->text(), u"MUSTER"_s);
    EXPECT_EQ(editor->edtBeschreibung->text(), u"aus dem Chooser"_s);
    EXPECT_EQ(Text(*editor, "edtGroesseBreite"), u"1024"_s);
    EXPECT_EQ(Text(*editor, "edtGroesseHoehe"), u"768"_s);
    EXPECT_EQ(Text(*editor, "edtQualitaet"), u"30"_s);
    EXPECT_TRUE(Control<TKRNStdCheckBox>(*editor, "chbOnlyFirstPicExp")->Checked());
}

TEST_F(BildEditorTest, EveryWholePercentageSurvivesSaveAndLoad)
{
    for (int p = 0; p <= 100; ++p) {
        const QString name = u"Q"_s + QString::number(p);
        {
            EditorPtr editor = Open(ABIL, QString());
            SetText(*editor, "edtQualitaet", QString::number(p));
            Save(*editor, name);
        }
        const int expectedLevel = (p == 0 || p == 100) ? 0 : ExpectedLevel(p);
        EXPECT_EQ(Stored(name)->Qualitaetsverlust, expectedLevel) << p;
        EditorPtr editor = Open(ABIL, name);
        EXPECT_EQ(Text(*editor, "edtQualitaet"), QString::number(p == 0 ? 100 : p)) << p;
    }
    const QList<std::pair<int, int>> examples{{10, 230}, {30, 178}, {50, 128}, {70, 76},
                                              {90, 26},  {1, 252},  {99, 3},   {75, 64}};
    for (const auto& [p, level] : examples) {
        EXPECT_EQ(Stored(u"Q"_s + QString::number(p))->Qualitaetsverlust, level) << p;
    }
}

TEST_F(BildEditorTest, EmptyNumbersAreStoredAsZero)
{
    // The integer edits hold digits only; empty is the one text in them that
    // is no integer (any other text is covered by the conversion tests).
    EditorPtr editor = Open(ABIL, QString());
    SetText(*editor, "edtGroesseBreite", QString());
    SetText(*editor, "edtGroesseHoehe", QString());
    SetText(*editor, "edtQualitaet", QString());
    Save(*editor, u"LEER"_s);
    const auto stored = Stored(u"LEER"_s);
    EXPECT_EQ(stored->GroesseBreite, 0);
    EXPECT_EQ(stored->GroesseHoehe, 0);
    EXPECT_EQ(stored->Qualitaetsverlust, 0);
    EXPECT_EQ(Text(*Open(ABIL, u"LEER"_s), "edtQualitaet"), u"100"_s);
}

TEST_F(BildEditorTest, BildNichtUebertragenDisablesTheDependentControlsButKeepsTheirValues)
{
    {
        TABILKommFilter filter(ABIL, u"OHNE"_s);
        filter.BildLoeschen = true;
        filter.GroesseBreite = 800;
        filter.GroesseHoehe = 600;
        filter.Qualitaetsverlust = 76;
        filter.OnlyFirstPicExp = true;
        filter.FilterSave();
    }
    EditorPtr editor = Open(ABIL, u"OHNE"_s);
    auto* bildLoeschen = Control<TKRNStdCheckBox>(*editor, "chbBildLoeschen");
    auto* onlyFirst = Control<TKRNStdCheckBox>(*editor, "chbOnlyFirstPicExp");
    const QList<QWidget*> dependent{Control<TKRNStdEdit>(*editor, "edtGroesseBreite"),
                                    Control<TKRNStdEdit>(*editor, "edtGroesseHoehe"),
                                    Control<TKRNStdEdit>(*editor, "edtQualitaet"), onlyFirst};
    EXPECT_TRUE(bildLoeschen->Checked());
    for (QWidget* control : dependent) {
        EXPECT_FALSE(control->isEnabled()) << qPrintable(control->objectName());
    }
    EXPECT_EQ(Text(*editor, "edtQualitaet"), u"70"_s);

    Save(*editor, u"OHNE"_s);
    auto stored = Stored(u"OHNE"_s);
    EXPECT_TRUE(stored->BildLoeschen);
    EXPECT_EQ(stored->GroesseBreite, 800);
    EXPECT_EQ(stored->GroesseHoehe, 600);
    EXPECT_EQ(stored->Qualitaetsverlust, 76);
    EXPECT_TRUE(stored->OnlyFirstPicExp);

    // Either check box applies the rule; only "Bild nicht übertragen" decides.
    onlyFirst->SetChecked(false);
    EXPECT_FALSE(onlyFirst->isEnabled());
    bildLoeschen->SetChecked(false);
    for (QWidget* control : dependent) {
        EXPECT_TRUE(control->isEnabled()) << qPrintable(control->objectName());
    }
    onlyFirst->SetChecked(true);
    EXPECT_TRUE(onlyFirst->isEnabled());
}

TEST_F(BildEditorTest, CatalogueSettingsAreKeptApartFromArticleSettings)
{
    const QString kbil = TKBILKommFilter::Filter_Kennung();
    {
        EditorPtr editor = Open(kbil, QString());
        SetText(*editor, "edtGroesseBreite", u"320"_s);
        Save(*editor, u"GLEICH"_s);
    }
    EditorPtr article = Open(ABIL, u"GLEICH"_s);
    EXPECT_TRUE(article->edtBezeichnung->isEnabled()); // not found for article images
    EXPECT_EQ(Text(*article, "edtGroesseBreite"), u"0"_s);
    EditorPtr catalogue = Open(kbil, u"GLEICH"_s);
    EXPECT_FALSE(catalogue->edtBezeichnung->isEnabled());
    EXPECT_EQ(Text(*catalogue, "edtGroesseBreite"), u"320"_s);
}

TEST_F(BildEditorTest, LoadOrSaveWithoutFilterObjectIsReportedNotACrash)
{
    EditorPtr editor(TfrmBildKOMMFilterEditor::ClassRef()->Create());
    editor->FilterLoad();
    editor->FilterSave();
    EXPECT_EQ(presenter.ErrorLocations(), (QStringList{u"TfrmBildKOMMFilterEditor.FilterLoad"_s,
                                                       u"TfrmBildKOMMFilterEditor.FilterSave"_s}));
    EXPECT_EQ(store.Count(u"SELECT COUNT(*) FROM fidefile"_s), 0);
}

TEST_F(BildEditorTest, AFailedSaveIsShownOnlyAfterTheWriteLockIsGone)
{
    store.FailWhen(u"fidefile"_s, u"1 = 1"_s, u"fidefile gesperrt"_s);
    std::optional<bool> lockHeldWhileShown;
    presenter.WhileErrorShown = [&] { lockHeldWhileShown = store.Store().InTransaction(); };
    EditorPtr editor = Open(ABIL, QString());
    Save(*editor, u"NEU"_s);
    ASSERT_TRUE(lockHeldWhileShown.has_value()) << "the failure was shown";
    EXPECT_FALSE(*lockHeldWhileShown) << "no other workstation waits on the box";
    EXPECT_EQ(store.Count(u"SELECT COUNT(*) FROM fidefile"_s), 0);
}

TEST_F(BildEditorTest, IntegerEditsKeepTheirLimitsAndStep)
{
    EditorPtr editor = Open(ABIL, QString());
    auto* breite = Control<TKRNStdEdit>(*editor, "edtGroesseBreite");
    auto* qualitaet = Control<TKRNStdEdit>(*editor, "edtQualitaet");
    breite->clear();
    QTest::keyClicks(breite, u"123456x"_s);
    EXPECT_EQ(breite->text(), u"12345"_s);
    qualitaet->clear();
    QTest::keyClicks(qualitaet, u"150"_s);
    EXPECT_EQ(qualitaet->text(), u"15"_s);

    QTest::keyClick(qualitaet, Qt::Key_Up);
    EXPECT_EQ(qualitaet->text(), u"16"_s);
    QTest::keyClick(qualitaet, Qt::Key_Down);
    QTest::keyClick(qualitaet, Qt::Key_Down);
    EXPECT_EQ(qualitaet->text(), u"14"_s);
    qualitaet->setText(u"100"_s);
    QTest::keyClick(qualitaet, Qt::Key_Up);
    EXPECT_EQ(qualitaet->text(), u"100"_s);

    QWheelEvent wheel(QPointF(5, 5), breite->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(breite, &wheel);
    EXPECT_EQ(breite->text(), u"12346"_s);
}
