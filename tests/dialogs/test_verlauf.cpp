// The window "Verlauf": its filters, the words of each kind of entry, the
// pages of a long history with the rows of one unit of work together, and
// F9 from the main window, the chooser and the computer dialog. With
// VELDRAKE_SCREENSHOTS set, the window is written there as verlauf.png.
#include "DialogFixture.h"

#include "app/MainU.h"
#include "dialogs/LoadFilterU.h"
#include "dialogs/RechnerU.h"
#include "dialogs/VerlaufU.h"
#include "host/KRNControls.h"
#include "host/VTRTypRNrCheck.h"
#include "host/VTVRList.h"
#include "host/core/Rechner.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QTableView>

namespace {

struct TSeed
{
    QString Zeit; // UTC
    QString Einheit;
    QString Benutzer;
    QString Arbeitsplatz;
    QString Art;
    QString Kennung;
    QString Bezeichnung;
    QString RTyp = u" "_s;
    int RNr = 0;
    QString Vorher = {};
    QString Nachher = {};
    QString Rolle = {};
};

class VerlaufWindow : public DialogTest
{
protected:
    // Writes history rows as the recorders do, oldest first.
    void Seed(const QList<TSeed>& rows)
    {
        QSqlDatabase db = store.Store().Database();
        ASSERT_TRUE(db.transaction());
        QSqlQuery query(db);
        query.prepare(u"INSERT INTO verlauf (zeit, arbeitseinheit, benutzer, rolle, arbeitsplatz, programm, version,"
                      " art, kennung, bezeichnung, rtyp, rnr, vorher, nachher)"
                      " VALUES (?, ?, ?, ?, ?, 'veldrake', '1.2', ?, ?, ?, ?, ?, ?, ?)"_s);
        for (const TSeed& r : rows) {
            // The text columns hold no NULLs; vorher and nachher may.
            const auto text = [](const QString& value) { return QVariant(value.isNull() ? u""_s : value); };
            for (const QVariant& value :
                 {text(r.Zeit), text(r.Einheit), text(r.Benutzer), text(r.Rolle), text(r.Arbeitsplatz),
                  text(r.Art), text(r.Kennung), text(r.Bezeichnung), text(r.RTyp), QVariant(r.RNr),
                  r.Vorher.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(r.Vorher),
                  r.Nachher.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(r.Nachher)}) {
                query.addBindValue(value);
            }
            ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
        }
        ASSERT_TRUE(db.commit());
    }

    static QStringList Column(TVerlaufModell& model, int column)
    {
        QStringList cells;
        for (int row = 0; row < model.rowCount(); ++row) {
            cells << model.index(row, column).data().toString();
        }
        return cells;
    }

    // Scrolls the shown list down until the model has read every page.
    static void ScrollToEnd(TfrmVerlauf& f)
    {
        for (int guard = 0; guard < 100 && f.Modell().canFetchMore(QModelIndex()); ++guard) {
            f.grdVerlauf->scrollToBottom();
            QCoreApplication::processEvents();
        }
        EXPECT_FALSE(f.Modell().canFetchMore(QModelIndex()));
    }

    // Shows the window once, runs the check on it, and closes it.
    static void WhileShown(const TVerlaufSuche& vorauswahl, const std::function<void(TfrmVerlauf&)>& check)
    {
        TModalScripts scripts(TModalScripts::Doing([&](TKRNForm& f) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&f)); // its keys work
            check(static_cast<TfrmVerlauf&>(f));
            f.SetModalResult(mrCancel);
        }));
        VerlaufZeigen(vorauswahl);
        EXPECT_EQ(scripts.Shown(), QStringList{u"frmVerlauf"_s});
    }
};

