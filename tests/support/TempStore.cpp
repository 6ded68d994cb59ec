#include "TempStore.h"

#include "TestBackend.h"

#include "host/core/KRNError.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <utility>

namespace {

QString& NextLocation()
{
    static QString location;
    return location;
}

} // namespace

void TempStore::UseNext(const QString& location)
{
    NextLocation() = location;
}

TempStore::TempStore() : m_location(std::exchange(NextLocation(), QString())), m_own(m_location.isEmpty())
{
    if (m_own) {
        m_location = TestBackend::NewLocation(m_dir.path());
    }
    m_store = TStore::Open(m_location);
    m_previous = TStore::Current();
    TStore::SetCurrent(m_store.get());
}

TempStore::~TempStore()
{
    TStore::SetCurrent(m_previous);
    m_store.reset();
    if (m_own) {
        TestBackend::Discard(m_location);
    }
}

QString TempStore::Path() const
{
    return m_location;
}

int TempStore::Count(const QString& sql)
{
    QSqlQuery query(m_store->Database());
    if (!query.exec(sql) || !query.next()) {
        throw StoreError(query.lastError().text());
    }
    return query.value(0).toInt();
}

void TempStore::Exec(const QString& sql)
{
    m_store->Exec(sql);
}

namespace {

QString FailureName(const QString& table)
{
    return table + QStringLiteral("_test_failure");
}

QString SqlText(QString text)
{
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

} // namespace

void TempStore::FailWhen(const QString& table, const QString& condition, const QString& message)
{
    const QString name = FailureName(table);
    if (!TestBackend::Postgres()) {
        Exec(
            QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT ON %2 WHEN %3 BEGIN SELECT RAISE(ABORT, %4); END")
                .arg(name, table, condition, SqlText(message)));
        return;
    }
    Exec(QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
                        " RAISE EXCEPTION USING MESSAGE = %2, ERRCODE = '23000'; END $$;"
                        " CREATE TRIGGER %1 BEFORE INSERT ON %3 FOR EACH ROW WHEN (%4) EXECUTE FUNCTION %1()")
             .arg(name, SqlText(message), table, condition));
}

void TempStore::DropFailure(const QString& table)
{
    const QString name = FailureName(table);
    if (!TestBackend::Postgres()) {
        Exec(QStringLiteral("DROP TRIGGER %1").arg(name));
        return;
    }
    Exec(QStringLiteral("DROP TRIGGER %1 ON %2; DROP FUNCTION %1()").arg(name, table));
}

void WriteDoubleServedStore(const QString& path)
{
    auto store = TStore::Open(path);
    for (const char* sql : {
             "DROP INDEX fikofile_rnr_eine_einstellung",
             "DROP INDEX fikofile_rtyp_eine_einstellung",
             "INSERT INTO fidefile (Kennung, Bezeichnung) VALUES ('ABIL', 'S1'), ('ABIL', 'S2'), ('ABIL', "
             "'S3')",
             "INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr) VALUES ('ABIL', 'S2', ' ', 5),"
             " ('ABIL', 'S1', ' ', 5), ('ABIL', 'S1', ' ', 6), ('ABIL', 'S3', 'A', 0), ('ABIL', 'S1', 'A', "
             "0)",
         }) {
        store->Exec(QString::fromLatin1(sql));
    }
}
