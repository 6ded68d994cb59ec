#pragma once

// A PostgreSQL primary with a hot standby of a test's own, started by
// scripts/pg-pair.sh (VELDRAKE_TEST_PG_PAIR, set by scripts/with-postgres.sh)
// and stopped when the object goes. Addresses name the socket folders.

#include <QProcess>
#include <QString>
#include <QUuid>

#include <gtest/gtest.h>

class TServerPaar
{
public:
    static bool Verfuegbar() { return !qEnvironmentVariableIsEmpty("VELDRAKE_TEST_PG_PAIR"); }

    TServerPaar() : m_name(QUuid::createUuid().toString(QUuid::Id128).left(12))
    {
        const QString out = Run(QStringLiteral("start"));
        for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QString dir = line.section(QLatin1Char(' '), 1);
            (line.startsWith(QLatin1String("primary ")) ? m_primary : m_standby) = dir;
        }
        EXPECT_FALSE(m_primary.isEmpty() || m_standby.isEmpty()) << out.toStdString();
    }
    ~TServerPaar() { Run(QStringLiteral("stop")); }
    TServerPaar(const TServerPaar&) = delete;
    TServerPaar& operator=(const TServerPaar&) = delete;

    // The socket folders of the first primary and the first standby.
    const QString& Primary() const { return m_primary; }
    const QString& Standby() const { return m_standby; }
    // The primary goes at once, as when its machine fails.
    void PrimaryStoppen() { Run(QStringLiteral("stop-primary")); }
    // The standby becomes the primary.
    void Befoerdern() { Run(QStringLiteral("promote")); }

private:
    QString Run(const QString& action)
    {
        QStringList args = QProcess::splitCommand(qEnvironmentVariable("VELDRAKE_TEST_PG_PAIR"));
        args << action << m_name;
        QProcess process;
        process.start(args.takeFirst(), args);
        const bool finished = process.waitForFinished(60000);
        EXPECT_TRUE(finished && process.exitCode() == 0)
            << "pg-pair " << action.toStdString() << ": " << process.readAllStandardError().toStdString();
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }

    QString m_name;
    QString m_primary;
    QString m_standby;
};
