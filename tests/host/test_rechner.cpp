// The computers known to the host: reading, the demo seed, the import, the
// example SQL file for administrators, and the computer check tree.
#include "GuiTest.h"
#include "ListTestSupport.h"
#include "TempStore.h"
#include "TestBackend.h"

#include "host/VTRTypRNrCheck.h"
#include "host/core/KRNError.h"
#include "host/core/Rechner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString Types(TStore& store)
{
    QString result;
    for (const TRechnerTyp& typ : ReadRechnerTypen(store)) {
        result += typ.RTyp;
    }
    return result;
}

QList<qint32> Numbers(const QList<TRechner>& rechner)
{
    QList<qint32> result;
    for (const TRechner& entry : rechner) {
        result << entry.RNr;
    }
    return result;
}

// The message of the import's failure; empty when it did not fail.
QString ImportError(TStore& store, const QString& text)
{
    try {
        ImportComputersCsvText(store, text, u"test.csv"_s);
    } catch (const KRNException& e) {
        return e.Message();
    }
    return QString();
}

QString RepoFile(const QString& relative)
{
    // __FILE__ may be relative to the build directory; the test source
    // directory is absolute.
    return QDir(QStringLiteral(QT_TESTCASE_SOURCEDIR)).filePath(u"../"_s + relative);
}

} // namespace

TEST(RechnerSeed, FillsOnlyAnEmptyStore)
{
    TempStore temp;
    EXPECT_TRUE(SeedDemoComputers(temp.Store()));
    EXPECT_EQ(Types(temp.Store()), u"AFKZ"_s);
    const QList<TRechner> all = ReadRechner(temp.Store(), false);
    const QList<TRechner> masters = ReadRechner(temp.Store(), true);
    EXPECT_GE(all.size(), 24);
    EXPECT_GT(masters.size(), 5);
    EXPECT_LT(masters.size(), all.size());
    for (const TRechner& entry : masters) {
        EXPECT_TRUE(entry.Master);
    }
    const QList<qint32> numbers = Numbers(all);
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    EXPECT_EQ(ReadRechnerTypen(temp.Store()).first().Name, u"Außendienst"_s);

    EXPECT_FALSE(SeedDemoComputers(temp.Store()));
    EXPECT_EQ(ReadRechner(temp.Store(), false).size(), all.size());
}

TEST(RechnerSeed, LeavesAStoreAloneThatHoldsOnlySomeComputers)
{
    TempStore temp;
    temp.Exec(u"INSERT INTO rechner (RNr, Name, RTyp, Master) VALUES (7, 'Eigener', 'X', 1)"_s);
    EXPECT_FALSE(SeedDemoComputers(temp.Store()));
    EXPECT_EQ(Types(temp.Store()), QString());
    EXPECT_EQ(Numbers(ReadRechner(temp.Store(), false)), QList<qint32>{7});

    TempStore other;
    other.Exec(u"INSERT INTO rechnertyp (RTyp, Name) VALUES ('X', 'Eigener Typ')"_s);
    EXPECT_FALSE(SeedDemoComputers(other.Store()));
    EXPECT_EQ(ReadRechner(other.Store(), false).size(), 0);
}

TEST(RechnerRead, LeavesOutRowsThatNoComputerCanHave)
{
    TempStore temp;
    temp.Exec(u"INSERT INTO rechnertyp (RTyp, Name) VALUES ('B', 'b'), (' ', 'blank'), ('', 'leer'),"
              " ('XY', 'zwei'), ('Ä', 'Umlaut')"_s);
    temp.Exec(
        u"INSERT INTO rechner (RNr, Name, RTyp, Master) VALUES (0, 'null', 'B', 1), (-4, 'neg', 'B', 1),"
        " (5, 'fünf', 'XY', 0), (2147483647, 'max', 'B', 2)"_s);
    if (!TestBackend::Postgres()) {
        // The server's column refuses such a number already.
        temp.Exec(u"INSERT INTO rechner (RNr, Name, RTyp, Master) VALUES (3000000000, 'zu groß', 'B', 1)"_s);
    }
    EXPECT_EQ(Types(temp.Store()), u"BÄ"_s);
    const QList<TRechner> rechner = ReadRechner(temp.Store(), false);
    ASSERT_EQ(Numbers(rechner), (QList<qint32>{5, 2147483647}));
    EXPECT_EQ(rechner[0].RTyp, u' ');
    EXPECT_EQ(rechner[0].Name, u"fünf"_s);
    EXPECT_TRUE(rechner[1].Master);
    EXPECT_EQ(Numbers(ReadRechner(temp.Store(), true)), QList<qint32>{2147483647});
}

