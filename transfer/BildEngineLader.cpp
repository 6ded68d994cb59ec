#include "transfer/BildEngineLader.h"

#include "transfer/BildEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QPluginLoader>

TBildEngineLader::TBildEngineLader(QString pfad) : m_pfad(std::move(pfad)) {}

// The module stays loaded: libvips keeps threads and type registrations that
// must not outlive its code.
TBildEngineLader::~TBildEngineLader() = default;

TBildEngine& TBildEngineLader::Engine()
{
    const std::lock_guard lock(m_mutex);
    if (m_engine != nullptr) {
        return *m_engine;
    }
    auto loader = std::make_unique<QPluginLoader>(m_pfad);
    loader->setLoadHints(QLibrary::PreventUnloadHint);
    QObject* instanz = loader->instance();
    if (instanz == nullptr) {
        throw TBildEngineFehler(QStringLiteral("Die Bildbearbeitung kann nicht geladen werden: %1: %2")
                                    .arg(QDir::toNativeSeparators(m_pfad), loader->errorString()));
    }
    auto* engine = qobject_cast<TBildEngine*>(instanz);
    if (engine == nullptr) {
        throw TBildEngineFehler(
            QStringLiteral("Die Bildbearbeitung kann nicht geladen werden: %1 ist kein Bildmodul dieses "
                           "Programms (%2 erwartet).")
                .arg(QDir::toNativeSeparators(m_pfad), QStringLiteral(TBildEngine_iid)));
    }
    m_loader = std::move(loader);
    m_engine = engine;
    return *m_engine;
}

QString TBildEngineLader::StandardPfad()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../lib/veldrake/libveldrake_bilder.so"));
}