TEST_F(VerlaufWindow, FiltersNarrowTheListNewestFirst)
{
    const QString jan = u"2024-01-10T12:00:00.000Z"_s, feb = u"2024-02-10T12:00:00.000Z"_s,
                  mar = u"2024-03-10T12:00:00.000Z"_s;
    Seed({{jan, u"u1"_s, u"anna"_s, u"PC1"_s, u"einstellung_angelegt"_s, kABIL, u"FILIALEN"_s},
          {jan, u"u1"_s, u"anna"_s, u"PC1"_s, u"zuordnung_hinzu"_s, kABIL, u"FILIALEN"_s, u" "_s, 101},
          {feb, u"u2"_s, u"bernd"_s, u"PC2"_s, u"zuordnung_hinzu"_s, kABIL, u"KASSE"_s, u"A"_s, 0},
          {feb, u"u2"_s, u"bernd"_s, u"PC2"_s, u"zuordnung_entfernt"_s, kABIL, u"FILIALEN"_s, u" "_s, 101},
          {mar, u"u3"_s, u"anna"_s, u"PC2"_s, u"filterart_aus"_s, kKBIL, QString()},
          {mar, u"u4"_s, u"carla"_s, u"PC3"_s, u"zuordnung_hinzu"_s, kKBIL, u"SHOP"_s, u" "_s, 102}});
    const QString e1 = u"Einstellung „FILIALEN“ angelegt"_s, e2 = u"Rechner 101 zugeordnet"_s,
                  e3 = u"Rechnertyp A zugeordnet"_s, e4 = u"Rechner 101 nicht mehr zugeordnet"_s,
                  e5 = u"Filterart Katalogbilder ausgeschaltet"_s, e6 = u"Rechner 102 zugeordnet"_s;
    struct Case
    {
        const char* Name;
        std::function<void(TfrmVerlauf&)> Set;
        QStringList Expected;
    };
    const std::vector<Case> cases = {
        {"none", [](TfrmVerlauf&) {}, {e6, e5, e4, e3, e2, e1}},
        {"kind", [](TfrmVerlauf& f) { f.cmbFilterart->setCurrentIndex(f.cmbFilterart->findData(kKBIL)); },
         {e6, e5}},
        {"setting", [](TfrmVerlauf& f) { f.edtEinstellung->setText(u"FILIALEN"_s); }, {e4, e2, e1}},
        {"number", [](TfrmVerlauf& f) { f.edtRNr->setText(u"101"_s); }, {e4, e2}},
        {"type", [](TfrmVerlauf& f) { f.edtRTyp->setText(u"A"_s); }, {e3}},
        {"user", [](TfrmVerlauf& f) { f.edtBenutzer->setText(u"anna"_s); }, {e5, e2, e1}},
        {"workstation", [](TfrmVerlauf& f) { f.edtArbeitsplatz->setText(u"PC2"_s); }, {e5, e4, e3}},
        {"since", [](TfrmVerlauf& f) { f.dtpSeit->setDate(QDate(2024, 2, 1)); }, {e6, e5, e4, e3}},
        {"until", [](TfrmVerlauf& f) { f.dtpBis->setDate(QDate(2024, 2, 15)); }, {e4, e3, e2, e1}},
        {"one day, both ends included",
         [](TfrmVerlauf& f) {
             f.dtpSeit->setDate(QDate(2024, 2, 10));
             f.dtpBis->setDate(QDate(2024, 2, 10));
         },
         {e4, e3}},
        {"kind, number and user together",
         [](TfrmVerlauf& f) {
             f.cmbFilterart->setCurrentIndex(f.cmbFilterart->findData(kABIL));
             f.edtRNr->setText(u"101"_s);
             f.edtBenutzer->setText(u"bernd"_s);
         },
         {e4}},
        {"a user nobody is", [](TfrmVerlauf& f) { f.edtBenutzer->setText(u"anne"_s); }, {}},
    };
    WhileShown({}, [&](TfrmVerlauf& f) {
        for (const Case& c : cases) {
            QTest::keyClick(&f, Qt::Key_F2); // all filters off
            c.Set(f);
            EXPECT_EQ(Column(f.Modell(), TVerlaufModell::spAenderung).join(u" | "_s).toStdString(),
                      c.Expected.join(u" | "_s).toStdString())
                << c.Name;
        }
    });
}