TEST(RechnerImport, ReadsQuotedFieldsCommentsAndOverwritesByKey)
{
    TempStore temp;
    temp.Exec(u"INSERT INTO rechnertyp (RTyp, Name) VALUES ('K', 'alt')"_s);
    temp.Exec(u"INSERT INTO rechner (RNr, Name, RTyp, Master) VALUES (9, 'alt', 'K', 1)"_s);
    const QString text = u"# Kommentar\r\n"
                         u"rechnertyp ; K ; Kasse\r\n"
                         u"\r\n"
                         u"Rechner;9;\"Kasse \"\"West\"\"; hinten\";K;0\r\n"
                         u"Rechner; 10 ;Kasse 10;K\r\n"
                         u"Rechner;11;Zentrale;K;1"_s;
    const TRechnerImport result = ImportComputersCsvText(temp.Store(), text, u"x.csv"_s);
    EXPECT_EQ(result.RTypCount, 1);
    EXPECT_EQ(result.RNrCount, 3);
    EXPECT_EQ(ReadRechnerTypen(temp.Store()).first().Name, u"Kasse"_s);
    const QList<TRechner> rechner = ReadRechner(temp.Store(), false);
    ASSERT_EQ(Numbers(rechner), (QList<qint32>{9, 10, 11}));
    EXPECT_EQ(rechner[0].Name, u"Kasse \"West\"; hinten"_s);
    EXPECT_FALSE(rechner[0].Master);
    EXPECT_FALSE(rechner[1].Master);
    EXPECT_TRUE(rechner[2].Master);
}

TEST(RechnerImport, RefusesBadLinesWholeAndNamesTheLine)
{
    TempStore temp;
    const QString good = u"Rechnertyp;A;Arbeitsplatz\nRechner;1;Eins;A;1\n"_s;
    const struct
    {
        QString Line;
        QString Expected;
    } cases[] = {
        {u"Rechnertyp; ;Blank"_s, u"genau ein Zeichen"_s},
        {u"Rechnertyp;\" \";Blank in Anführungszeichen"_s, u"genau ein Zeichen"_s},
        {u"Rechnertyp;AB;Zwei"_s, u"genau ein Zeichen"_s},
        {u"Rechnertyp;;Leer"_s, u"genau ein Zeichen"_s},
        {u"Rechnertyp;B"_s, u"3 Felder"_s},
        {u"Rechner;0;Null;A;0"_s, u"1 bis 2147483647"_s},
        {u"Rechner;-5;Negativ;A;0"_s, u"1 bis 2147483647"_s},
        {u"Rechner;2147483648;Zu groß;A;0"_s, u"1 bis 2147483647"_s},
        {u"Rechner;zwölf;Text;A;0"_s, u"1 bis 2147483647"_s},
        {u"Rechner;12;Ohne Typ; ;0"_s, u"genau ein Zeichen"_s},
        {u"Rechner;12;Master ja;A;ja"_s, u"0 oder 1"_s},
        {u"Rechner;12;Zu wenig"_s, u"4 oder 5 Felder"_s},
        {u"Rechner;12;\"offen;A;0"_s, u"nicht geschlossen"_s},
        {u"Drucker;12;Falsch"_s, u"unbekannte Satzart"_s},
        {u"Rechner;12;Fremder Typ;Q;0"_s, u"»Q« ist weder in der Datei"_s},
    };
    for (const auto& c : cases) {
        const QString message = ImportError(temp.Store(), good + c.Line + u"\nRechner;13;Danach;A;0"_s);
        EXPECT_TRUE(message.startsWith(u"test.csv, Zeile 3: "_s))
            << c.Line.toStdString() << " -> " << message.toStdString();
        EXPECT_TRUE(message.contains(c.Expected)) << c.Line.toStdString() << " -> " << message.toStdString();
    }
    EXPECT_EQ(Types(temp.Store()), QString());
    EXPECT_TRUE(ReadRechner(temp.Store(), false).isEmpty());

    EXPECT_EQ(ImportError(temp.Store(), good), QString());
    EXPECT_EQ(ImportError(temp.Store(), u"Rechner;2;Typ schon im Bestand;A;0"_s), QString());
}

