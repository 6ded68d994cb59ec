// Changes of another workstation reach the program: the other workstation
// is a process of the store tool that opens the same store, books and ends.
#include "SecondWorkstation.h"
#include "TempStore.h"
#include "TestBackend.h"

#include "host/core/FremdeAenderungen.h"
#include "host/store/Store.h"

#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The work of the other workstation.
void Auftrag(const QString& location, const QString& auftrag)
{
    if (auftrag == u"aktivieren") {
        OtherWorkstationWrites(location, {u"INSERT INTO fikofile VALUES ('ABIL', '', ' ', 0)"_s});
    } else if (auftrag == u"anlegen_nach_abbruch") {
        OtherWorkstationWrites(location, {u"INSERT INTO fidefile VALUES ('ABIL', 'VERWORFEN', '', '')"_s}, true);
        OtherWorkstationWrites(location, {u"INSERT INTO fidefile VALUES ('ABIL', 'NEU', 'neu', '')"_s});
    } else if (auftrag == u"loeschen") {
        OtherWorkstationWrites(location, {u"DELETE FROM fidefile WHERE Bezeichnung = 'ALT'"_s});
    }
}

// art and Bezeichnung of the entries.
QStringList Arten(const TFremdeAenderungen& aenderungen)
{
    QStringList arten;
    for (const TVerlaufEintrag& e : aenderungen.Eintraege) {
        arten << e.Art + u' ' + e.Bezeichnung;
    }
    return arten;
}

TFremdeAenderungen Erste(QSignalSpy& spy)
{
    if (spy.isEmpty() && !spy.wait(10000)) {
        ADD_FAILURE() << "no change arrived";
        return {};
    }
    return spy.takeFirst().at(0).value<TFremdeAenderungen>();
}

struct TFall
{
    const char* auftrag;
    QStringList arten;
    bool filterarten;
};

} // namespace

// What the other workstation committed arrives, with its history; what it
// rolled back and what this workstation booked itself never do.
TEST(FremdeAenderungen, ReachTheOtherWorkstationWithoutItsOwn)
{
    const TFall faelle[] = {
        {"aktivieren", {u"filterart_an "_s}, true},
        {"anlegen_nach_abbruch", {u"einstellung_angelegt NEU"_s}, false},
        {"loeschen", {u"einstellung_geloescht ALT"_s}, false},
    };
    for (const TFall& fall : faelle) {
        SCOPED_TRACE(fall.auftrag);
        TempStore store;
        InEinheit(store.Store(), {u"INSERT INTO fidefile VALUES ('ABIL', 'ALT', '', '')"_s});
        TFremdeAenderungenWaechter waechter(store.Store());
        waechter.SetIntervall(100);
        QSignalSpy spy(&waechter, &TFremdeAenderungenWaechter::Geaendert);
        // Booked here first: it must not come back.
        InEinheit(store.Store(), {u"INSERT INTO fidefile VALUES ('ABIL', 'EIGEN', '', '')"_s});
        Auftrag(store.Path(), QString::fromLatin1(fall.auftrag));

        const TFremdeAenderungen aenderungen = Erste(spy);
        EXPECT_EQ(Arten(aenderungen), fall.arten);
        EXPECT_FALSE(aenderungen.Unbekannt);
        EXPECT_EQ(aenderungen.Filterarten(), fall.filterarten);
        ASSERT_FALSE(aenderungen.Eintraege.isEmpty());
        const TVerlaufEintrag& e = aenderungen.Eintraege.first();
        EXPECT_EQ(e.Benutzer, TStore::Identity().Benutzer);
        EXPECT_TRUE(FremdeAenderungText(e).startsWith(u"Geändert am "_s)) << FremdeAenderungText(e).toStdString();
        EXPECT_EQ(aenderungen.Geloescht(u"ABIL"_s, u"ALT"_s), QString::fromLatin1(fall.auftrag) == u"loeschen");
        // Nothing else follows.
        EXPECT_FALSE(spy.wait(400));
    }
}

// A change by a program that keeps no history still arrives, as unknown.
TEST(FremdeAenderungen, AForeignWriteArrivesAsUnknown)
{
    TempStore store;
    TFremdeAenderungenWaechter waechter(store.Store());
    waechter.SetIntervall(100);
    QSignalSpy spy(&waechter, &TFremdeAenderungenWaechter::Geaendert);
    {
        const QString name = u"fremd"_s;
        QSqlDatabase db = QSqlDatabase::cloneDatabase(store.Store().Database(), name);
        ASSERT_TRUE(db.open());
        QSqlQuery(u"INSERT INTO rechnertyp VALUES ('X', 'Fremd')"_s, db);
        // On the server the trigger announces only settings and assignments.
        QSqlQuery(u"INSERT INTO fikofile VALUES ('KBIL', '', ' ', 0)"_s, db);
        db.close();
    }
    QSqlDatabase::removeDatabase(u"fremd"_s);
    const TFremdeAenderungen aenderungen = Erste(spy);
    EXPECT_TRUE(aenderungen.Filterarten());
}

// After the connection to the server was lost and made anew the program
// listens again.
TEST(FremdeAenderungen, ListenAgainAfterAReconnect)
{
    if (!TestBackend::Postgres()) {
        GTEST_SKIP() << "only for the server";
    }
    TempStore store;
    TFremdeAenderungenWaechter waechter(store.Store());
    QSignalSpy spy(&waechter, &TFremdeAenderungenWaechter::Geaendert);
    {
        QSqlDatabase db = QSqlDatabase::cloneDatabase(store.Store().Database(), u"beender"_s);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        QSqlQuery pid(u"SELECT pg_backend_pid()"_s, store.Store().Database());
        ASSERT_TRUE(pid.next());
        ASSERT_TRUE(query.exec(u"SELECT pg_terminate_backend(%1)"_s.arg(pid.value(0).toInt())));
        db.close();
    }
    QSqlDatabase::removeDatabase(u"beender"_s);
    const int vorher = store.Store().Generation();
    waechter.Pruefen();
    ASSERT_GT(store.Store().Generation(), vorher);
    Auftrag(store.Path(), u"aktivieren"_s);
    EXPECT_EQ(Arten(Erste(spy)), QStringList{u"filterart_an "_s});
}
