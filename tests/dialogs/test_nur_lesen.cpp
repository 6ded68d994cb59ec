// On a store the program may only read, every editing action of every form
// is disabled and its tool tip says why; the forms still open and show.
#include "DialogFixture.h"
#include "NurLesen.h"

#include "dialogs/FilterOnOffU.h"
#include "dialogs/LoadFilterU.h"
#include "dialogs/RechnerU.h"
#include "editors/KOMMFilterBILDEditor.h"

#include <QAction>
#include <QScopeGuard>

namespace {

class NurLesenTest : public DialogTest
{
};

template <class Form> std::unique_ptr<TKRNForm, TKRNFree> Gezeigt()
{
    std::unique_ptr<TKRNForm, TKRNFree> form(KRNCreateForm<Form>().release());
    if constexpr (std::is_same_v<Form, TfrmRechner>) {
        static_cast<TfrmRechner&>(*form).SetFilterKennung(kABIL);
        static_cast<TfrmRechner&>(*form).SetFilterBezeichnung(u"S"_s);
    }
    form->RunShowHandler();
    return form;
}

} // namespace

TEST_F(NurLesenTest, EveryEditingActionIsDisabledAndSaysWhy)
{
    AddSetting(kABIL, u"S"_s);
    dtm.BuchenAktivitaet(kABIL, true);
    TNurLesen nurLesen(store);
    if (!nurLesen.Bereit()) {
        GTEST_SKIP() << "the file cannot be made unwritable here";
    }
    const std::unique_ptr<TStore> leser = TStore::Open(nurLesen.Ort());
    TStore::SetCurrent(leser.get());
    const auto zurueck = qScopeGuard([this] { TStore::SetCurrent(&store.Store()); });
    dtm.RefreshFilterList();

    struct TFall
    {
        const char* form;
        std::function<std::unique_ptr<TKRNForm, TKRNFree>()> zeigen;
        QStringList gesperrt;
    };
    const QList<TFall> faelle = {
        {"chooser", Gezeigt<TfrmLoad>, {u"spbNew"_s, u"spbDelete"_s, u"actF3"_s, u"actF15"_s}},
        {"activation", Gezeigt<TfrmFilterOnOff>, {u"spbBuchen"_s, u"actF5"_s}},
        {"computers", Gezeigt<TfrmRechner>, {u"spbBuchen"_s, u"actF5"_s}},
        {"editor", Gezeigt<TfrmBildKOMMFilterEditor>, {u"spbBuchen"_s, u"actF5"_s}},
    };
    for (const TFall& fall : faelle) {
        SCOPED_TRACE(fall.form);
        const auto form = fall.zeigen();
        for (const QString& name : fall.gesperrt) {
            SCOPED_TRACE(name.toStdString());
            QObject* element = form->findChild<QObject*>(name);
            ASSERT_NE(element, nullptr);
            EXPECT_FALSE(element->property("enabled").toBool());
            EXPECT_EQ(element->property("toolTip").toString(), u"Nur lesen: "_s + leser->ReadOnlyReason());
        }
    }
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty()) << presenter.ErrorLocations().join(u',').toStdString();
}
