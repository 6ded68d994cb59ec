#pragma once

#include <QString>

#include <stdexcept>

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

// A failure of the record store; the message carries the driver's own text.
class StoreError : public KRNException
{
public:
    using KRNException::KRNException;
};

// The text of any exception, for messages and logs.
QString KRNExceptionText(const std::exception& e);
