#pragma once

// Shared set-up of the computer selection dialog's tests: the data module,
// the host's computers and a look at the assignment records.

#include "RecordingPresenter.h"

#include "data/MainDM.h"
#include "dialogs/RechnerU.h"
#include "host/core/KRNComponent.h"
#include "host/core/KRNError.h"
#include "host/core/Rechner.h"
#include "host/store/Store.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <string>

namespace rechner_test {

inline const QString kKennung = QStringLiteral("ABIL");

// Passes everything on to the recording presenter and counts what reached
// the user while the current store had a transaction open.
class WatchingPresenter final : public TKRNPresenter
{
public:
    explicit WatchingPresenter(RecordingPresenter& inner) : m_inner(inner) { KRNInfo().SetPresenter(this); }
    ~WatchingPresenter() override { KRNInfo().SetPresenter(&m_inner); }

    int ShowMeldung(const TMeldung& meldung) override
    {
        Note();
        return m_inner.ShowMeldung(meldung);
    }
    void ShowError(const QString& location, const QString& text) override
    {
        Note();
        m_inner.ShowError(location, text);
    }
    void ShowFailure(const QString& location, const QString& text, const QString& details) override
    {
        Note();
        m_inner.ShowFailure(location, text, details);
    }
    void ShowVersion(const QString& title, const QString& text, QObject* owner) override
    {
        m_inner.ShowVersion(title, text, owner);
    }

    int ShownInTransaction = 0;

private:
    void Note()
    {
        if (TStore::Current() && TStore::Current()->InTransaction()) {
            ++ShownInTransaction;
        }
    }

    RecordingPresenter& m_inner;
};

// The program-wide data module for one test, on the current store.
class DataModuleScope
{
public:
    DataModuleScope()
    {
        m_module.reset(new TdtmKOMMFilter());
        dtmKOMMFilter = m_module.get();
        m_module->RunCreateHandler();
    }
    ~DataModuleScope() { m_module.reset(); }
    DataModuleScope(const DataModuleScope&) = delete;
    DataModuleScope& operator=(const DataModuleScope&) = delete;

private:
    std::unique_ptr<TdtmKOMMFilter, TKRNFree> m_module;
};

inline void ImportComputers(TStore& store, const QString& text)
{
    ImportComputersCsvText(store, text, QStringLiteral("Test"));
}

// Books an assignment record directly, as another workstation would (with
// its saved setting, which the store requires).
inline void Assign(TStore& store, const QString& bezeichnung, QChar rtyp, qint32 rnr,
                   const QString& kennung = kKennung)
{
    if (!bezeichnung.isEmpty()) {
        QSqlQuery setting(store.Database());
        setting.prepare(
            QStringLiteral("INSERT INTO fidefile (Kennung, Bezeichnung) VALUES (?, ?) ON CONFLICT DO NOTHING"));
        setting.addBindValue(kennung);
        setting.addBindValue(bezeichnung);
        if (!setting.exec()) {
            throw StoreError(setting.lastError().text());
        }
    }
    QSqlQuery query(store.Database());
    query.prepare(
        QStringLiteral("INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr) VALUES (?, ?, ?, ?)"));
    query.addBindValue(kennung);
    query.addBindValue(bezeichnung.isNull() ? QStringLiteral("") : bezeichnung);
    query.addBindValue(QString(rtyp));
    query.addBindValue(rnr);
    if (!query.exec()) {
        throw StoreError(query.lastError().text());
    }
}

// A saved setting (a fidefile row), as the editor would have saved it.
inline void SaveSetting(TStore& store, const QString& bezeichnung, const QString& kennung = kKennung)
{
    QSqlQuery query(store.Database());
    query.prepare(QStringLiteral("INSERT INTO fidefile (Kennung, Bezeichnung) VALUES (?, ?)"));
    query.addBindValue(kennung);
    query.addBindValue(bezeichnung);
    if (!query.exec()) {
        throw StoreError(query.lastError().text());
    }
}

// The assignments of one saved setting as "T:X" and "N:123", types first,
// joined by blanks (readable in a failure message).
inline std::string Assignments(TStore& store, const QString& bezeichnung, const QString& kennung = kKennung)
{
    QSqlQuery query(store.Database());
    query.prepare(QStringLiteral("SELECT RTyp, RNr FROM fikofile WHERE Kennung = ? AND Bezeichnung = ?"
                                 " ORDER BY RNr <> 0, RTyp, RNr"));
    query.addBindValue(kennung);
    query.addBindValue(bezeichnung);
    if (!query.exec()) {
        throw StoreError(query.lastError().text());
    }
    QStringList result;
    while (query.next()) {
        const QString rtyp = query.value(0).toString();
        const qint32 rnr = query.value(1).toInt();
        result << (rnr == 0 ? QStringLiteral("T:") + rtyp : QStringLiteral("N:") + QString::number(rnr));
    }
    return result.join(QLatin1Char(' ')).toStdString();
}

} // namespace rechner_test
