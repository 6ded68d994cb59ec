#include "host/core/KRNProgramm.h"

#include "host/core/KRNError.h"
#include "host/core/KRNInfo.h"
#include "host/core/Rechner.h"
#include "host/store/Store.h"

#include <QDir>
#include <QStandardPaths>

#include <cstdio>

namespace {

QString EnvText(const char* name)
{
    return qEnvironmentVariable(name);
}

// The store path from the environment, exactly as given: bytes that are not
// UTF-8 would name another file, so they are refused.
QString StorePathFromEnvironment()
{
    const QByteArray raw = qgetenv("VELDRAKE_STORE");
    const QString path = QString::fromUtf8(raw);
    if (path.toUtf8() != raw) {
        throw StoreError(TKRNInfo::MeldungsText(140, QStringLiteral("DATENBESTAND"), {path}),
                         TStoreFailure::Location);
    }
    return path;
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
    QString path = StorePathFromEnvironment();
    if (path.isEmpty()) {
        path = DefaultStorePath();
    }
    m_store = TStore::Open(path);
    if (EnvText("VELDRAKE_DEMO") == QStringLiteral("1") && !m_store->ReadOnly()) {
        SeedDemoComputers(*m_store);
    }
    TStore::SetCurrent(m_store.get());
    const QString mandant = EnvText("VELDRAKE_MANDANT");
    m_mandant = mandant.isEmpty() ? QStringLiteral("Hauptmandant") : mandant;
    m_programmKennung = programmKennung;
    m_initialized = true;
    KRNInfo().SetStoreInfo(StoreText(), m_mandant);
}

QString TKRNProgramm::StoreText() const
{
    return m_store ? QDir::toNativeSeparators(m_store->Path()) : QString();
}

void TKRNProgramm::ShowException(const std::exception& e, bool)
{
    const QString text = KRNExceptionText(e);
    std::fprintf(stderr, "veldrake: Programmstart fehlgeschlagen: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    KRNInfo().RegisterException(QStringLiteral("Programmstart"), e, KRNInfo().PresenterCanShow());
}

void TKRNProgramm::ShowStoreNotices()
{
    // Where nobody could close a box (offscreen, minimal platform), the
    // notice goes to stderr and the program goes on.
    const auto notice = [](int nummer, const QString& text) {
        if (KRNInfo().PresenterCanShow()) {
            KRNInfo().ShowMeldung(mtNotice, nummer, QStringLiteral("DATENBESTAND"), {text});
            return;
        }
        std::fprintf(stderr, "veldrake: %s\n",
                     TKRNInfo::MeldungsText(nummer, QStringLiteral("DATENBESTAND"), {text}).toLocal8Bit().constData());
        std::fflush(stderr);
    };
    if (m_store && m_store->ReadOnly()) {
        notice(151, m_store->ReadOnlyReason());
    }
    if (m_store && !m_store->DoubleServed().isEmpty()) {
        notice(130, m_store->DoubleServedLines());
    }
}

void TKRNProgramm::Done()
{
    if (m_store && TStore::Current() == m_store.get()) {
        TStore::SetCurrent(nullptr);
    }
    m_store.reset();
    m_initialized = false;
    KRNInfo().SetStoreInfo(QString(), QString());
}

TKRNProgramm& KRNProgramm()
{
    static TKRNProgramm programm;
    return programm;
}
