// Confirming the computer dialog on a large installation, next to the bare
// SQL statements that check and book the same rows in one transaction.
//
// 100 computer types and 10,000 computer numbers, half of each marked; the
// setting holds a quarter of them before (so the booking inserts and
// deletes); the store holds 100,000 assignment records of other settings.
// Each run works on a fresh copy of the same store; runs alternate between
// the ways so that none profits from a warmer cache. The bare ways are the
// statements entry by entry and the same work as four set statements.
// Last, the statements a confirmation sends are counted for 10 marks and
// for 10,000 (every number) marks.
//
//   bench_rechner [runs] [store URI]   (default 5; the URI, VELDRAKE_STORE or
//                                       VELDRAKE_TEST_PG: PostgreSQL)
//
// With BENCH_RECHNER_EINZELN=mit or =ohne it confirms every number once,
// with or without the history (mit-halbe, ohne-halbe: the runs' marks), and
// ends: for a profiler, e.g.
//   valgrind --tool=callgrind --toggle-collect='TfrmRechner::btnWeiterClick*'

#include "BenchStores.h"

#include "data/MainDM.h"
#include "dialogs/RechnerU.h"
#include "host/KRNControls.h"
#include "host/KRNForm.h"
#include "host/VTRTypRNrCheck.h"
#include "host/core/KRNComponent.h"
#include "host/core/KRNError.h"
#include "host/core/KRNInfo.h"
#include "host/store/PostgresAddress.h"
#include "host/store/Store.h"

#include <QApplication>
#include <QFile>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kTypen = 100;
constexpr int kNummern = 10000;
constexpr int kFremdeZuordnungen = 100000;
const QString kKennung = QStringLiteral("ABIL");
const QString kBezeichnung = QStringLiteral("BENCH");

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

QChar Typ(int i)
{
    return QChar(char16_t(0x100 + i)); // letters of Latin Extended-A
}
qint32 Nummer(int i)
{
    return i + 1;
}
bool Markiert(int i)
{
    return i % 2 == 1;
}
bool VorherGebucht(int i)
{
    return i % 4 == 0;
}

void Check(bool ok, const QSqlQuery& query)
{
    if (!ok) {
        throw StoreError(query.lastError().text());
    }
}

// Any message or failure report means the run did not do what it measures.
class CountingPresenter final : public TKRNPresenter
{
public:
    int ShowMeldung(const TMeldung& meldung) override
    {
        std::fprintf(stderr, "unexpected message %d\n", meldung.Number);
        ++Shown;
        return mrNo;
    }
    void ShowError(const QString& location, const QString& text) override
    {
        std::fprintf(stderr, "failure in %s: %s\n", qPrintable(location), qPrintable(text));
        ++Shown;
    }
    void ShowVersion(const QString&, const QString&, QObject*) override {}
    int Shown = 0;
};

