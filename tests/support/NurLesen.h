#pragma once

// Makes a test's store one the program may only read: on SQLite the file is
// made immutable (chattr +i; needs root on a file system that has it), on
// the server a role with the reader's rights is used. Undone at the end.
#include "TempStore.h"
#include "TestBackend.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QUrl>

// A login role of the test server, and the store's location as that role.
struct TRolle
{
    static QString Anlegen(TempStore& store, const QString& name)
    {
        store.Exec(QStringLiteral("DO $$ BEGIN CREATE ROLE %1 LOGIN; EXCEPTION WHEN duplicate_object THEN NULL;"
                                  " END $$")
                       .arg(name));
        QUrl url(store.Path());
        url.setUserName(name);
        return url.toString();
    }
};

class TNurLesen
{
public:
    explicit TNurLesen(TempStore& store) : m_store(store)
    {
        if (TestBackend::Postgres()) {
            m_ort = TRolle::Anlegen(store, QStringLiteral("nl_leser"));
            m_bereit = store.Store().Grant(false, QStringLiteral("nl_leser"));
        } else {
            m_ort = store.Path();
            m_bereit = Chattr(QStringLiteral("+i"));
        }
    }
    ~TNurLesen()
    {
        if (m_bereit && !TestBackend::Postgres()) {
            Chattr(QStringLiteral("-i"));
        }
    }
    TNurLesen(const TNurLesen&) = delete;
    TNurLesen& operator=(const TNurLesen&) = delete;

    bool Bereit() const { return m_bereit; }
    const QString& Ort() const { return m_ort; }
    // What the store holds, to compare before and after.
    QString Inhalt()
    {
        if (!TestBackend::Postgres()) {
            QCryptographicHash hash(QCryptographicHash::Sha256);
            for (const char* endung : {"", "-wal"}) {
                QFile file(m_ort + QLatin1String(endung));
                if (file.open(QIODevice::ReadOnly)) {
                    hash.addData(file.readAll());
                }
            }
            return QString::fromLatin1(hash.result().toHex());
        }
        QSqlQuery query(m_store.Store().Database());
        query.exec(QStringLiteral(
            "SELECT (SELECT string_agg(Kennung || Bezeichnung || Beschreibung || Einstellungen, ';') FROM fidefile)"
            " || (SELECT COUNT(*) FROM fikofile) || '/' || (SELECT COUNT(*) FROM verlauf)"
            " || (SELECT string_agg(indexname, ',' ORDER BY indexname) FROM pg_indexes WHERE schemaname ="
            " current_schema())"));
        return query.next() ? query.value(0).toString() : QString();
    }

private:
    bool Chattr(const QString& flag)
    {
        QProcess chattr;
        chattr.start(QStringLiteral("chattr"), {flag, m_ort});
        return chattr.waitForFinished(10000) && chattr.exitStatus() == QProcess::NormalExit &&
               chattr.exitCode() == 0;
    }

    TempStore& m_store;
    QString m_ort;
    bool m_bereit = false;
};
