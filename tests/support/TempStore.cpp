#include "TempStore.h"

#include "host/KRNError.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

TempStore::TempStore()
{
    m_store = TStore::Open(Path());
    m_previous = TStore::Current();
    TStore::SetCurrent(m_store.get());
}

TempStore::~TempStore()
{
    TStore::SetCurrent(m_previous);
}

QString TempStore::Path() const
{
    return m_dir.filePath(QStringLiteral("store.sqlite"));
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