void BuildStore(const QString& path)
{
    const auto store = TStore::Open(path);
    QSqlDatabase db = store->Database();
    TStoreTransaction transaction(*store);
    QSqlQuery query(db);
    Check(query.prepare(QStringLiteral("INSERT INTO rechnertyp (RTyp, Name) VALUES (?, ?)")), query);
    for (int i = 0; i < kTypen; ++i) {
        query.addBindValue(QString(Typ(i)));
        query.addBindValue(QStringLiteral("Typ %1").arg(i));
        Check(query.exec(), query);
    }
    Check(query.prepare(QStringLiteral("INSERT INTO rechner (RNr, Name, RTyp, Master) VALUES (?, ?, ?, 1)")),
          query);
    for (int i = 0; i < kNummern; ++i) {
        query.addBindValue(Nummer(i));
        query.addBindValue(QStringLiteral("Rechner %1").arg(Nummer(i)));
        query.addBindValue(QString(Typ(i % kTypen)));
        Check(query.exec(), query);
    }
    Check(query.prepare(QStringLiteral("INSERT INTO fidefile (Kennung, Bezeichnung) VALUES (?, ?)")), query);
    query.addBindValue(kKennung);
    query.addBindValue(kBezeichnung);
    Check(query.exec(), query);

    QSqlQuery setting(db);
    Check(setting.prepare(QStringLiteral("INSERT INTO fidefile (Kennung, Bezeichnung) VALUES (?, ?)")),
          setting);
    QSet<QString> settings{kKennung + QLatin1Char('/') + kBezeichnung};
    Check(query.prepare(
              QStringLiteral("INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr) VALUES (?, ?, ?, ?)")),
          query);
    auto insert = [&](const QString& kennung, const QString& bezeichnung, QChar rtyp, qint32 rnr) {
        if (!settings.contains(kennung + QLatin1Char('/') + bezeichnung)) {
            settings.insert(kennung + QLatin1Char('/') + bezeichnung);
            setting.addBindValue(kennung);
            setting.addBindValue(bezeichnung);
            Check(setting.exec(), setting);
        }
        query.addBindValue(kennung);
        query.addBindValue(bezeichnung);
        query.addBindValue(QString(rtyp));
        query.addBindValue(rnr);
        Check(query.exec(), query);
    };
    // The setting's own assignments before the dialog is confirmed.
    for (int i = 0; i < kTypen; ++i) {
        if (VorherGebucht(i)) {
            insert(kKennung, kBezeichnung, Typ(i), 0);
        }
    }
    for (int i = 0; i < kNummern; ++i) {
        if (VorherGebucht(i)) {
            insert(kKennung, kBezeichnung, QLatin1Char(' '), Nummer(i));
        }
    }
    // Other settings of the same kind hold the types this one leaves
    // unmarked and numbers beyond the host's; a second kind holds numbers
    // the host knows.
    int fremde = 0;
    for (int i = 0; i < kTypen; ++i) {
        if (!Markiert(i) && !VorherGebucht(i)) {
            insert(kKennung, QStringLiteral("ANDERE%1").arg(i % 7), Typ(i), 0);
            ++fremde;
        }
    }
    const int gleicheArt = 60000 - fremde;
    for (int n = 0; n < gleicheArt; ++n) {
        insert(kKennung, QStringLiteral("ANDERE%1").arg(n / 100, 3, 10, QLatin1Char('0')), QLatin1Char(' '),
               kNummern + 1 + n);
    }
    for (int n = 0; n < kFremdeZuordnungen - 60000; ++n) {
        insert(QStringLiteral("KBIL"), QStringLiteral("KATALOG%1").arg(n / 100, 3, 10, QLatin1Char('0')),
               QLatin1Char(' '), n + 1);
    }
    transaction.Commit();
}

// Rows of the setting after a run, for comparing the two ways.
int SettingRows(TStore& store)
{
    QSqlQuery query(store.Database());
    query.prepare(QStringLiteral("SELECT count(*) FROM fikofile WHERE Kennung = ? AND Bezeichnung = ?"));
    query.addBindValue(kKennung);
    query.addBindValue(kBezeichnung);
    Check(query.exec() && query.next(), query);
    return query.value(0).toInt();
}

struct TLauf
{
    double Ms = 0;
    double ShowMs = 0;
    int Rows = 0;
    qint64 Statements = 0;
};

// Which entries the user marks: type index or number index.
struct TMarken
{
    std::function<bool(int)> Typ;
    std::function<bool(int)> Nummer;
};
const TMarken kHalbe{Markiert, Markiert};

