// A store the program may only read: it opens, reads, refuses every unit of
// work with the reason and writes nothing; on the server the roles a reader
// and an editor get.
#include "NurLesen.h"
#include "TempStore.h"
#include "TestBackend.h"

#include "host/core/KRNError.h"

#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kSetting = u"INSERT INTO fidefile (Kennung, Bezeichnung, Beschreibung, Einstellungen) VALUES"
                         " ('ABIL', 'S', 'alt', '{}')"_s;


} // namespace

TEST(NurLesen, AStoreThatMayOnlyBeReadIsReadAndNothingIsWritten)
{
    TempStore store;
    InEinheit(store.Store(), {kSetting});
    TNurLesen nurLesen(store);
    if (!nurLesen.Bereit()) {
        GTEST_SKIP() << "the file cannot be made unwritable here";
    }
    const QString vorher = nurLesen.Inhalt();
    {
        const std::unique_ptr<TStore> leser = TStore::Open(nurLesen.Ort());
        ASSERT_TRUE(leser->ReadOnly());
        EXPECT_TRUE(leser->ReadOnlyReason().contains(
            TestBackend::Postgres() ? u"darf im Datenbestand nur lesen"_s : u"Schreibberechtigung"_s))
            << leser->ReadOnlyReason().toStdString();
        QSqlQuery query = leser->Query(u"SELECT Beschreibung FROM fidefile"_s);
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toString(), u"alt"_s);
        query.finish();
        try {
            InEinheit(*leser, {u"DELETE FROM fidefile"_s});
            ADD_FAILURE() << "a unit of work on a store that may only be read";
        } catch (const StoreError& e) {
            EXPECT_EQ(e.Kind(), TStoreFailure::ReadOnly);
            EXPECT_TRUE(e.Text().contains(leser->ReadOnlyReason()));
        }
    }
    EXPECT_EQ(nurLesen.Inhalt(), vorher);
}

TEST(NurLesen, AnEditorBooksAndAddsHistoryButNeverChangesIt)
{
    if (!TestBackend::Postgres()) {
        GTEST_SKIP() << "roles are the server's";
    }
    TempStore store;
    InEinheit(store.Store(), {kSetting});
    const QString ort = TRolle::Anlegen(store, u"nl_bearbeiter"_s);
    ASSERT_TRUE(store.Store().Grant(true, u"nl_bearbeiter"_s));
    EXPECT_THROW(store.Store().Grant(false, u"gibt_es_nicht"_s), KRNException);

    const std::unique_ptr<TStore> bearbeiter = TStore::Open(ort);
    EXPECT_FALSE(bearbeiter->ReadOnly()) << bearbeiter->ReadOnlyReason().toStdString();
    const int vorher = store.Count(u"SELECT COUNT(*) FROM verlauf"_s);
    InEinheit(*bearbeiter, {u"UPDATE fidefile SET Beschreibung = 'neu'"_s});
    InEinheit(*bearbeiter, {u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 101)"_s});
    EXPECT_EQ(store.Count(u"SELECT COUNT(*) FROM verlauf WHERE rolle = 'nl_bearbeiter'"_s), 2);
    for (const QString& sql : {u"UPDATE verlauf SET benutzer = 'niemand'"_s, u"DELETE FROM verlauf"_s}) {
        SCOPED_TRACE(sql.toStdString());
        EXPECT_THROW(InEinheit(*bearbeiter, {sql}), StoreError);
    }
    EXPECT_EQ(store.Count(u"SELECT COUNT(*) FROM verlauf"_s), vorher + 2);
}
