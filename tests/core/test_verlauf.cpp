// The change history: what each kind of change leaves in verlauf, who and
// where, whole or nothing, foreign writers, append-only and pruning.
#include "TempStore.h"
#include "TestBackend.h"

#include "host/core/KRNError.h"
#include "host/core/Verlauf.h"
#include "host/core/VerlaufSeiten.h"
#include "host/core/VerlaufWiederherstellen.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUuid>

#include <algorithm>
#include <optional>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// art, kennung, bezeichnung, rtyp, rnr of every row, oldest first.
QStringList Zeilen(TempStore& store)
{
    QStringList zeilen;
    QSqlQuery query(store.Store().Database());
    EXPECT_TRUE(query.exec(u"SELECT art, kennung, bezeichnung, rtyp, rnr FROM verlauf ORDER BY id"_s));
    while (query.next()) {
        zeilen << u"%1 %2/%3 %4%5"_s.arg(query.value(0).toString(), query.value(1).toString(),
                                         query.value(2).toString(), query.value(3).toString(),
                                         query.value(4).toString());
    }
    return zeilen;
}

// A connection of another program: none of the program's settings.
class TFremd
{
public:
    explicit TFremd(TStore& store, const QString& benutzer = QString())
    {
        QSqlDatabase db = QSqlDatabase::cloneDatabase(store.Database(), m_name);
        if (!benutzer.isEmpty()) {
            db.setUserName(benutzer);
        }
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
    }
    ~TFremd() { QSqlDatabase::removeDatabase(m_name); }
    TFremd(const TFremd&) = delete;
    TFremd& operator=(const TFremd&) = delete;
    // The driver's text of a failure, empty when the statement ran.
    QString Exec(const QString& sql)
    {
        QSqlQuery query(QSqlDatabase::database(m_name));
        return query.exec(sql) ? QString() : query.lastError().text();
    }

private:
    QString m_name = u"fremd-"_s + QUuid::createUuid().toString();
};

const QString kSetting = u"INSERT INTO fidefile (Kennung, Bezeichnung, Beschreibung, Einstellungen) VALUES"
                         " ('ABIL', 'S', 'alt', '{\"GroesseBreite\":1024}')"_s;

} // namespace

TEST(Verlauf, EveryKindOfChangeLeavesExactlyItsRows)
{
    struct TFall
    {
        const char* name;
        QStringList vorher;
        QStringList aenderung;
        QStringList zeilen;
    };
    const QList<TFall> faelle = {
        {"angelegt", {}, {kSetting}, {u"einstellung_angelegt ABIL/S  0"_s}},
        {"geaendert",
         {kSetting},
         {u"UPDATE fidefile SET Einstellungen = '{\"GroesseBreite\":800}'"_s},
         {u"einstellung_geaendert ABIL/S  0"_s}},
        {"unveraendert ueberschrieben", {kSetting}, {u"UPDATE fidefile SET Beschreibung = 'alt'"_s}, {}},
        {"geloescht", {kSetting}, {u"DELETE FROM fidefile"_s}, {u"einstellung_geloescht ABIL/S  0"_s}},
        {"umbenannt",
         {kSetting},
         {u"UPDATE fidefile SET Bezeichnung = 'T'"_s},
         {u"einstellung_geloescht ABIL/S  0"_s, u"einstellung_angelegt ABIL/T  0"_s}},
        {"zugeordnet",
         {kSetting},
         {u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 101), ('ABIL', 'S', 'A', 0)"_s},
         {u"zuordnung_hinzu ABIL/S  101"_s, u"zuordnung_hinzu ABIL/S A0"_s}},
        {"entfernt",
         {kSetting, u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 101)"_s},
         {u"DELETE FROM fikofile WHERE RNr = 101"_s},
         {u"zuordnung_entfernt ABIL/S  101"_s}},
        {"filterart an und aus",
         {},
         {u"INSERT INTO fikofile VALUES ('KBIL', '', ' ', 0)"_s, u"DELETE FROM fikofile"_s},
         {u"filterart_an KBIL/  0"_s, u"filterart_aus KBIL/  0"_s}},
    };
    for (const TFall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        TempStore store;
        InEinheit(store.Store(), fall.vorher);
        const int vorher = store.Count(u"SELECT COUNT(*) FROM verlauf"_s);
        InEinheit(store.Store(), fall.aenderung);
        EXPECT_EQ(Zeilen(store).mid(vorher), fall.zeilen);
    }
}

