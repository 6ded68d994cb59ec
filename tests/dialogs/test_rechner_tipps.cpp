// The computer dialog's tool tips name the setting that serves each entry
// now, with the reason, as the transfer resolves it.
#include "GuiTest.h"
#include "TempStore.h"
#include "test_rechner_support.h"

#include "dialogs/RechnerTipps.h"
#include "host/VTRTypRNrCheck.h"
#include "host/core/KOMMFilter.h"

#include <QHelpEvent>
#include <QToolTip>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace rechner_test;

namespace {

class RechnerTippsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ImportComputersCsvText(store.Store(),
                               u"Rechnertyp;F;Filiale\nRechnertyp;K;Kasse\n"
                               "Rechner;101;Nord;F;1\nRechner;102;Süd;F;1\nRechner;201;Kasse;K;1\n"_s,
                               u"Test"_s);
        for (const QString& name : {u"KLEIN"_s, u"GROSS"_s}) {
            TABILKommFilter(kKennung, name).FilterSave();
        }
        dtmKOMMFilter->BuchenAktivitaet(kKennung, true);
        dtmKOMMFilter->BuchenKommunikation(kKennung, u"KLEIN"_s, u'F', 0, true);
        dtmKOMMFilter->BuchenKommunikation(kKennung, u"GROSS"_s, u' ', 101, true);
        form = KRNCreateForm<TfrmRechner>();
        form->SetFilterKennung(kKennung);
        form->SetFilterBezeichnung(u"KLEIN"_s);
        form->RunShowHandler();
    }

    QString Tip(const QModelIndex& index) const
    {
        return form->vtRTypRNrCheck->findChild<TRechnerTipps*>()->TipText(index);
    }

    TempStore store;
    RecordingPresenter presenter;
    DataModuleScope module;
    std::unique_ptr<TfrmRechner, TKRNFree> form;
};

TEST_F(RechnerTippsTest, EveryEntryNamesItsServingSettingAndWhy)
{
    TVTRTypRNrCheck& tree = *form->vtRTypRNrCheck;
    ASSERT_EQ(tree.GetRTypCount(), 2);
    ASSERT_EQ(tree.GetRNrCount(), 3);
    EXPECT_EQ(Tip(tree.RTypIndex(0)), u"Rechnertyp F, Filter ABIL: KLEIN (Einstellung des Rechnertyps): Bilder unverändert"_s);
    EXPECT_TRUE(Tip(tree.RTypIndex(1)).contains(u"keine Einstellung"_s));
    EXPECT_EQ(Tip(tree.RNrIndex(0)), u"Rechner 101, Filter ABIL: GROSS (Einstellung der Rechnernummer; überschreibt KLEIN des Rechnertyps F): Bilder unverändert"_s);
    EXPECT_EQ(Tip(tree.RNrIndex(1)), u"Rechner 102, Filter ABIL: KLEIN (Einstellung des Rechnertyps): Bilder unverändert"_s);
    EXPECT_TRUE(Tip(tree.RNrIndex(2)).contains(u"keine Einstellung"_s));
    EXPECT_TRUE(Tip(tree.RNrIndex(1).siblingAtColumn(2)).startsWith(u"Rechner 102"_s)) << "any column";
    EXPECT_TRUE(Tip(tree.RNrGroupIndex()).isEmpty());

    // "Now": switching the kind off shows at the next tip.
    dtmKOMMFilter->BuchenAktivitaet(kKennung, false);
    EXPECT_TRUE(Tip(tree.RNrIndex(0)).contains(u"ausgeschaltet"_s));
}

TEST_F(RechnerTippsTest, HoveringShowsTheTip)
{
    form->show();
    TVTRTypRNrCheck& tree = *form->vtRTypRNrCheck;
    tree.expandAll();
    const QPoint pos = tree.visualRect(tree.RNrIndex(1)).center();
    QHelpEvent event(QEvent::ToolTip, pos, tree.viewport()->mapToGlobal(pos));
    QApplication::sendEvent(tree.viewport(), &event);
    EXPECT_EQ(QToolTip::text(), u"Rechner 102, Filter ABIL: KLEIN (Einstellung des Rechnertyps): Bilder unverändert"_s);
    QToolTip::hideText();
    form->hide();
}

} // namespace
