// The save dialog on the real store: empty names, trimming, the question
// before a name of the same kind is used again, the limits of the two edits
// and its keys on the shown dialog.
#include "DialogFixture.h"

#include "dialogs/SaveFilterU.h"
#include "host/KRNControls.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

namespace {

class SaveFilterTest : public DialogTest
{
protected:
    SaveFilterTest() { Propose(u"VORSCHLAG"_s, u"Beschreibung"_s); }

    void Propose(const QString& bezeichnung, const QString& beschreibung)
    {
        form->SetFilterKennung(kABIL);
        form->SetFilterBezeichnung(bezeichnung);
        form->SetFilterBeschreibung(beschreibung);
    }

    // Shows the dialog, writes the entries as given (none: as proposed) and
    // presses the key in the description edit.
    int ShowEnterAndPress(const std::optional<QString>& name, const std::optional<QString>& description,
                          Qt::Key key = Qt::Key_F5)
    {
        return ShowAndDo<TfrmSave>(*form, [&](TfrmSave& f) {
            if (name) {
                f.edtBezeichnung->setText(*name);
            }
            if (description) {
                f.edtBeschreibung->setText(*description);
            }
            QTest::keyClick(f.edtBeschreibung, key);
        });
    }

    std::unique_ptr<TfrmSave, TKRNFree> form = KRNCreateForm<TfrmSave>();
};

TEST_F(SaveFilterTest, ConfirmsTrimmedEntriesAndShowsTheProposalEachTime)
{
    EXPECT_TRUE(form->KRNFormText().endsWith(u".frmSave"_s));
    EXPECT_EQ(ShowEnterAndPress(u"  NEU \t"_s, u"\t erste Fassung  "_s), mrOk);
    EXPECT_EQ(form->FilterBezeichnung(), u"NEU"_s);
    EXPECT_EQ(form->FilterBeschreibung(), u"erste Fassung"_s);

    // A blank description is an empty one; the edits start from the
    // proposal, not from the last entries.
    Propose(u"ZWEITE"_s, u"   "_s);
    QString shownName;
    EXPECT_EQ(ShowAndDo<TfrmSave>(*form,
                                  [&](TfrmSave& f) {
                                      shownName = f.edtBezeichnung->text();
                                      EXPECT_EQ(f.focusWidget(), f.edtBezeichnung);
                                      QTest::keyClick(f.edtBezeichnung, Qt::Key_F5);
                                  }),
              mrOk);
    EXPECT_EQ(shownName, u"ZWEITE"_s);
    EXPECT_EQ(form->FilterBezeichnung(), u"ZWEITE"_s);
    EXPECT_TRUE(form->FilterBeschreibung().isEmpty());
    EXPECT_TRUE(presenter.Meldungen.isEmpty());
}

TEST_F(SaveFilterTest, BlankNameIsRefusedAndTheNameEditGetsTheFocus)
{
    QWidget* focusAfter = nullptr;
    const int result = ShowAndDo<TfrmSave>(*form, [&](TfrmSave& f) {
        f.edtBezeichnung->setText(u" \t "_s);
        f.edtBeschreibung->setFocus();
        QTest::keyClick(f.edtBeschreibung, Qt::Key_F5);
        focusAfter = f.focusWidget();
    });
    EXPECT_EQ(result, kStayedOpen);
    EXPECT_EQ(presenter.Numbers(), QList<int>{1002});
    EXPECT_EQ(presenter.Meldungen.front().Catalogue, u"VELDRAKE"_s);
    EXPECT_EQ(presenter.Meldungen.front().Kind, mtNotice);
    EXPECT_EQ(focusAfter, form->edtBezeichnung);
    EXPECT_EQ(form->FilterBezeichnung(), u"VORSCHLAG"_s);
}

TEST_F(SaveFilterTest, ExistingNameOfTheSameKindIsUsedAgainOnlyOnYes)
{
    AddSetting(kABIL, u"S1"_s);
    presenter.Answer(mrNo);
    presenter.Answer(mrYes);
    QString nameAfterNo;
    QString descriptionAfterNo;
    const int result = ShowAndDo<TfrmSave>(*form, [&](TfrmSave& f) {
        f.edtBezeichnung->setText(u" S1 "_s); // the check takes the trimmed name
        f.edtBeschreibung->setText(u"neu"_s);
        QTest::keyClick(f.edtBezeichnung, Qt::Key_F5);
        nameAfterNo = f.edtBezeichnung->text();
        descriptionAfterNo = f.edtBeschreibung->text();
        QTest::keyClick(f.edtBezeichnung, Qt::Key_F5);
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(presenter.Numbers(), (QList<int>{1003, 1003}));
    EXPECT_EQ(presenter.Meldungen.front().Catalogue, u"VELDRAKE"_s);
    EXPECT_EQ(presenter.Meldungen.front().Kind, mtQuestion);
    EXPECT_EQ(nameAfterNo, u" S1 "_s);
    EXPECT_EQ(descriptionAfterNo, u"neu"_s);
    EXPECT_EQ(form->FilterBezeichnung(), u"S1"_s);
    EXPECT_EQ(form->FilterBeschreibung(), u"neu"_s);
}

TEST_F(SaveFilterTest, AfterNoAnotherNameCanBeConfirmed)
{
    AddSetting(kABIL, u"S1"_s);
    presenter.Answer(mrNo);
    const int result = ShowAndDo<TfrmSave>(*form, [&](TfrmSave& f) {
        f.edtBezeichnung->setText(u"S1"_s);
        QTest::keyClick(f.edtBezeichnung, Qt::Key_F5);
        f.edtBezeichnung->clear();
        TypeText(f.edtBezeichnung, u"s2"_s);
        QTest::keyClick(f.edtBezeichnung, Qt::Key_F5);
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(presenter.Numbers(), QList<int>{1003});
    EXPECT_EQ(form->FilterBezeichnung(), u"S2"_s);
}

TEST_F(SaveFilterTest, NameOfAnotherKindOnlyDoesNotAsk)
{
    AddSetting(kKBIL, u"S1"_s);
    EXPECT_EQ(ShowEnterAndPress(u"S1"_s, std::nullopt), mrOk);
    EXPECT_TRUE(presenter.Meldungen.isEmpty());
    EXPECT_EQ(form->FilterBezeichnung(), u"S1"_s);
}

TEST_F(SaveFilterTest, EscCancelsWithoutCheckingAndKeepsTheProposal)
{
    AddSetting(kABIL, u"S1"_s);
    EXPECT_EQ(ShowEnterAndPress(u""_s, u"egal"_s, Qt::Key_Escape), mrCancel);
    EXPECT_EQ(ShowEnterAndPress(u"S1"_s, u"egal"_s, Qt::Key_Escape), mrCancel);
    EXPECT_TRUE(presenter.Meldungen.isEmpty());
    EXPECT_EQ(form->FilterBezeichnung(), u"VORSCHLAG"_s);
    EXPECT_EQ(form->FilterBeschreibung(), u"Beschreibung"_s);
    EXPECT_EQ(ShowAndDo<TfrmSave>(*form, [](TfrmSave& f) { f.close(); }), mrCancel);
}

TEST_F(SaveFilterTest, NameEditKeepsAtMostSixteenCapitalLetters)
{
    QString typed;
    QString pasted;
    QString pastedAtEnd;
    QString description;
    ShowAndDo<TfrmSave>(*form, [&](TfrmSave& f) {
        f.edtBezeichnung->clear();
        TypeText(f.edtBezeichnung, u"straße-größe-überlang"_s);
        typed = f.edtBezeichnung->text();

        QGuiApplication::clipboard()->setText(u"abcdefghijklmnopqrstuvwxyz"_s);
        f.edtBezeichnung->clear();
        QTest::keyClick(f.edtBezeichnung, Qt::Key_V, Qt::ControlModifier);
        pasted = f.edtBezeichnung->text();

        QGuiApplication::clipboard()->setText(u"süß"_s);
        f.edtBezeichnung->setText(u"abcdefghijklm"_s);
        f.edtBezeichnung->end(false);
        QTest::keyClick(f.edtBezeichnung, Qt::Key_V, Qt::ControlModifier);
        pastedAtEnd = f.edtBezeichnung->text();

        f.edtBeschreibung->clear();
        TypeText(f.edtBeschreibung, QString(100, u'ä'));
        description = f.edtBeschreibung->text();
    });
    EXPECT_EQ(typed, u"STRASSE-GRÖSSE-Ü"_s);
    EXPECT_EQ(pasted, u"ABCDEFGHIJKLMNOP"_s);
    EXPECT_EQ(pastedAtEnd, u"ABCDEFGHIJKLMSÜS"_s);
    EXPECT_EQ(description, QString(80, u'ä')) << "the description keeps its letters, at most 80";
}

TEST_F(SaveFilterTest, FailedExistenceCheckKeepsTheDialogOpen)
{
    dtm.fidefile.CloseTable();
    EXPECT_EQ(ShowEnterAndPress(u"S1"_s, std::nullopt), kStayedOpen);
    EXPECT_EQ(presenter.ErrorLocations(), QStringList{u"TdtmKOMMFilter.BuchenEinstellungenPruefen"_s});
    EXPECT_TRUE(presenter.Meldungen.isEmpty());
    EXPECT_EQ(form->FilterBezeichnung(), u"VORSCHLAG"_s);
}

} // namespace