// A bulk change records exactly the rows it adds or removes, once, and the
// store's own recording is on again after it, also after a failed change.
TEST(Verlauf, ABulkChangeRecordsExactlyItsRowsOnce)
{
    TempStore store;
    InEinheit(store.Store(), {kSetting, u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 101), ('ABIL', 'S', ' ', 102)"_s});
    const int vorher = store.Count(u"SELECT COUNT(*) FROM verlauf"_s);
    const QString liste = store.Store().ListSql(TStoreListKind::Integer);
    const QString neu = u"SELECT 'ABIL' AS Kennung, 'S' AS Bezeichnung, ' ' AS RTyp, l.value AS RNr FROM (%1) l"
                        " WHERE NOT EXISTS (SELECT 1 FROM fikofile f WHERE f.RTyp = ' ' AND f.RNr = l.value)"_s
                            .arg(liste);
    const QString alt = u"FROM fikofile WHERE RNr IN (%1)"_s.arg(liste);
    {
        TStoreTransaction transaktion(store.Store());
        store.Store().ChangeAssignments(true, u"INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr) "_s + neu,
                                        {u"[102,103,104]"_s});
        store.Store().ChangeAssignments(false, u"DELETE "_s + alt, {u"[101]"_s});
        store.Exec(u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 105)"_s);
        transaktion.Commit();
    }
    EXPECT_EQ(Zeilen(store).mid(vorher),
              (QStringList{u"zuordnung_hinzu ABIL/S  103"_s, u"zuordnung_hinzu ABIL/S  104"_s,
                           u"zuordnung_entfernt ABIL/S  101"_s, u"zuordnung_hinzu ABIL/S  105"_s}));

    // A change the rules refuse leaves no history, and the next unit of
    // work records again.
    const int danach = store.Count(u"SELECT COUNT(*) FROM verlauf"_s);
    {
        TStoreTransaction transaktion(store.Store());
        const QString fremd = u"SELECT 'ABIL' AS Kennung, 'FEHLT' AS Bezeichnung, ' ' AS RTyp, l.value AS RNr"
                              " FROM (%1) l"_s.arg(liste);
        EXPECT_THROW(store.Store().ChangeAssignments(
                         true, u"INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr) "_s + fremd,
                         {u"[200]"_s}),
                     StoreError);
    }
    InEinheit(store.Store(), {u"DELETE FROM fikofile WHERE RNr = 105"_s});
    EXPECT_EQ(Zeilen(store).mid(danach), QStringList{u"zuordnung_entfernt ABIL/S  105"_s});
}

// Outside a unit of work a bulk change is one of its own: a refused one
// leaves neither rows nor history, and the next records exactly its own
// rows, a filter kind's row among them, under the program's unit of work.
TEST(Verlauf, ABulkChangeOutsideAUnitOfWorkIsWholeOrNothing)
{
    TempStore store;
    InEinheit(store.Store(), {kSetting, u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 101),"
                                        " ('ABIL', 'S', ' ', 102), ('ABIL', '', ' ', 0)"_s});
    const int vorher = store.Count(u"SELECT COUNT(*) FROM verlauf"_s);
    const QString liste = store.Store().ListSql(TStoreListKind::Integer);
    const QString fremd = u"SELECT 'ABIL' AS Kennung, 'FEHLT' AS Bezeichnung, ' ' AS RTyp, l.value AS RNr"
                          " FROM (%1) l"_s.arg(liste);
    EXPECT_THROW(store.Store().ChangeAssignments(
                     true, u"INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr) "_s + fremd, {u"[300]"_s}),
                 StoreError);
    EXPECT_EQ(store.Count(u"SELECT COUNT(*) FROM verlauf"_s), vorher);

    const QString alt = u"FROM fikofile WHERE Kennung = 'ABIL' AND RTyp = ' ' AND RNr IN (%1)"_s.arg(liste);
    store.Store().ChangeAssignments(false, u"DELETE "_s + alt,
                                    {u"[0,101]"_s});
    QStringList zeilen = Zeilen(store).mid(vorher);
    zeilen.sort(); // a server records a statement's rows in its own order
    EXPECT_EQ(zeilen, (QStringList{u"filterart_aus ABIL/  0"_s, u"zuordnung_entfernt ABIL/S  101"_s}));
    EXPECT_EQ(store.Count(u"SELECT COUNT(*) FROM fikofile"_s), 1);
    EXPECT_EQ(store.Count(u"SELECT COUNT(DISTINCT arbeitseinheit) FROM verlauf WHERE id > (SELECT max(id) - 2 FROM"
                          " verlauf) AND arbeitseinheit <> '' AND programm = '%1'"_s
                              .arg(TStore::Identity().Programm)),
              1);
}

