#include "host/KRNProgramm.h"

#include "host/KRNError.h"
#include "host/KRNInfo.h"
#include "host/Rechner.h"
#include "host/Store.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>

#include <cstdio>

namespace {

QString EnvText(const char* name)
{
    return qEnvironmentVariable(name);
}

} // namespace


TKRNProgramm::TKRNProgramm() = default;

TKRNProgramm::~TKRNProgramm()
{
    Done();
}

QString TKRNProgramm::DefaultStorePath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return base + QStringLiteral("/veldrake/veldrake.sqlite");
}

void TKRNProgramm::Init(const QString& programmKennung, int, int, int, bool)
{
    if (programmKennung.trimmed().isEmpty()) {
        throw KRNException(QStringLiteral("Es ist keine Programmkennung angegeben."));
    }
    Done();
    QString path = EnvText("VELDRAKE_STORE");
    if (path.isEmpty()) {
        path = DefaultStorePath();
    }
    m_store = TStore::Open(path);
    if (EnvText("VELDRAKE_DEMO") == QStringLiteral("1")) {
        SeedDemoComputers(*m_store);
    }
    TStore::SetCurrent(m_store.get());
    const QString mandant = EnvText("VELDRAKE_MANDANT");
    m_mandant = mandant.isEmpty() ? QStringLiteral("Hauptmandant") : mandant;
    m_programmKennung = programmKennung;
    m_initialized = true;
}

QString TKRNProgramm::StoreText() const
{
    return m_store ? QDir::toNativeSeparators(m_store->Path()) : QString();
}

void TKRNProgramm::ShowException(const std::exception& e, bool)
{
    const QString text = KRNExceptionText(e);
    std::fprintf(stderr, "veldrake: Programmstart fehlgeschlagen: %s\n", text.toLocal8Bit().constData());
    KRNInfo().RegisterException(QStringLiteral("Programmstart"), e, true);
}

void TKRNProgramm::Done()
{
    if (m_store && TStore::Current() == m_store.get()) {
        TStore::SetCurrent(nullptr);
    }
    m_store.reset();
    m_initialized = false;
}

TKRNProgramm& KRNProgramm()
{
    static TKRNProgramm programm;
    return programm;
}
