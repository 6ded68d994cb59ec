// The record store: opening, search state, exact matching and failures.
#include "TempStore.h"

#include "host/core/DBFile.h"
#include "host/core/KRNError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

void InsertFide(Tfidefile& fide, const QString& kennung, const QString& bezeichnung,
                const QString& beschreibung = {})
{
    fide.Kennung.SetWert(kennung);
    fide.Bezeichnung.SetWert(bezeichnung);
    fide.Beschreibung.SetWert(beschreibung);
    fide.WriteRecord(wrdonInsert, 0);
}

QStringList ReadAllNames(Tfidefile& fide)
{
    QStringList names;
    for (bool found = fide.ReadFirst(); found; found = fide.ReadNext()) {
        names << fide.Kennung.GetWert() + QLatin1Char('/') + fide.Bezeichnung.GetWert();
    }
    return names;
}

QStringList ReadExtended(Tfidefile& fide, const QString& kennung)
{
    fide.ResetSearch();
    fide.UseKey(fide.PrimaryKeyNr());
    fide.Kennung.SetWert(kennung);
    fide.Kennung.TakeFilterValue();
    fide.ExtendedFilterAdd(fide.Kennung, dbcEqual, dblAnd);
    QStringList names;
    for (bool found = fide.Get_first_extMode(); found; found = fide.Get_next_extMode()) {
        names << fide.Bezeichnung.GetWert();
    }
    return names;
}

class StoreTest : public ::testing::Test
{
protected:
    void SetUp() override { fide.OpenNew(-1); }
    TempStore store;
    Tfidefile fide;
};

} // namespace

TEST_F(StoreTest, ReadsInPrimaryKeyOrderAndFindsExactKeys)
{
    InsertFide(fide, QStringLiteral("B"), QStringLiteral("ZWEI"));
    InsertFide(fide, QStringLiteral("A"), QStringLiteral("ZZ"));
    InsertFide(fide, QStringLiteral("B"), QStringLiteral("EINS"), QStringLiteral("erste"));
    fide.ResetSearch();
    EXPECT_EQ(ReadAllNames(fide), (QStringList{u"A/ZZ"_s, u"B/EINS"_s, u"B/ZWEI"_s}));

    fide.ResetSearch();
    fide.Kennung.SetKeyWert(QStringLiteral("B"));
    fide.Bezeichnung.SetKeyWert(QStringLiteral("EINS"));
    ASSERT_TRUE(fide.FindKey());
    EXPECT_TRUE(fide.Found());
    EXPECT_EQ(fide.Beschreibung.GetWert(), QStringLiteral("erste"));

    fide.ResetSearch();
    fide.Kennung.SetKeyWert(QStringLiteral("b"));
    fide.Bezeichnung.SetKeyWert(QStringLiteral("EINS"));
    EXPECT_FALSE(fide.FindKey());
    EXPECT_FALSE(fide.Found());
}

TEST_F(StoreTest, ResetSearchForgetsKeyValuesAndFilters)
{
    InsertFide(fide, QStringLiteral("A"), QStringLiteral("X"));
    InsertFide(fide, QStringLiteral("B"), QStringLiteral("Y"));

    fide.ResetSearch();
    fide.Kennung.SetFilterMin(QStringLiteral("B"));
    fide.Kennung.SetFilterMax(QStringLiteral("B"));
    EXPECT_EQ(ReadAllNames(fide), QStringList{u"B/Y"_s});

    fide.ResetSearch();
    EXPECT_EQ(ReadAllNames(fide).size(), 2);

    EXPECT_EQ(ReadExtended(fide, QStringLiteral("A")), QStringList{u"X"_s});
    fide.ResetSearch();
    EXPECT_EQ(ReadAllNames(fide).size(), 2) << "an extended filter must not outlive ResetSearch";

    fide.ResetSearch();
    fide.Kennung.SetKeyWert(QStringLiteral("A"));
    fide.Bezeichnung.SetKeyWert(QStringLiteral("X"));
    ASSERT_TRUE(fide.FindKey());
    fide.ResetSearch();
    EXPECT_FALSE(fide.Found());
    EXPECT_THROW(fide.FindKey(), StoreError) << "no key value may survive ResetSearch";
}

TEST_F(StoreTest, SpecialCharactersAreStoredAndMatchedExactly)
{
    const QStringList names{u"O'BRIEN \"X\""_s, u"100%"_s, u"A_B"_s, u"C:\\PFAD\\"_s, u"GRÖSSE ÄÖÜß"_s,
                            u"BILD 📷"_s,        u"%"_s,    u"_"_s,   u"A%B"_s};
    for (const QString& name : names) {
        InsertFide(fide, u"K'%_\\"_s, name, name + u" beschrieben"_s);
    }
    InsertFide(fide, u"K'%_\\X"_s, u"ANDERE"_s);
    InsertFide(fide, u"KX%Y\\"_s, u"ANDERE"_s);

    for (const QString& name : names) {
        fide.ResetSearch();
        fide.Kennung.SetKeyWert(u"K'%_\\"_s);
        fide.Bezeichnung.SetKeyWert(name);
        ASSERT_TRUE(fide.FindKey()) << name.toStdString();
        EXPECT_EQ(fide.Bezeichnung.GetWert(), name);
        EXPECT_EQ(fide.Beschreibung.GetWert(), name + u" beschrieben"_s);
    }
    const QStringList listed = ReadExtended(fide, u"K'%_\\"_s);
    EXPECT_EQ(listed.size(), names.size()) << "a pattern character must not match other kinds";
    for (const QString& name : names) {
        EXPECT_TRUE(listed.contains(name));
    }
    fide.ResetSearch();
    fide.Kennung.SetKeyWert(u"K'%_\\"_s);
    fide.Bezeichnung.SetKeyWert(u"A%"_s);
    EXPECT_FALSE(fide.FindKey());
}