TEST_F(VerlaufWindow, EachKindOfEntryInWords)
{
    const QString t = u"2024-05-02T08:30:00.000Z"_s;
    Seed({{t, u"a"_s, u"anna"_s, u"PC1"_s, u"rechner_importiert"_s, QString(), QString(), u" "_s, 0, QString(),
           uR"({"Rechnertypen":3,"Rechner":12,"Quelle":"rechner.csv"})"_s},
          {t, u"b"_s, u"anna"_s, u"PC1"_s, u"einstellung_angelegt"_s, kABIL, u"FILIALEN"_s},
          {t, u"c"_s, u"anna"_s, u"PC1"_s, u"einstellung_geaendert"_s, kABIL, u"FILIALEN"_s, u" "_s, 0,
           uR"({"Beschreibung":"Filialen","Werte":{"GroesseBreite":1024,"BildLoeschen":false}})"_s,
           uR"({"Beschreibung":"Filialen","Werte":{"GroesseBreite":800,"BildLoeschen":true}})"_s},
          {t, u"d"_s, u"bernd"_s, u"PC2"_s, u"zuordnung_hinzu"_s, kABIL, u"FILIALEN"_s, u" "_s, 101},
          {t, u"d"_s, u"bernd"_s, u"PC2"_s, u"zuordnung_entfernt"_s, kABIL, u"FILIALEN"_s, u"B"_s, 0},
          {t, u"e"_s, u"bernd"_s, u"PC2"_s, u"filterart_an"_s, kKBIL, QString()},
          {t, u"f"_s, u"carla"_s, u"SERVER"_s, u"filterart_aus"_s, kABIL, QString(), u" "_s, 0, QString(),
           QString(), u"veldrake_ws"_s},
          {t, u"g"_s, u"carla"_s, u"SERVER"_s, u"einstellung_geloescht"_s, kABIL, u"ALT"_s}});
    using M = TVerlaufModell;
    struct Case
    {
        QString Aenderung;
        QString Filterart;
        QString Rechner;
    };
    // Newest first.
    const std::vector<Case> expected = {
        {u"Einstellung „ALT“ gelöscht"_s, u"Artikelbilder"_s, QString()},
        {u"Filterart Artikelbilder ausgeschaltet"_s, u"Artikelbilder"_s, QString()},
        {u"Filterart Katalogbilder eingeschaltet"_s, u"Katalogbilder"_s, QString()},
        {u"Rechnertyp B nicht mehr zugeordnet"_s, u"Artikelbilder"_s, u"Rechnertyp B"_s},
        {u"Rechner 101 zugeordnet"_s, u"Artikelbilder"_s, u"Rechner 101"_s},
        {u"Bild nicht übertragen: nein → ja; max. Breite: 1024 → 800"_s, u"Artikelbilder"_s, QString()},
        {u"Einstellung „FILIALEN“ angelegt"_s, u"Artikelbilder"_s, QString()},
        {u"3 Rechnertypen und 12 Rechner eingelesen aus rechner.csv"_s, QString(), QString()},
    };
    WhileShown({}, [&](TfrmVerlauf& f) {
        ASSERT_EQ(f.Modell().rowCount(), static_cast<int>(expected.size()));
        for (int row = 0; row < f.Modell().rowCount(); ++row) {
            const auto cell = [&](int column) { return f.Modell().index(row, column).data().toString(); };
            EXPECT_EQ(cell(M::spAenderung), expected[row].Aenderung) << row;
            EXPECT_EQ(cell(M::spFilterart), expected[row].Filterart) << row;
            EXPECT_EQ(cell(M::spRechner), expected[row].Rechner) << row;
            EXPECT_EQ(cell(M::spProgramm), u"veldrake 1.2"_s) << row;
            EXPECT_EQ(cell(M::spZeit), QDateTime::fromString(t, Qt::ISODateWithMs)
                                           .toLocalTime()
                                           .toString(u"dd.MM.yyyy HH:mm:ss"_s));
        }
        EXPECT_EQ(f.Modell().index(1, M::spBenutzer).data().toString(), u"carla (veldrake_ws)"_s);
        EXPECT_TRUE(f.Caption().startsWith(u"Verlauf - "_s));
        const QString dir = qEnvironmentVariable("VELDRAKE_SCREENSHOTS");
        if (!dir.isEmpty()) {
            ASSERT_TRUE(QDir().mkpath(dir));
            EXPECT_TRUE(f.grab().toImage().save(QDir(dir).filePath(u"verlauf.png"_s)));
        }
    });
}

