#pragma once

#include "host/core/KRNInfo.h"

#include <QString>

#include <exception>
#include <utility>

// A handler's location as failures name it: "TfrmLoad.FormShow".
inline QString KRNLocation(const char* form, const char* method)
{
    return QString::fromLatin1(form) + QLatin1Char('.') + QString::fromLatin1(method);
}

// Runs a handler body; an exception ends the body and is reported through
// RegisterException with the handler's location. Returns true when the body
// ran to its end.
template <typename Body>
bool KRNGuard(const QString& location, bool showUser, Body&& body)
{
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const std::exception& e) {
        KRNInfo().RegisterException(location, e, showUser);
        return false;
    }
}

// The guard of a destroy handler: reported with the flag false, followed in
// every case by the FehlerTerminate check point.
template <typename Body>
void KRNDestroyGuard(const QString& location, Body&& body)
{
    KRNGuard(location, false, std::forward<Body>(body));
    KRNInfo().FehlerTerminate(location, 0, QString(), QString(), 0, 0);
}