TEST_F(StoreTest, DeleteRemovesOnlyTheFoundRowAndUpdateKeepsTheKey)
{
    InsertFide(fide, QStringLiteral("A"), QStringLiteral("X"), QStringLiteral("alt"));
    InsertFide(fide, QStringLiteral("A"), QStringLiteral("Y"));
    fide.ResetSearch();
    fide.Kennung.SetKeyWert(QStringLiteral("A"));
    fide.Bezeichnung.SetKeyWert(QStringLiteral("X"));
    ASSERT_TRUE(fide.FindKey());
    fide.Beschreibung.SetWert(QStringLiteral("neu"));
    fide.WriteRecord(wrdonUpdate, 0);
    EXPECT_EQ(store.Count(u"SELECT count(*) FROM fidefile WHERE Beschreibung = 'neu'"_s), 1);

    ASSERT_TRUE(fide.FindKey());
    fide.WriteRecord(wrdonDelete, 0);
    EXPECT_EQ(store.Count(u"SELECT count(*) FROM fidefile"_s), 1);
    EXPECT_THROW(fide.WriteRecord(wrdonDelete, 0), StoreError) << "no current row after a delete";
}

TEST_F(StoreTest, DuplicateInsertFailsWithTheDriversMessage)
{
    InsertFide(fide, QStringLiteral("A"), QStringLiteral("X"));
    try {
        InsertFide(fide, QStringLiteral("A"), QStringLiteral("X"));
        FAIL() << "expected a StoreError";
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.Message().contains(u"unique"_s, Qt::CaseInsensitive)) << e.Message().toStdString();
    }
}

TEST_F(StoreTest, CharacterFilterAndIntegerRangeApplyTogether)
{
    Tfikofile fiko;
    fiko.OpenNew(-1);
    const struct
    {
        const char16_t* bez;
        char16_t rtyp;
        qint32 rnr;
    } rows[] = {{u"S1", u'A', 0}, {u"S1", u' ', 7}, {u"S2", u'B', 0}, {u"S2", u' ', 8}, {u"S3", u'Ā', 0}};
    for (const char* name : {"S1", "S2", "S3"}) {
        InsertFide(fide, u"K"_s, QString::fromLatin1(name));
    }
    for (const auto& row : rows) {
        fiko.Kennung.SetWert(u"K"_s);
        fiko.Bezeichnung.SetWert(QString::fromUtf16(row.bez));
        fiko.RTyp.SetWert(QChar(row.rtyp));
        fiko.RNr.SetWert(row.rnr);
        fiko.WriteRecord(wrdonInsert, 0);
    }
    fiko.ResetSearch();
    fiko.RTyp.SetFilter({QLatin1Char('A')});
    QStringList seen;
    for (bool f = fiko.ReadFirst(); f; f = fiko.ReadNext()) {
        seen << fiko.Bezeichnung.GetWert();
    }
    EXPECT_EQ(seen, QStringList{u"S1"_s}) << "a type with the same low byte is another type";

    fiko.ResetSearch();
    fiko.RNr.SetFilterMin(8);
    fiko.RNr.SetFilterMax(8);
    ASSERT_TRUE(fiko.ReadFirst());
    EXPECT_EQ(fiko.Bezeichnung.GetWert(), u"S2"_s);
    EXPECT_FALSE(fiko.ReadNext());
}

TEST(StoreOpen, CreatesMissingDirectoriesAndKeepsExistingData)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"tief/unten/store.sqlite"_s);
    {
        auto store = TStore::Open(path);
        EXPECT_TRUE(store->CreatedNew());
        store->Exec(u"INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('A', 'X')"_s);
    }
    auto again = TStore::Open(path);
    EXPECT_FALSE(again->CreatedNew());
    QSqlQuery q(again->Database());
    ASSERT_TRUE(q.exec(u"SELECT count(*) FROM fidefile"_s) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
}

TEST(StoreOpen, FailuresGiveClearMessagesAndLeaveFilesUntouched)
{
    QTemporaryDir dir;
    // A file that is no database.
    const QString garbage = dir.filePath(u"kein.sqlite"_s);
    {
        QFile f(garbage);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    try {
        TStore::Open(garbage);
        FAIL() << "a file that is no database must not open";
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.Message().contains(garbage)) << e.Message().toStdString();
    }
    QFile check(garbage);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray(4096, 'x'));

    // A directory that cannot be created (a file stands in its way).
    EXPECT_THROW(TStore::Open(garbage + u"/unter/store.sqlite"_s), StoreError);
    EXPECT_THROW(TStore::Open(QString()), StoreError);

    // A store without write permission (meaningless when running as root).
    const QString readOnly = dir.filePath(u"nurlesen.sqlite"_s);
    TStore::Open(readOnly).reset();
    QFile::setPermissions(readOnly, QFile::ReadOwner);
    if (!QFileInfo(readOnly).isWritable()) {
        EXPECT_THROW(TStore::Open(readOnly), StoreError);
    }
}

TEST(StoreOpen, TablesRefuseWorkWithoutAStore)
{
    Tfidefile fide;
    EXPECT_THROW(fide.OpenNew(-1), StoreError);
    EXPECT_THROW(fide.ReadFirst(), StoreError);
}
