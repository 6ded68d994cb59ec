#pragma once

// Another workstation on the same store file: a process of the store tool
// that holds the write lock for a while. Only for test executables that know
// the tool (VELDRAKE_STORE_TOOL).

#include "host/store/Store.h"

#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

class SecondWorkstation
{
public:
    // Starts holding the lock on the file; returns once it is held.
    SecondWorkstation(const QString& file, int holdMs)
    {
        m_process.start(QStringLiteral(VELDRAKE_STORE_TOOL),
                        {QStringLiteral("hold"), file, QString::number(holdMs)});
        while (m_process.waitForReadyRead(30000)) {
            if (m_process.readAll().contains("HELD")) {
                m_held = true;
                break;
            }
        }
        EXPECT_TRUE(m_held) << "the second workstation did not get the write lock";
    }
    ~SecondWorkstation()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    SecondWorkstation(const SecondWorkstation&) = delete;
    SecondWorkstation& operator=(const SecondWorkstation&) = delete;

private:
    QProcess m_process;
    bool m_held = false;
};

// The store's wait limit for a scope.
class WaitLimit
{
public:
    explicit WaitLimit(int ms) : m_previous(TStore::WaitLimit()) { TStore::SetWaitLimit(ms); }
    ~WaitLimit() { TStore::SetWaitLimit(m_previous); }
    WaitLimit(const WaitLimit&) = delete;
    WaitLimit& operator=(const WaitLimit&) = delete;

private:
    int m_previous;
};

// Another workstation books: a process of the store tool opens the store,
// runs the statements as one unit of work, commits it (or, with rollback,
// rolls it back) and ends.
inline void OtherWorkstationWrites(const QString& location, const QStringList& statements, bool rollback = false)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList args{QStringLiteral("write"), location};
    if (rollback) {
        args << QStringLiteral("--rollback");
    }
    process.start(QStringLiteral(VELDRAKE_STORE_TOOL), args + statements);
    ASSERT_TRUE(process.waitForFinished(60000)) << "the other workstation did not end";
    ASSERT_EQ(process.exitCode(), 0) << "the other workstation failed";
}