TEST(RechnerImport, ReadsAFileInUtf8WithByteOrderMark)
{
    TempStore temp;
    const QString path = QDir(temp.Dir()).filePath(u"rechner.csv"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF" + u"Rechnertyp;Ü;Übersee\nRechner;42;Süd;Ü;1\n"_s.toUtf8());
    file.close();

    ImportComputersCsv(temp.Store(), path);
    EXPECT_EQ(Types(temp.Store()), u"Ü"_s);
    EXPECT_EQ(ReadRechner(temp.Store(), true).first().Name, u"Süd"_s);

    try {
        ImportComputersCsv(temp.Store(), QDir(temp.Dir()).filePath(u"fehlt.csv"_s));
        FAIL() << "a missing file must be reported";
    } catch (const KRNException& e) {
        EXPECT_TRUE(e.Message().contains(u"fehlt.csv"_s));
    }
}

TEST(RechnerImport, TheExampleSqlFileFillsAFreshStore)
{
    TempStore temp;
    QFile file(RepoFile(u"docs/computers-example.sql"_s));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QString script = QString::fromUtf8(file.readAll());
    QStringList statements;
    QString current;
    for (const QString& line : script.split(u'\n')) {
        if (line.trimmed().startsWith(u"--"_s)) {
            continue;
        }
        current += line + u'\n';
        if (line.trimmed().endsWith(u';')) {
            statements << current;
            current.clear();
        }
    }
    for (const QString& statement : statements) {
        QSqlQuery query(temp.Store().Database());
        ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
    }
    EXPECT_FALSE(Types(temp.Store()).isEmpty());
    const QList<TRechner> rechner = ReadRechner(temp.Store(), false);
    EXPECT_FALSE(rechner.isEmpty());
    EXPECT_FALSE(ReadRechner(temp.Store(), true).isEmpty());
    for (const TRechner& entry : rechner) {
        EXPECT_TRUE(Types(temp.Store()).contains(entry.RTyp)) << entry.RNr;
    }
}

namespace {

QList<TRechner> ManyNumbers(int count)
{
    QList<TRechner> result;
    for (int i = 1; i <= count; ++i) {
        result << TRechner{i, u"Rechner %1"_s.arg(i), u'F', i % 2 == 0};
    }
    return result;
}

QRect CheckBoxRect(const TVTRTypRNrCheck& tree, const QModelIndex& index)
{
    QStyleOptionViewItem option;
    option.initFrom(&tree);
    option.rect = tree.visualRect(index);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    return tree.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &tree);
}

} // namespace