// 1,000 rows in units of work of three, every other one for computer 101.
TEST_F(VerlaufWindow, PagesFollowTheScrollingAndKeepUnitsOfWorkTogether)
{
    QList<TSeed> rows;
    for (int i = 0; i < 1000; ++i) {
        rows.append({u"2024-06-01T10:00:00.000Z"_s, QString::number(i / 3), u"anna"_s, u"PC1"_s,
                     u"zuordnung_hinzu"_s, kABIL, u"S"_s, u" "_s, i % 2 == 0 ? 101 : 102});
    }
    Seed(rows);
    const qint64 first = store.Count(u"SELECT min(id) FROM verlauf"_s);
    WhileShown({}, [&](TfrmVerlauf& f) {
        TVerlaufModell& m = f.Modell();
        EXPECT_EQ(m.rowCount(), TVerlaufModell::Seite); // only the first page is read at the start
        ScrollToEnd(f);
        ASSERT_EQ(m.rowCount(), 1000);
        for (int row = 1; row < m.rowCount(); ++row) {
            ASSERT_EQ(m.Id(row), m.Id(row - 1) - 1) << row;
            const bool sameUnit = (m.Id(row) - first) / 3 == (m.Id(row - 1) - first) / 3;
            ASSERT_EQ(m.Gruppe(row) == m.Gruppe(row - 1), sameUnit) << row;
            ASSERT_EQ(m.index(row, 0).data(Qt::BackgroundRole) == m.index(row - 1, 0).data(Qt::BackgroundRole),
                      sameUnit)
                << row;
        }

        f.edtRNr->setText(u"101"_s);
        EXPECT_EQ(m.rowCount(), TVerlaufModell::Seite);
        ScrollToEnd(f);
        const QStringList rechner = Column(m, TVerlaufModell::spRechner);
        EXPECT_EQ(rechner.size(), 500);
        EXPECT_EQ(rechner.count(u"Rechner 101"_s), 500);
    });
}

// F9 opens the window with the filter for what is selected where it is pressed.
TEST_F(VerlaufWindow, F9OpensItForTheSelectedItem)
{
    ImportComputersCsvText(store.Store(), u"Rechnertyp;A;Außendienst\nRechnertyp;B;Büro\nRechner;7;Sieben;B;1\n"_s,
                           u"Test"_s);
    AddSetting(kABIL, u"FILIALEN"_s);
    AddSetting(kABIL, u"KASSE"_s);
    std::optional<TVerlaufSuche> opened;
    const auto pressF9 = [&](TKRNForm& f) {
        opened.reset();
        TModalScripts scripts(TModalScripts::Doing([&](TKRNForm& verlauf) {
            opened = static_cast<TfrmVerlauf&>(verlauf).Suche();
            verlauf.SetModalResult(mrCancel);
        }));
        QTest::keyClick(&f, Qt::Key_F9);
        EXPECT_EQ(scripts.Shown(), QStringList{u"frmVerlauf"_s});
    };

    auto main = KRNCreateForm<TfrmMain>();
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    pressF9(*main);
    main->hide();
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened->Filter.Kennung.isEmpty());
    EXPECT_TRUE(opened->Filter.Bezeichnung.isEmpty());

    auto chooser = KRNCreateForm<TfrmLoad>();
    chooser->SetFilterKennung(kABIL);
    ShowAndDo<TfrmLoad>(*chooser, [&](TfrmLoad& f) {
        f.vtFIDEList->SetFocusedCell(1, 0);
        pressF9(f);
    });
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->Filter.Kennung, kABIL);
    EXPECT_EQ(opened->Filter.Bezeichnung, u"KASSE"_s);

    auto rechner = KRNCreateForm<TfrmRechner>();
    rechner->SetFilterKennung(kABIL);
    rechner->SetFilterBezeichnung(u"FILIALEN"_s);
    struct Case
    {
        const char* Name;
        std::function<QModelIndex(TVTRTypRNrCheck&)> Select;
        std::optional<QChar> RTyp;
        std::optional<qint32> RNr;
        QString Bezeichnung;
    };
    const std::vector<Case> cases = {
        {"type", [](TVTRTypRNrCheck& t) { return t.RTypIndex(1); }, QChar(u'B'), std::nullopt, QString()},
        {"number", [](TVTRTypRNrCheck& t) { return t.RNrIndex(0); }, std::nullopt, 7, QString()},
        {"a group heading: the setting",
         [](TVTRTypRNrCheck& t) { return t.RNrGroupIndex(); }, std::nullopt, std::nullopt, u"FILIALEN"_s},
    };
    for (const Case& c : cases) {
        ShowAndDo<TfrmRechner>(*rechner, [&](TfrmRechner& f) {
            f.vtRTypRNrCheck->setCurrentIndex(c.Select(*f.vtRTypRNrCheck));
            pressF9(f);
        });
        ASSERT_TRUE(opened) << c.Name;
        EXPECT_EQ(opened->Filter.RTyp, c.RTyp) << c.Name;
        EXPECT_EQ(opened->Filter.RNr, c.RNr) << c.Name;
        EXPECT_EQ(opened->Filter.Bezeichnung, c.Bezeichnung) << c.Name;
    }

    auto verlauf = KRNCreateForm<TfrmVerlauf>();
    EXPECT_EQ(ShowAndDo<TfrmVerlauf>(*verlauf, [](TfrmVerlauf& f) { QTest::keyClick(&f, Qt::Key_Escape); }),
              mrCancel);
}

} // namespace

