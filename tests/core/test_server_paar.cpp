// A store on a primary with a hot standby: an address with both hosts books
// on the one that accepts writes, a workstation on the standby reads what
// the primary books once it is replayed, and a failover cuts a unit of work
// whole while the next one books on the promoted standby. Each test starts
// a pair of its own (scripts/pg-pair.sh), once, in the run on the server.
#include "ServerPaar.h"
#include "TestBackend.h"

#include "host/core/FremdeAenderungen.h"
#include "host/core/KRNError.h"
#include "host/store/Store.h"

#include <QSignalSpy>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

bool PaarLaeuft()
{
    return TestBackend::Postgres() && TServerPaar::Verfuegbar();
}

// A confirmation: a setting and its assignments, one unit of work.
void Buchen(TStore& store, const QString& bezeichnung, std::initializer_list<int> rechner)
{
    TStoreTransaction transaction(store);
    store.Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung, Beschreibung, Einstellungen)"
               " VALUES ('ABIL', '%1', '', '')"_s.arg(bezeichnung));
    for (const int rnr : rechner) {
        store.Exec(u"INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr) VALUES ('ABIL', '%1', ' ', %2)"_s
                       .arg(bezeichnung)
                       .arg(rnr));
    }
    transaction.Commit();
}

int Anzahl(TStore& store, const QString& sql)
{
    QSqlQuery query = store.Query(sql);
    return query.next() ? query.value(0).toInt() : -1;
}

// Rows of the setting in fidefile, fikofile and the history.
QList<int> Spuren(TStore& store, const QString& bezeichnung)
{
    return {Anzahl(store, u"SELECT count(*) FROM fidefile WHERE Bezeichnung = '%1'"_s.arg(bezeichnung)),
            Anzahl(store, u"SELECT count(*) FROM fikofile WHERE Bezeichnung = '%1'"_s.arg(bezeichnung)),
            Anzahl(store, u"SELECT count(*) FROM verlauf WHERE bezeichnung = '%1'"_s.arg(bezeichnung))};
}

QString Adresse(const QStringList& hosts, const QString& attrs)
{
    return u"host=%1 dbname=postgres user=veldrake target_session_attrs=%2"_s.arg(hosts.join(u','), attrs);
}

TEST(ServerPaar, TwoHostsBookOnThePrimaryAndAWorkstationOnTheStandbyReadsWhatIsReplayed)
{
    if (!PaarLaeuft()) {
        GTEST_SKIP() << "needs the throwaway server's primary and standby (scripts/with-postgres.sh)";
    }
    TServerPaar paar;
    // The standby first: libpq passes it over for the one that writes.
    auto schreiber = TStore::Open(Adresse({paar.Standby(), paar.Primary()}, u"read-write"_s));
    EXPECT_FALSE(schreiber->ReadOnly()) << schreiber->ReadOnlyReason().toStdString();
    EXPECT_TRUE(schreiber->Path().contains(paar.Standby()) && schreiber->Path().contains(paar.Primary()))
        << "the store is named with both hosts: " << schreiber->Path().toStdString();
    Buchen(*schreiber, u"VORHER"_s, {1, 2});

    auto leser = TStore::Open(u"postgresql://veldrake@/postgres?host=%1,%2&target_session_attrs=standby"_s.arg(
        paar.Primary(), paar.Standby()));
    EXPECT_TRUE(leser->ReadOnlyReason().contains(u"Lesekopie des Servers %1"_s.arg(paar.Standby())))
        << leser->ReadOnlyReason().toStdString();
    EXPECT_EQ(Spuren(*leser, u"VORHER"_s), (QList<int>{1, 2, 3}));
    try {
        TStoreTransaction transaction(*leser);
        ADD_FAILURE() << "a unit of work began on the standby";
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.Message().contains(u"Lesekopie"_s)) << e.Message().toStdString();
    }

    // What the primary books reaches the standby's workstation as news.
    TFremdeAenderungenWaechter waechter(*leser);
    waechter.SetIntervall(100);
    QSignalSpy geaendert(&waechter, &TFremdeAenderungenWaechter::Geaendert);
    Buchen(*schreiber, u"NEU"_s, {3});
    ASSERT_TRUE(geaendert.wait(10000)) << "the standby's workstation heard nothing";
    const auto aenderungen = geaendert.takeFirst().at(0).value<TFremdeAenderungen>();
    EXPECT_TRUE(aenderungen.Einstellung(u"ABIL"_s, u"NEU"_s).has_value());
    EXPECT_EQ(Spuren(*leser, u"NEU"_s), (QList<int>{1, 1, 2}));
}

TEST(ServerPaar, AFailoverCutsTheOpenUnitOfWorkWholeAndTheNextBooksOnThePromotedStandby)
{
    if (!PaarLaeuft()) {
        GTEST_SKIP() << "needs the throwaway server's primary and standby (scripts/with-postgres.sh)";
    }
    TServerPaar paar;
    auto store = TStore::Open(Adresse({paar.Primary(), paar.Standby()}, u"read-write"_s));
    TFremdeAenderungenWaechter waechter(*store);
    Buchen(*store, u"VORHER"_s, {1, 2, 3});

    int meldungen = 0;
    try {
        TStoreTransaction transaction(*store);
        store->Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung, Beschreibung, Einstellungen)"
                    " VALUES ('ABIL', 'HALB', '', '')"_s);
        paar.PrimaryStoppen();
        paar.Befoerdern();
        store->Exec(u"INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr) VALUES ('ABIL', 'HALB', ' ', 4)"_s);
        transaction.Commit();
    } catch (const StoreError& e) {
        ++meldungen;
        EXPECT_EQ(e.Kind(), TStoreFailure::ConnectionLost) << e.Message().toStdString();
    }
    EXPECT_EQ(meldungen, 1);
    // The next action connects anew, to the promoted standby, without a
    // word.
    Buchen(*store, u"DANACH"_s, {4, 5});
    EXPECT_EQ(Spuren(*store, u"VORHER"_s), (QList<int>{1, 3, 4})) << "booked before, kept whole";
    EXPECT_EQ(Spuren(*store, u"HALB"_s), (QList<int>{0, 0, 0})) << "the cut unit of work is wholly absent";
    EXPECT_EQ(Spuren(*store, u"DANACH"_s), (QList<int>{1, 2, 3}));
    EXPECT_EQ(Anzahl(*store, u"SELECT count(*) FROM fikofile k WHERE NOT EXISTS (SELECT 1 FROM fidefile f"
                             " WHERE f.Bezeichnung = k.Bezeichnung)"_s),
              0);

    // The workstation listens again, on the new primary.
    QSignalSpy geaendert(&waechter, &TFremdeAenderungenWaechter::Geaendert);
    auto andere = TStore::Open(Adresse({paar.Standby()}, u"any"_s));
    Buchen(*andere, u"ANDERE"_s, {6});
    ASSERT_TRUE(geaendert.wait(10000)) << "no news from the new primary";
    EXPECT_TRUE(geaendert.takeFirst().at(0).value<TFremdeAenderungen>().Einstellung(u"ABIL"_s, u"ANDERE"_s));
}

} // namespace
