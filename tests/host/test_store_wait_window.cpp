// The wait window: while another workstation holds the store the program
// shows a busy cursor and, after a moment, a small window; both go when the
// wait ends.
#include "SecondWorkstation.h"
#include "TempStore.h"

#include "host/StoreWaitIndicator.h"
#include "host/core/KRNError.h"

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(StoreWaiting, ABusyStoreIsWaitedForVisiblyAndBounded)
{
    TempStore temp;
    TStoreWaitIndicator indicator;
    TStore::SetWaitObserver(&indicator);
    const WaitLimit limit(1500);
    bool cursorShown = false;
    QString windowText;
    {
        const SecondWorkstation other(temp.Path(), 60000);
        QTimer::singleShot(TStoreWaitIndicator::kDelayMs + 400, [&] {
            cursorShown = QApplication::overrideCursor() != nullptr;
            windowText = indicator.Window() && indicator.Window()->isVisible()
                             ? indicator.Window()->labelText()
                             : QString();
        });
        try {
            TStoreTransaction transaction(temp.Store());
            temp.Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('ABIL', 'EINS')"_s);
            transaction.Commit();
            ADD_FAILURE() << "the booking went through a held lock";
        } catch (const StoreError& e) {
            EXPECT_EQ(e.Kind(), TStoreFailure::Busy);
        }
    }
    EXPECT_TRUE(cursorShown);
    EXPECT_TRUE(windowText.contains(u"anderen Arbeitsplatz"_s)) << windowText.toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the wait has ended";
    EXPECT_EQ(indicator.Window(), nullptr);
    EXPECT_EQ(temp.Count(u"SELECT count(*) FROM fidefile"_s), 0);
    EXPECT_FALSE(temp.Store().InTransaction());

    // A lock released within the limit is simply waited for.
    {
        const WaitLimit longer(20000);
        const SecondWorkstation other(temp.Path(), 700);
        TStoreTransaction transaction(temp.Store());
        temp.Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('ABIL', 'EINS')"_s);
        transaction.Commit();
    }
    EXPECT_EQ(temp.Count(u"SELECT count(*) FROM fidefile"_s), 1);
    TStore::SetWaitObserver(nullptr);
}
