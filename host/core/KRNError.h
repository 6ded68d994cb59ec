#pragma once

#include "host/store/StoreFailure.h"

#include <QString>

#include <stdexcept>
#include <utility>

// Base of every exception the system throws. Carries the text as a QString so
// that umlauts survive, and as UTF-8 for what().
class KRNException : public std::runtime_error
{
public:
    explicit KRNException(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& Message() const noexcept { return m_message; }

private:
    QString m_message;
};

// A failure of the record store: its kind, the German text for the user and
// the driver's own text (for the details and the log). The message joins
// both.
class StoreError : public KRNException
{
public:
    explicit StoreError(const QString& text, TStoreFailure kind = TStoreFailure::Other,
                        QString driverText = {})
        : KRNException(driverText.trimmed().isEmpty()
                           ? text
                           : text + QStringLiteral("\nMeldung des Datenbanktreibers: ") +
                                 driverText.trimmed()),
          m_kind(kind), m_text(text), m_driverText(std::move(driverText))
    {
    }
    TStoreFailure Kind() const noexcept { return m_kind; }
    const QString& Text() const noexcept { return m_text; }
    const QString& DriverText() const noexcept { return m_driverText; }

private:
    TStoreFailure m_kind;
    QString m_text;
    QString m_driverText;
};

// The text of any exception, for messages and logs.
QString KRNExceptionText(const std::exception& e);