// The way back from the window: F5 writes the selected version back (after
// asking, since the setting holds other values now), F6 sets the
// assignments of the selected confirmation back; each is offered only where
// the entry allows it, and its own entry comes on top.
TEST_F(VerlaufWindow, F5RestoresTheSelectedVersionAndF6SetsAConfirmationBack)
{
    const auto einheit = [&](const QString& sql) {
        TStoreTransaction transaction(store.Store());
        store.Exec(sql);
        transaction.Commit();
    };
    einheit(u"INSERT INTO fidefile (Kennung, Bezeichnung, Beschreibung, Einstellungen) VALUES"
            " ('ABIL', 'S', 'alt', '{\"GroesseBreite\":1024}')"_s);
    einheit(u"UPDATE fidefile SET Beschreibung = 'neu', Einstellungen = '{\"GroesseBreite\":800}'"_s);
    einheit(u"INSERT INTO fikofile VALUES ('ABIL', 'S', ' ', 101)"_s);
    presenter.Answer(mrYes);
    WhileShown({}, [&](TfrmVerlauf& f) {
        const QStringList arten = Column(f.Modell(), TVerlaufModell::spAenderung);
        ASSERT_EQ(arten.size(), 3) << arten.join(u" / "_s).toStdString();
        f.grdVerlauf->setCurrentIndex(f.Modell().index(1, 0)); // the change: no assignments
        EXPECT_TRUE(f.spbWiederherstellen->isEnabled());
        EXPECT_FALSE(f.spbZuruecksetzen->isEnabled());

        f.grdVerlauf->setCurrentIndex(f.Modell().index(2, 0)); // created with 'alt'
        QTest::keyClick(&f, Qt::Key_F5);
        EXPECT_EQ(store.Count(u"SELECT COUNT(*) FROM fidefile WHERE Beschreibung = 'alt'"_s), 1);
        EXPECT_TRUE(f.Modell().index(0, TVerlaufModell::spAenderung).data().toString().contains(
            u"wiederhergestellt aus der Fassung vom"_s));

        const int zugeordnet = static_cast<int>(
            Column(f.Modell(), TVerlaufModell::spAenderung).indexOf(u"Rechner 101 zugeordnet"_s));
        ASSERT_GE(zugeordnet, 0);
        f.grdVerlauf->setCurrentIndex(f.Modell().index(zugeordnet, 0));
        ASSERT_TRUE(f.spbZuruecksetzen->isEnabled());
        QTest::keyClick(&f, Qt::Key_F6);
        EXPECT_EQ(store.Count(u"SELECT COUNT(*) FROM fikofile WHERE RNr = 101"_s), 0);
    });
    EXPECT_EQ(presenter.Numbers(), QList<int>{1040});
    EXPECT_TRUE(presenter.Errors.isEmpty());
}