// The dialog: shown (lists loaded, marks from the store), marks set as the
// user would, then "Speichern" timed.
TLauf DialogLauf(const QString& path, const TMarken& marken = kHalbe, bool mitVerlauf = true)
{
    const auto store = TStore::Open(path);
    TStore::SetCurrent(store.get());
    // A connection sets up its history at its first unit of work (on SQLite
    // its TEMP triggers and tables): once per connection, not part of the
    // confirmation, so both ways do it before.
    TStoreTransaction(*store).Commit();
    if (!mitVerlauf) {
        // The same confirmation with the history's triggers dropped and the
        // program's own recording of a bulk booking silenced.
        store->SetHistoryQuiet(true);
        const bool server = IsPostgresAddress(path);
        for (const char* tabelle : {"fidefile", "fikofile"}) {
            for (const char* ereignis : {"insert", "update", "delete"}) {
                store->Exec(server ? QStringLiteral("DROP TRIGGER %1_verlauf_%2 ON %1")
                                         .arg(QLatin1String(tabelle), QLatin1String(ereignis))
                                   : QStringLiteral("DROP TRIGGER temp.%1_verlauf_%2")
                                         .arg(QLatin1String(tabelle), QLatin1String(ereignis)));
            }
        }
        if (!server) {
            // and those that collect a bulk booking's rows
            store->Exec(QStringLiteral("DROP TRIGGER temp.fikofile_verlauf_sammeln_insert"));
            store->Exec(QStringLiteral("DROP TRIGGER temp.fikofile_verlauf_sammeln_delete"));
        }
    }
    TLauf lauf;
    {
        std::unique_ptr<TdtmKOMMFilter, TKRNFree> dtm(new TdtmKOMMFilter());
        dtmKOMMFilter = dtm.get();
        dtm->RunCreateHandler();
        auto form = KRNCreateForm<TfrmRechner>();
        form->SetFilterKennung(kKennung);
        form->SetFilterBezeichnung(kBezeichnung);
        TModalScripts scripts(TModalScripts::Doing([&](TKRNForm&) {
            TVTRTypRNrCheck& tree = *form->vtRTypRNrCheck;
            for (int i = 0; i < kTypen; ++i) {
                tree.SetRTypChecked(Typ(i), marken.Typ(i));
            }
            for (int i = 0; i < kNummern; ++i) {
                tree.SetRNrChecked(Nummer(i), marken.Nummer(i));
            }
            const qint64 before = store->StatementCount();
            const auto start = Clock::now();
            form->btnWeiterClick(form->spbBuchen);
            lauf.Ms = MsSince(start);
            lauf.Statements = store->StatementCount() - before;
        }));
        const auto start = Clock::now();
        form->RunShowHandler();
        lauf.ShowMs = MsSince(start);
        if (form->vtRTypRNrCheck->GetRNrCount() != kNummern ||
            form->vtRTypRNrCheck->GetRTypCount() != kTypen) {
            throw KRNException(QStringLiteral("Die Rechnerlisten sind unvollständig."));
        }
        if (KRNRunModal(*form) != mrOk) {
            throw KRNException(QStringLiteral("Der Dialog hat nicht gebucht."));
        }
    }
    lauf.Rows = SettingRows(*store);
    TStore::SetCurrent(nullptr);
    return lauf;
}

// The same checks and bookings as bare prepared statements in one
// transaction.
TLauf BareLauf(const QString& path)
{
    const auto store = TStore::Open(path);
    TLauf lauf;
    const auto start = Clock::now();
    {
        TStoreTransaction transaction(*store);
        QSqlDatabase db = store->Database();
        QSqlQuery typCheck(db);
        QSqlQuery nrCheck(db);
        QSqlQuery insert(db);
        QSqlQuery remove(db);
        for (QSqlQuery* q : {&typCheck, &nrCheck, &insert, &remove}) {
            q->setForwardOnly(true);
        }
        Check(typCheck.prepare(QStringLiteral("SELECT Bezeichnung FROM fikofile WHERE Kennung = ? AND RTyp = "
                                              "? AND Bezeichnung <> ? LIMIT 1")),
              typCheck);
        Check(nrCheck.prepare(QStringLiteral("SELECT Bezeichnung FROM fikofile WHERE Kennung = ? AND RNr = ? "
                                             "AND Bezeichnung <> ? LIMIT 1")),
              nrCheck);
        Check(insert.prepare(QStringLiteral(
                  "INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr) VALUES (?, ?, ?, ?)")),
              insert);
        Check(remove.prepare(QStringLiteral(
                  "DELETE FROM fikofile WHERE Kennung = ? AND Bezeichnung = ? AND RTyp = ? AND RNr = ?")),
              remove);
        auto conflict = [&](QSqlQuery& q, const QVariant& value) {
            q.bindValue(0, kKennung);
            q.bindValue(1, value);
            q.bindValue(2, kBezeichnung);
            Check(q.exec(), q);
            const bool found = q.next();
            q.finish();
            return found;
        };
        for (int i = 0; i < kTypen; ++i) {
            if (Markiert(i) && conflict(typCheck, QString(Typ(i)))) {
                throw KRNException(QStringLiteral("Konflikt"));
            }
        }
        for (int i = 0; i < kNummern; ++i) {
            if (Markiert(i) && conflict(nrCheck, Nummer(i))) {
                throw KRNException(QStringLiteral("Konflikt"));
            }
        }
        auto book = [&](QChar rtyp, qint32 rnr, bool on, bool before) {
            if (on && before) {
                return; // the row is there
            }
            QSqlQuery& q = on ? insert : remove;
            q.bindValue(0, kKennung);
            q.bindValue(1, kBezeichnung);
            q.bindValue(2, QString(rtyp));
            q.bindValue(3, rnr);
            Check(q.exec(), q);
        };
        for (int i = 0; i < kTypen; ++i) {
            book(Typ(i), 0, Markiert(i), VorherGebucht(i));
        }
        for (int i = 0; i < kNummern; ++i) {
            book(QLatin1Char(' '), Nummer(i), Markiert(i), VorherGebucht(i));
        }
        transaction.Commit();
    }
    lauf.Ms = MsSince(start);
    lauf.Rows = SettingRows(*store);
    return lauf;
}