TEST(RTypRNrCheck, LoadsTheComputersOfTheCurrentStore)
{
    TempStore temp;
    SeedDemoComputers(temp.Store());
    TVTRTypRNrCheck tree;
    EXPECT_FALSE(tree.GetDataLoadedRTyp());
    EXPECT_FALSE(tree.GetDataLoadedRNr());

    tree.LoadData();
    EXPECT_TRUE(tree.GetDataLoadedRTyp());
    EXPECT_TRUE(tree.GetDataLoadedRNr());
    ASSERT_EQ(tree.GetRTypCount(), 4);
    EXPECT_EQ(tree.GetRTyp(0), u'A');
    EXPECT_EQ(tree.GetRTyp(3), u'Z');
    EXPECT_EQ(tree.GetRTyp(4), u' ');
    EXPECT_EQ(tree.GetRTyp(-1), u' ');
    const int all = tree.GetRNrCount();
    EXPECT_EQ(all, ReadRechner(temp.Store(), false).size());
    EXPECT_EQ(tree.GetRNr(0), 1);
    EXPECT_EQ(tree.GetRNr(all), 0);

    tree.SetOnlyMaster(true);
    tree.LoadData();
    const QList<TRechner> masters = ReadRechner(temp.Store(), true);
    ASSERT_EQ(tree.GetRNrCount(), masters.size());
    for (int i = 0; i < masters.size(); ++i) {
        EXPECT_EQ(tree.GetRNr(i), masters[i].RNr);
    }
    EXPECT_LT(tree.GetRNrCount(), all);
    EXPECT_EQ(tree.GetRTypCount(), 4); // types are not restricted
}

TEST(RTypRNrCheck, LoadsEmptyListsAsLoadedAndKeepsItsListsWhenTheStoreFails)
{
    TempStore temp;
    TVTRTypRNrCheck tree;
    tree.LoadData();
    EXPECT_TRUE(tree.GetDataLoadedRTyp());
    EXPECT_EQ(tree.GetRTypCount(), 0);
    EXPECT_EQ(tree.GetRNrCount(), 0);

    tree.SetData({{u'A', u"a"_s}}, ManyNumbers(3));
    temp.Exec(u"DROP TABLE rechner"_s);
    EXPECT_THROW(tree.LoadData(), StoreError);
    EXPECT_EQ(tree.GetRTypCount(), 1);
    EXPECT_EQ(tree.GetRNrCount(), 3);

    TStore* current = TStore::Current();
    TStore::SetCurrent(nullptr);
    EXPECT_THROW(tree.LoadData(), StoreError);
    TStore::SetCurrent(current);
}

