// A store in which one computer already serves two saved settings of a kind
// (left by two workstations booking without a store-held rule): it opens,
// the consistency check answers from the first row in table order, new
// conflicts stay refused, and the store's rule returns once it is repaired.
#include "RecordingPresenter.h"
#include "TempStore.h"

#include "data/MainDM.h"
#include "host/core/KOMMFilter.h"
#include "host/store/Store.h"

#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class DoubleServed : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteDoubleServedStore(Path());
        store = TStore::Open(Path());
        TStore::SetCurrent(store.get());
        dtm.RunCreateHandler();
    }
    void TearDown() override
    {
        dtm.RunDestroyHandler();
        TStore::SetCurrent(nullptr);
    }
    QString Path() const { return dir.filePath(u"store.sqlite"_s); }
    int Count(const QString& where)
    {
        QSqlQuery query(store->Database());
        EXPECT_TRUE(query.exec(u"SELECT count(*) FROM fikofile WHERE "_s + where) && query.next());
        return query.value(0).toInt();
    }
    // The consistency check's answer: "" when allowed, else the setting
    // named.
    QString Used(const QString& bezeichnung, QChar rtyp, qint32 rnr)
    {
        QString used;
        const bool ok =
            dtm.BuchenKommunikationPruefenKonsistenz(u"ABIL"_s, bezeichnung, rtyp, rnr, true, used);
        EXPECT_EQ(ok, used.isEmpty());
        return used;
    }

    QTemporaryDir dir;
    RecordingPresenter presenter;
    std::unique_ptr<TStore> store;
    TdtmKOMMFilter dtm;
};

} // namespace

TEST_F(DoubleServed, OpensAndListsWhatIsServedTwice)
{
    ASSERT_EQ(store->DoubleServed().size(), 2);
    EXPECT_EQ(store->DoubleServed()[0].RTyp, u' ');
    EXPECT_EQ(store->DoubleServed()[0].RNr, 5);
    EXPECT_EQ(store->DoubleServed()[0].Bezeichnungen, (QStringList{u"S1"_s, u"S2"_s}));
    EXPECT_EQ(store->DoubleServed()[1].RTyp, u'A');
    EXPECT_EQ(store->DoubleServed()[1].Bezeichnungen, (QStringList{u"S1"_s, u"S3"_s}));
    EXPECT_FALSE(store->RulesComplete());
}

TEST_F(DoubleServed, TheFirstRowInTableOrderDecides)
{
    const struct
    {
        const char16_t* bezeichnung;
        char16_t rtyp;
        qint32 rnr;
        const char16_t* used;
    } cases[] = {
        {u"S4", u' ', 5, u"S1"}, // a third setting: the first row (S1) is named
        {u"S2", u' ', 5, u"S1"}, // S1 comes before S2
        {u"S1", u' ', 5, u"S2"}, // S1's own row passes; S2's row follows
        {u"S2", u'A', 0, u"S1"}, {u"S1", u'A', 0, u"S3"}, {u"S4", u' ', 6, u"S1"},
        {u"S1", u' ', 6, u""},   {u"S4", u' ', 7, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.bezeichnung).toStdString() + " " + std::to_string(c.rnr));
        EXPECT_EQ(Used(QString::fromUtf16(c.bezeichnung), QChar(c.rtyp), c.rnr), QString::fromUtf16(c.used));
    }
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(DoubleServed, RepairingBringsTheStoresRuleBack)
{
    // Booking elsewhere works meanwhile; the rule is not back yet.
    {
        TStoreTransaction transaction(*store);
        dtm.BuchenKommunikation(u"ABIL"_s, u"S2"_s, u' ', 9, true);
        transaction.Commit();
    }
    EXPECT_EQ(Count(u"RNr = 9"_s), 1);
    EXPECT_FALSE(store->RulesComplete());

    // The administrator frees number 5 from S2 and type A from S3.
    {
        TStoreTransaction transaction(*store);
        dtm.BuchenKommunikation(u"ABIL"_s, u"S2"_s, u' ', 5, false);
        dtm.BuchenKommunikation(u"ABIL"_s, u"S3"_s, u'A', 0, false);
        transaction.Commit();
    }
    EXPECT_TRUE(store->RulesComplete());
    // Now the store itself refuses a second setting, whoever writes.
    dtm.BuchenKommunikation(u"ABIL"_s, u"S3"_s, u' ', 6, true);
    EXPECT_EQ(Count(u"RNr = 6"_s), 1);
    EXPECT_EQ(presenter.ErrorLocations(), QStringList{u"TdtmKOMMFilter.BuchenKommunikation"_s});

    // And the next start finds nothing to tell.
    auto again = TStore::Open(Path());
    EXPECT_TRUE(again->DoubleServed().isEmpty());
    EXPECT_TRUE(again->RulesComplete());
}
