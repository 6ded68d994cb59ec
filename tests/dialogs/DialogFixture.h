#pragma once

// Shared ground of the dialog tests: a fresh store, the data module as the
// program-wide instance, the two image filter kinds registered, a recording
// presenter for the message boxes, and real modal loops driven by real key
// events.

#include "GuiTest.h"
#include "RecordingPresenter.h"
#include "TempStore.h"

#include "data/MainDM.h"
#include "host/KRNForm.h"
#include "host/core/KOMMFilter.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QVariant>

#include <gtest/gtest.h>

#include <functional>
#include <type_traits>

using namespace Qt::StringLiterals;

inline const QString kABIL = u"ABIL"_s;
inline const QString kKBIL = u"KBIL"_s;

class DialogTest : public ::testing::Test
{
protected:
    DialogTest()
    {
        ClearKOMMFilterRegistry();
        RegisterKOMMFilterEditor(kABIL, u"Artikelbilder"_s, TABILKommFilter::ClassRef(), nullptr);
        RegisterKOMMFilterEditor(kKBIL, u"Katalogbilder"_s, TKBILKommFilter::ClassRef(), nullptr);
        dtmKOMMFilter = &dtm;
        dtm.RunCreateHandler();
    }
    ~DialogTest() override
    {
        dtmKOMMFilter = nullptr;
        ClearKOMMFilterRegistry();
    }

    // A saved setting, written as the filter objects write it.
    void AddSetting(const QString& kennung, const QString& bezeichnung, const QString& beschreibung = QString())
    {
        QSqlQuery query(store.Store().Database());
        query.prepare(u"INSERT INTO fidefile (Kennung, Bezeichnung, Beschreibung) VALUES (?, ?, ?)"_s);
        // Empty, never NULL: the columns hold no NULLs.
        for (const QString& value : {kennung, bezeichnung, beschreibung}) {
            query.addBindValue(value.isNull() ? u""_s : value);
        }
        ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
    }

    int Count(const QString& table, const QString& where = u"1 = 1"_s)
    {
        return store.Count(u"SELECT count(*) FROM "_s + table + u" WHERE "_s + where);
    }

    // Shows the form modally in its real event loop; the action runs once the
    // form is the active window. A form still open afterwards is closed with
    // 99, so that "stayed open" is visible in the result.
    template <class Form>
    static int ShowAndDo(Form& form, const std::type_identity_t<std::function<void(Form&)>>& action)
    {
        WhenLoopRuns([&form, action] {
            if (!QTest::qWaitForWindowActive(&form)) {
                ADD_FAILURE() << "form did not become active";
            }
            action(form);
            if (form.isVisible()) {
                form.SetModalResult(kStayedOpen);
            }
        });
        return form.ShowModal();
    }

    static constexpr int kStayedOpen = 99;

    RecordingPresenter presenter;
    TempStore store;
    TdtmKOMMFilter dtm;
};