TEST(RTypRNrCheck, MarksAreAddressedByValue)
{
    TVTRTypRNrCheck tree;
    tree.SetData({{u'A', u"a"_s}, {u'K', u"k"_s}, {u' ', u"blank"_s}, {u'A', u"doppelt"_s}},
                 {{500, u"x"_s, u'K', true}, {7, u"y"_s, u'A', true}, {0, u"null"_s, u'A', true}});
    ASSERT_EQ(tree.GetRTypCount(), 2);
    ASSERT_EQ(tree.GetRNrCount(), 2);

    tree.SetRTypChecked(u'K', true);
    tree.SetRNrChecked(7, true);
    EXPECT_FALSE(tree.GetRTypChecked(u'A'));
    EXPECT_TRUE(tree.GetRTypChecked(u'K'));
    EXPECT_TRUE(tree.GetRNrChecked(7));
    EXPECT_FALSE(tree.GetRNrChecked(500));
    EXPECT_EQ(tree.RNrIndex(1).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(tree.RNrIndex(1).siblingAtColumn(1).data().toString(), u"7"_s);

    tree.SetRTypChecked(u'Q', true); // not listed: ignored
    tree.SetRNrChecked(8, true);
    EXPECT_FALSE(tree.GetRTypChecked(u'Q'));
    EXPECT_FALSE(tree.GetRNrChecked(8));

    tree.SetRNrChecked(7, false);
    EXPECT_FALSE(tree.GetRNrChecked(7));

    tree.SetData({{u'K', u"k"_s}}, {{7, u"y"_s, u'A', true}});
    EXPECT_FALSE(tree.GetRTypChecked(u'K')); // a load starts unmarked
    EXPECT_FALSE(tree.GetRNrChecked(7));
}

TEST(RTypRNrCheck, TenThousandMarksReachTheViewAsOneChange)
{
    TVTRTypRNrCheck tree;
    tree.SetData({{u'F', u"Filiale"_s}}, ManyNumbers(10000));
    QSignalSpy changes(tree.model(), &QAbstractItemModel::dataChanged);
    for (int i = 0; i < tree.GetRNrCount(); ++i) {
        tree.SetRNrChecked(tree.GetRNr(i), i % 2 == 0);
    }
    tree.SetRTypChecked(u'F', true);
    EXPECT_EQ(changes.count(), 0);
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(changes.count(), 2);
    const auto rangeOf = [&](int call) {
        return std::pair{changes[call][0].value<QModelIndex>(), changes[call][1].value<QModelIndex>()};
    };
    const auto [top, bottom] = rangeOf(1);
    EXPECT_EQ(top, tree.RNrIndex(0));
    EXPECT_EQ(bottom, tree.RNrIndex(9998));
    EXPECT_EQ(rangeOf(0).first, tree.RTypIndex(0));
    EXPECT_TRUE(tree.GetRNrChecked(9999));
    EXPECT_FALSE(tree.GetRNrChecked(10000));
}

TEST(RTypRNrCheck, TheUserTogglesMarksBySpaceAndByClickAndGroupsByDoubleClick)
{
    TVTRTypRNrCheck tree;
    tree.SetCaptionRTyp(u"Rechnertypen"_s);
    tree.SetCaptionRNr(u"Rechner"_s);
    tree.SetData({{u'A', u"a"_s}}, ManyNumbers(5));
    tree.resize(445, 321);
    ASSERT_TRUE(ShowActive(tree));
    EXPECT_EQ(tree.RNrGroupIndex().data().toString(), u"Rechner"_s);
    EXPECT_TRUE(tree.isExpanded(tree.RNrGroupIndex()));

    tree.setFocus();
    tree.setCurrentIndex(tree.RNrIndex(2).siblingAtColumn(2)); // the name column
    QTest::keyClick(&tree, Qt::Key_Space);
    EXPECT_TRUE(tree.GetRNrChecked(3));
    QTest::keyClick(&tree, Qt::Key_Space);
    EXPECT_FALSE(tree.GetRNrChecked(3));

    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, CheckBoxRect(tree, tree.RTypIndex(0)).center());
    EXPECT_TRUE(tree.GetRTypChecked(u'A'));

    tree.setCurrentIndex(tree.RTypGroupIndex());
    QTest::keyClick(&tree, Qt::Key_Space); // a group has no mark
    EXPECT_TRUE(tree.GetRTypChecked(u'A'));

    const QPoint group = tree.visualRect(tree.RNrGroupIndex()).center();
    DoubleClick(tree.viewport(), group);
    EXPECT_FALSE(tree.isExpanded(tree.RNrGroupIndex()));
    DoubleClick(tree.viewport(), group);
    EXPECT_TRUE(tree.isExpanded(tree.RNrGroupIndex()));
}

// Writes the check tree with the demo computers to $VELDRAKE_SCREENSHOTS
// when that is set; otherwise only checks that it renders.
TEST(RTypRNrCheck, RendersTheDemoComputers)
{
    TempStore temp;
    SeedDemoComputers(temp.Store());
    TVTRTypRNrCheck tree;
    tree.SetCaptionRTyp(u"Rechnertypen"_s);
    tree.SetCaptionRNr(u"Rechner"_s);
    tree.SetOnlyMaster(true);
    tree.LoadData();
    tree.SetRTypChecked(u'F', true);
    tree.SetRNrChecked(101, true);
    tree.SetRNrChecked(301, true);
    tree.resize(445, 321);
    tree.show();
    QCoreApplication::sendPostedEvents();
    const QImage image = tree.grab().toImage();
    EXPECT_EQ(image.size(), tree.size() * image.devicePixelRatio());
    const QString dir = qEnvironmentVariable("VELDRAKE_SCREENSHOTS");
    if (!dir.isEmpty()) {
        ASSERT_TRUE(QDir().mkpath(dir));
        EXPECT_TRUE(image.save(QDir(dir).filePath(u"rechner-tree.png"_s)));
    }
}
