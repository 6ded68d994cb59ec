#pragma once

#include "host/core/KRNError.h"

#include <QString>

#include <memory>
#include <mutex>

class QPluginLoader;
class TBildEngine;

// The image processing cannot be used at all: its module is missing or
// broken, or the image library does not start. Unlike a damaged image this
// ends the whole job.
class TBildEngineFehler : public KRNException
{
public:
    using KRNException::KRNException;
};

// Loads the image engine from its module file on first use, from any thread,
// and keeps it loaded for the rest of the process.
class TBildEngineLader
{
public:
    explicit TBildEngineLader(QString pfad);
    ~TBildEngineLader();
    TBildEngineLader(const TBildEngineLader&) = delete;
    TBildEngineLader& operator=(const TBildEngineLader&) = delete;

    // Throws TBildEngineFehler naming the file and the loader's reason when
    // it cannot be loaded; the next call tries again.
    TBildEngine& Engine();
    const QString& Pfad() const { return m_pfad; }

    // Where the programs find the module: lib/veldrake beside the folder of
    // the executable (build/lib/veldrake for build/app, build/tests, ...;
    // /usr/lib/veldrake for /usr/bin).
    static QString StandardPfad();

private:
    QString m_pfad;
    std::mutex m_mutex;
    std::unique_ptr<QPluginLoader> m_loader;
    TBildEngine* m_engine = nullptr;
};