// The same work as four set statements on bare prepared queries: the rows
// of other settings for the marked entries, the removal of the unmarked
// ones and the insertion of the missing marked ones.
TLauf BareMengeLauf(const QString& path)
{
    const auto store = TStore::Open(path);
    TLauf lauf;
    const QString typen = store->ListSql(TStoreListKind::Text);
    const QString nummern = store->ListSql(TStoreListKind::Integer);
    auto liste = [](bool markiert, int count, const std::function<QString(int)>& wert) {
        QStringList werte;
        for (int i = 0; i < count; ++i) {
            if (Markiert(i) == markiert) {
                werte << wert(i);
            }
        }
        return QLatin1Char('[') + werte.join(QLatin1Char(',')) + QLatin1Char(']');
    };
    const auto typ = [](int i) { return QLatin1Char('"') + QString(Typ(i)) + QLatin1Char('"'); };
    const auto nummer = [](int i) { return QString::number(Nummer(i)); };
    const auto start = Clock::now();
    {
        TStoreTransaction transaction(*store);
        auto run = [&](const QString& sql, const QVariantList& values) {
            QSqlQuery q(store->Database());
            q.setForwardOnly(true);
            Check(q.prepare(sql), q);
            for (const QVariant& v : values) {
                q.addBindValue(v);
            }
            Check(q.exec(), q);
            return q;
        };
        QSqlQuery rows =
            run(QStringLiteral("SELECT Bezeichnung, RTyp, RNr FROM fikofile WHERE Kennung = ?"
                               " AND Bezeichnung <> ? AND (RTyp IN (%1) OR RNr IN (%2))"
                               " ORDER BY Kennung, Bezeichnung, RTyp, RNr")
                    .arg(typen, nummern),
                {kKennung, kBezeichnung, liste(true, kTypen, typ), liste(true, kNummern, nummer)});
        if (rows.next()) {
            throw KRNException(QStringLiteral("Konflikt"));
        }
        run(QStringLiteral("DELETE FROM fikofile WHERE Kennung = ? AND Bezeichnung = ?"
                           " AND ((RNr = 0 AND RTyp IN (%1)) OR (RTyp = ' ' AND RNr IN (%2)))")
                .arg(typen, nummern),
            {kKennung, kBezeichnung, liste(false, kTypen, typ), liste(false, kNummern, nummer)});
        const QString einfuegen = QStringLiteral("INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr) "
                                                 "SELECT CAST(? AS TEXT), CAST(? AS TEXT), %1"
                                                 " FROM (%2) l WHERE NOT EXISTS (SELECT 1 FROM fikofile f "
                                                 "WHERE f.Kennung = ? AND f.Bezeichnung = ?"
                                                 " AND f.RTyp = %3 AND f.RNr = %4)");
        run(einfuegen.arg(QStringLiteral("l.value, 0"), typen, QStringLiteral("l.value"),
                          QStringLiteral("0")),
            {kKennung, kBezeichnung, liste(true, kTypen, typ), kKennung, kBezeichnung});
        run(einfuegen.arg(QStringLiteral("' ', l.value"), nummern, QStringLiteral("' '"),
                          QStringLiteral("l.value")),
            {kKennung, kBezeichnung, liste(true, kNummern, nummer), kKennung, kBezeichnung});
        transaction.Commit();
    }
    lauf.Ms = MsSince(start);
    lauf.Rows = SettingRows(*store);
    return lauf;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // progress shows as it comes
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    CountingPresenter presenter;
    KRNInfo().SetPresenter(&presenter);
    try {
        TBenchStores stores(argc > 2 ? argv[2] : nullptr);
        const QString vorlage = stores.New(QStringLiteral("vorlage"));
        auto start = Clock::now();
        BuildStore(vorlage);
        std::printf("%s store: %d types, %d numbers, %d assignments of other settings (built in %.0f ms)\n",
                    qPrintable(stores.Backend()), kTypen, kNummern, kFremdeZuordnungen, MsSince(start));

        // One confirmation of every number alone, for a profiler:
        // BENCH_RECHNER_EINZELN=mit (with its history) or ohne.
        if (const QString einzeln = qEnvironmentVariable("BENCH_RECHNER_EINZELN"); !einzeln.isEmpty()) {
            const TMarken alle{Markiert, [](int) { return true; }};
            const TLauf l =
                DialogLauf(stores.Copy(QStringLiteral("vorlage"), QStringLiteral("einzeln")),
                           einzeln.endsWith(u"-halbe") ? kHalbe : alle, einzeln.startsWith(u"mit"));
            std::printf("one confirmation %s history: %.1f ms, %lld statements, %d rows\n",
                        einzeln.startsWith(u"mit") ? "with" : "without", l.Ms, static_cast<long long>(l.Statements),
                        l.Rows);
            return 0;
        }
        std::vector<double> dialog;
        std::vector<double> show;
        std::vector<double> bare;
        std::vector<double> menge;
        std::vector<double> ohneVerlauf;
        for (int run = 0; run < runs; ++run) {
            const TLauf ohne = DialogLauf(
                stores.Copy(QStringLiteral("vorlage"), QStringLiteral("ohne%1").arg(run)), kHalbe, false);
            ohneVerlauf.push_back(ohne.Ms);
            const TLauf nackt =
                BareLauf(stores.Copy(QStringLiteral("vorlage"), QStringLiteral("bare%1").arg(run)));
            const TLauf satz =
                BareMengeLauf(stores.Copy(QStringLiteral("vorlage"), QStringLiteral("menge%1").arg(run)));
            const TLauf lauf =
                DialogLauf(stores.Copy(QStringLiteral("vorlage"), QStringLiteral("dialog%1").arg(run)));
            if (nackt.Rows != lauf.Rows || satz.Rows != lauf.Rows) {
                throw KRNException(QStringLiteral("Die Wege buchen verschieden: %1 / %2 / %3")
                                       .arg(nackt.Rows)
                                       .arg(satz.Rows)
                                       .arg(lauf.Rows));
            }
            bare.push_back(nackt.Ms);
            menge.push_back(satz.Ms);
            dialog.push_back(lauf.Ms);
            show.push_back(lauf.ShowMs);
            std::printf(
                "run %d: bare SQL entry by entry %.1f ms, bare set statements %.1f ms, btnWeiterClick %.1f ms"
                " (%lld statements; FormShow %.1f ms), %d rows booked\n",
                run, nackt.Ms, satz.Ms, lauf.Ms, static_cast<long long>(lauf.Statements), lauf.ShowMs,
                lauf.Rows);
        }
        const double d = Median(dialog);
        std::printf(
            "median of %d runs: bare entry by entry %.1f ms, bare set statements %.1f ms, btnWeiterClick"
            " %.1f ms; ratio to set statements %.2f, to entry by entry %.2f; FormShow %.1f ms\n",
            runs, Median(bare), Median(menge), d, d / Median(menge), d / Median(bare), Median(show));
        std::printf("btnWeiterClick with its history %.1f ms, without (triggers dropped) %.1f ms: %.2f x\n", d,
                    Median(ohneVerlauf), d / Median(ohneVerlauf));

        const TMarken zehn{[](int) { return false; }, [](int i) { return i < 10; }};
        const TMarken alle{Markiert, [](int) { return true; }};
        const TLauf z = DialogLauf(stores.Copy(QStringLiteral("vorlage"), QStringLiteral("zehn")), zehn);
        const TLauf a = DialogLauf(stores.Copy(QStringLiteral("vorlage"), QStringLiteral("alle")), alle);
        std::printf(
            "statements sent by a confirmation: %lld for 10 marks (%.1f ms), %lld for %d marks (%.1f ms)\n",
            static_cast<long long>(z.Statements), z.Ms, static_cast<long long>(a.Statements),
            kNummern + kTypen / 2, a.Ms);
        if (presenter.Shown > 0) {
            std::printf("FAILED: %d messages or failure reports\n", presenter.Shown);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_rechner: %s\n", qPrintable(KRNExceptionText(e)));
        return 1;
    }
    KRNInfo().SetPresenter(nullptr);
    return 0;
}