// A change of many assignments is one entry per setting that lists its
// computers. Readers see an entry per computer; the computer filter finds it
// beside single rows, page by page; it is set back and pruned like any
// other.
TEST(Verlauf, ManyAssignmentsAreOneEntryThatReadsAsOneEntryPerComputer)
{
    TempStore store;
    InEinheit(store.Store(), {kSetting, u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 150)"_s});
    InEinheit(store.Store(), {u"DELETE FROM fikofile WHERE RNr = 150"_s});
    const int vorher = store.Count(u"SELECT COUNT(*) FROM verlauf"_s);
    QStringList nummern;
    for (int rnr = 101; rnr <= 250; ++rnr) {
        nummern << QString::number(rnr);
    }
    const QString zeilen = u"SELECT 'ABIL' AS Kennung, 'S' AS Bezeichnung, ' ' AS RTyp, l.value AS RNr FROM (%1) l"
                           " UNION ALL SELECT 'ABIL', 'S', 'A', 0 UNION ALL SELECT 'ABIL', 'S', 'B', 0"_s.arg(store.Store().ListSql(TStoreListKind::Integer));
    store.Store().ChangeAssignments(true, u"INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr) "_s + zeilen,
                                    {u"[%1]"_s.arg(nummern.join(u','))});
    EXPECT_EQ(Zeilen(store).mid(vorher), QStringList{u"zuordnungen_hinzu ABIL/S  0"_s});
    const QList<TVerlaufEintrag> alle = VerlaufLesen(store.Store(), {});
    EXPECT_EQ(std::count_if(alle.cbegin(), alle.cend(), [](const TVerlaufEintrag& e) { return e.Art == u"zuordnung_hinzu"; }),
              153);

    struct TFall
    {
        std::optional<qint32> rnr;
        std::optional<QChar> rtyp;
        QStringList zeilen; // newest first
    };
    const QList<TFall> faelle = {
        {150, {}, {u"Rechner 150 zugeordnet"_s, u"Rechner 150 nicht mehr zugeordnet"_s, u"Rechner 150 zugeordnet"_s}},
        {{}, QChar(u'B'), {u"Rechnertyp B zugeordnet"_s}},
        {251, {}, {}},
    };
    for (const TFall& fall : faelle) {
        SCOPED_TRACE(fall.zeilen.join(u", ").toStdString());
        TVerlaufSuche suche;
        suche.Filter.RNr = fall.rnr;
        suche.Filter.RTyp = fall.rtyp;
        QStringList gelesen;
        TVerlaufStelle vor;
        for (QList<TVerlaufEintrag> seite; !(seite = VerlaufSeite(store.Store(), suche, vor, 1)).isEmpty();) {
            gelesen << VerlaufText(seite.value(0));
            vor = TVerlaufStelle(seite.last());
        }
        EXPECT_EQ(gelesen, fall.zeilen);
    }

    // Pages of 50 entries split the list and read every entry once.
    QStringList seiten;
    TVerlaufStelle vor;
    for (QList<TVerlaufEintrag> seite; !(seite = VerlaufSeite(store.Store(), {}, vor, 50)).isEmpty();) {
        for (const TVerlaufEintrag& e : seite) {
            seiten << VerlaufText(e);
        }
        vor = TVerlaufStelle(seite.last());
    }
    QStringList ganz;
    for (const TVerlaufEintrag& e : alle) {
        ganz << VerlaufText(e);
    }
    EXPECT_EQ(seiten, ganz);

    const QString alt = u"FROM fikofile WHERE Kennung = 'ABIL' AND Bezeichnung = 'S'"_s;
    store.Store().ChangeAssignments(false, u"DELETE "_s + alt, {});
    EXPECT_EQ(ArbeitseinheitZuruecksetzen(store.Store(), VerlaufLesen(store.Store(), {}).value(0).Arbeitseinheit), 152);
    EXPECT_EQ(store.Count(u"SELECT COUNT(*) "_s + alt), 152);
    EXPECT_EQ(store.Count(u"SELECT COUNT(*) FROM verlauf WHERE art = 'zuordnungen_hinzu'"_s), 2) << "booked back as a list";
    // A store without the index of such rows gets it again at its next
    // open (on a server with the triggers that write them).
    store.Exec(u"DROP INDEX verlauf_listen"_s);
    TStore::Open(store.Path());
    EXPECT_EQ(store.Count(TestBackend::Postgres()
                              ? u"SELECT COUNT(*) FROM pg_indexes WHERE indexname = 'verlauf_listen'"_s
                              : u"SELECT COUNT(*) FROM sqlite_master WHERE name = 'verlauf_listen'"_s),
              1);

    const qsizetype eintraege = VerlaufLesen(store.Store(), {}).size();
    EXPECT_EQ(VerlaufKuerzen(store.Store(), QDate::currentDate().addDays(1)), eintraege);
    TVerlaufFilter rechner150;
    rechner150.RNr = 150;
    EXPECT_TRUE(VerlaufLesen(store.Store(), rechner150).isEmpty());
}

// Each backend spells the list its own way, and a store copy carries it to
// the other: the computer filter finds exactly the listed computers in both.
TEST(Verlauf, TheComputerFilterFindsListedComputersInEitherSpelling)
{
    TempStore store;
    for (const char* liste : {R"({"Rechner":[5,-7,1012],"Rechnertypen":["A",","]})",
                              R"({"Rechner" : [5, -7, 1012], "Rechnertypen" : ["A", ","]})"}) {
        store.Exec(u"INSERT INTO verlauf (zeit, arbeitseinheit, benutzer, arbeitsplatz, programm, version, art,"
                   " kennung, bezeichnung, rtyp, rnr, nachher) VALUES ('2026-01-01T00:00:00.000Z', 'e', 'u', 'PC',"
                   " 'veldrake', '1', 'zuordnungen_hinzu', 'ABIL', 'S', ' ', 0, '%1')"_s.arg(QLatin1StringView(liste)));
    }
    const std::pair<QString, int> faelle[] = {{u"5"_s, 2}, {u"-7"_s, 2}, {u"1012"_s, 2}, {u"7"_s, 0}, {u"12"_s, 0},
                                              {u"A"_s, 2}, {u","_s, 2},  {u"["_s, 0},    {u"\""_s, 0}};
    for (const auto& [rechner, anzahl] : faelle) {
        SCOPED_TRACE(rechner.toStdString());
        TVerlaufFilter filter;
        bool nummer = false;
        const qint32 rnr = rechner.toInt(&nummer);
        nummer ? void(filter.RNr = rnr) : void(filter.RTyp = rechner.front());
        EXPECT_EQ(VerlaufLesen(store.Store(), filter).size(), anzahl);
    }
}

TEST(Verlauf, RowsNameWhoWhereWhenAndTheUnitOfWorkAndKeepTheValuesBeforeAndAfter)
{
    TempStore store;
    InEinheit(store.Store(), {kSetting});
    QString einheit;
    {
        TStoreTransaction transaktion(store.Store());
        einheit = store.Store().UnitOfWork();
        store.Exec(u"UPDATE fidefile SET Beschreibung = 'neu', Einstellungen = '{\"GroesseBreite\":800}'"_s);
        store.Exec(u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 101)"_s);
        transaktion.Commit();
    }
    const QList<TVerlaufEintrag> eintraege = VerlaufLesen(store.Store(), {});
    ASSERT_EQ(eintraege.size(), 3);
    for (const TVerlaufEintrag& e : eintraege.mid(0, 2)) {
        EXPECT_EQ(e.Arbeitseinheit, einheit);
        EXPECT_EQ(e.Benutzer, TStore::Identity().Benutzer);
        EXPECT_FALSE(e.Benutzer.isEmpty());
        EXPECT_EQ(e.Arbeitsplatz, QSysInfo::machineHostName());
        EXPECT_EQ(e.Programm, u"test_core"_s);
        EXPECT_FALSE(e.Version.isEmpty());
        EXPECT_EQ(e.Rolle.isEmpty(), !TestBackend::Postgres());
        EXPECT_LT(qAbs(e.Zeit.secsTo(QDateTime::currentDateTimeUtc())), 60);
    }
    EXPECT_NE(eintraege[2].Arbeitseinheit, einheit);
    EXPECT_EQ(VerlaufText(eintraege[0]), u"Rechner 101 zugeordnet"_s);
    EXPECT_EQ(VerlaufText(eintraege[1]), u"Beschreibung: „alt“ → „neu“; max. Breite: 1024 → 800"_s);
    EXPECT_EQ(eintraege[1].Vorher.value(u"Einstellungen"_s).toString(), u"{\"GroesseBreite\":1024}"_s);
}

TEST(Verlauf, ARolledBackUnitOfWorkLeavesNoHistory)
{
    TempStore store;
    {
        TStoreTransaction transaktion(store.Store());
        store.Exec(kSetting);
        store.Exec(u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 101)"_s);
    }
    store.FailWhen(u"fikofile"_s, u"NEW.RNr = 102"_s, u"abgelehnt"_s);
    EXPECT_THROW(InEinheit(store.Store(), {kSetting, u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 102)"_s}),
                 StoreError);
    EXPECT_EQ(store.Count(u"SELECT COUNT(*) FROM verlauf"_s), 0);
}

TEST(Verlauf, AForeignWriterStillWritesAndOnTheServerIsRecorded)
{
    TempStore store;
    InEinheit(store.Store(), {kSetting});
    TFremd fremd(store.Store());
    EXPECT_EQ(fremd.Exec(u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 7)"_s), QString());
    EXPECT_EQ(fremd.Exec(u"UPDATE fidefile SET Beschreibung = 'von Hand'"_s), QString());
    const QList<TVerlaufEintrag> eintraege = VerlaufLesen(store.Store(), {});
    if (!TestBackend::Postgres()) {
        EXPECT_EQ(eintraege.size(), 1) << "SQLite records the program's own writes only";
        return;
    }
    ASSERT_EQ(eintraege.size(), 3);
    EXPECT_EQ(eintraege[0].Art, u"einstellung_geaendert"_s);
    EXPECT_EQ(eintraege[1].Art, u"zuordnung_hinzu"_s);
    for (const TVerlaufEintrag& e : eintraege.mid(0, 2)) {
        EXPECT_EQ(e.Programm, u"unbekanntes Programm"_s);
        EXPECT_FALSE(e.Rolle.isEmpty());
        EXPECT_FALSE(e.Arbeitsplatz.isEmpty());
        EXPECT_TRUE(e.Arbeitseinheit.startsWith(u"tx"_s));
    }
    EXPECT_NE(eintraege[0].Arbeitseinheit, eintraege[1].Arbeitseinheit);
}

TEST(Verlauf, OnTheServerNobodyChangesOrDeletesHistoryAndOnlyTheOwnerPrunes)
{
    if (!TestBackend::Postgres()) {
        GTEST_SKIP() << "append-only on the server";
    }
    TempStore store;
    InEinheit(store.Store(), {kSetting});
    store.Exec(u"DO $$ BEGIN CREATE ROLE verlauf_arbeitsplatz LOGIN; EXCEPTION WHEN duplicate_object THEN NULL;"
               " END $$"_s);
    // Even granted, changing is refused by the store.
    store.Exec(u"GRANT SELECT, INSERT, UPDATE, DELETE, TRUNCATE ON verlauf TO verlauf_arbeitsplatz"_s);
    TFremd arbeitsplatz(store.Store(), u"verlauf_arbeitsplatz"_s);
    TFremd eigentuemer(store.Store());
    const auto versuch = [](TFremd& wer, const QString& sql, bool kuerzen) {
        wer.Exec(u"BEGIN"_s);
        if (kuerzen) {
            wer.Exec(u"SELECT set_config('veldrake.kuerzen', 'ja', true)"_s);
        }
        const QString fehler = wer.Exec(sql);
        wer.Exec(u"ROLLBACK"_s);
        return fehler;
    };
    for (const QString& sql :
         {u"UPDATE verlauf SET benutzer = 'niemand'"_s, u"DELETE FROM verlauf"_s, u"TRUNCATE verlauf"_s}) {
        SCOPED_TRACE(sql.toStdString());
        EXPECT_TRUE(versuch(arbeitsplatz, sql, false).contains(u"nicht geändert oder gelöscht"_s));
        EXPECT_NE(versuch(eigentuemer, sql, false), QString());
    }
    // The pruning path is the owner's alone.
    EXPECT_NE(versuch(arbeitsplatz, u"DELETE FROM verlauf"_s, true), QString());
    EXPECT_EQ(versuch(eigentuemer, u"DELETE FROM verlauf"_s, true), QString());
    EXPECT_EQ(store.Count(u"SELECT COUNT(*) FROM verlauf WHERE benutzer <> 'niemand'"_s), 1);
    store.Exec(u"REVOKE ALL ON verlauf FROM verlauf_arbeitsplatz"_s);
}

TEST(Verlauf, PruneRemovesTheOldEntriesAndRecordsItself)
{
    TempStore store;
    InEinheit(store.Store(), {kSetting, u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 101)"_s});
    EXPECT_EQ(VerlaufKuerzen(store.Store(), QDate::currentDate().addDays(-1)), 0);
    EXPECT_EQ(VerlaufKuerzen(store.Store(), QDate::currentDate().addDays(1)), 3);
    const QList<TVerlaufEintrag> eintraege = VerlaufLesen(store.Store(), {});
    ASSERT_EQ(eintraege.size(), 1);
    EXPECT_EQ(VerlaufText(eintraege[0]),
              u"Verlauf vor dem %1 gekürzt: 3 Einträge entfernt"_s.arg(
                  QDate::currentDate().addDays(1).toString(u"dd.MM.yyyy"_s)));
}

TEST(Verlauf, AStoreWithoutHistoryGetsItAndOneWithAnotherHistoryIsRefused)
{
    SKIP_UNLESS_SQLITE();
    TempStore ohne;
    ohne.Exec(u"DROP TABLE verlauf"_s);
    const QString pfad = ohne.Path();
    EXPECT_NO_THROW(TStore::Open(pfad));
    EXPECT_EQ(ohne.Count(u"SELECT COUNT(*) FROM sqlite_master WHERE name = 'verlauf'"_s), 1);
    TempStore anders;
    anders.Exec(u"DROP TABLE verlauf"_s);
    anders.Exec(u"CREATE TABLE verlauf (id INTEGER PRIMARY KEY, text TEXT)"_s);
    try {
        TStore::Open(anders.Path());
        FAIL() << "opened";
    } catch (const StoreError& e) {
        EXPECT_EQ(e.Kind(), TStoreFailure::Schema);
        EXPECT_TRUE(e.Text().contains(u"verlauf"_s));
    }
}
