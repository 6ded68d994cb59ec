#include "host/core/KRNInfo.h"

#include "host/core/KRNError.h"
#include "host/core/KRNMeldungen.h"

#include <cstdio>
#include <utility>

namespace {

void Log(const QString& text)
{
    std::fprintf(stderr, "veldrake: %s\n", text.toLocal8Bit().constData());
}

// Without a desktop nobody can answer: messages go to stderr, a question is
// answered with No.
class TStderrPresenter final : public TKRNPresenter
{
public:
    int ShowMeldung(const TMeldung& meldung) override
    {
        Log(meldung.Text);
        return meldung.Kind == mtQuestion ? mrNo : mrOk;
    }
    // RegisterException has written the failure to stderr already.
    void ShowError(const QString&, const QString&) override {}
    void ShowVersion(const QString&, const QString& text, QObject*) override { Log(text); }
    bool CanShow() const override { return false; }
};

} // namespace

TKRNInfo::TKRNInfo() : m_basePresenter(std::make_unique<TStderrPresenter>()) {}

TKRNInfo::~TKRNInfo() = default;

int TKRNInfo::ShowMeldung(int kind, int number, const QString& catalogue)
{
    return ShowMeldung(kind, number, catalogue, QStringList());
}

int TKRNInfo::ShowMeldung(int kind, int number, const QString& catalogue, const QStringList& arguments)
{
    TMeldung meldung{kind, number, catalogue, arguments, KRNMeldungsText(number, catalogue, arguments)};
    if (m_holds > 0) {
        if (kind == mtNotice) {
            m_held.append(THeld{meldung, {}});
            return mrOk;
        }
        Log(QStringLiteral("Frage %1/%2 bei gehaltenen Meldungen (offene Transaktion)")
                .arg(catalogue)
                .arg(number));
    }
    return Presenter().ShowMeldung(meldung);
}

void TKRNInfo::RegisterException(const QString& location, const std::exception& e, bool showUser)
{
    TRegisteredError report{location, KRNExceptionText(e), showUser, {}};
    Log(location + QStringLiteral(": ") + report.Text);
    // A store failure shows its German text; the driver's text goes to the
    // details.
    if (const auto* store = dynamic_cast<const StoreError*>(&e); store && !store->DriverText().isEmpty()) {
        report.Text = store->Text();
        report.Details = QStringLiteral("Meldung des Datenbanktreibers: ") + store->DriverText();
    }
    m_errors.append(report);
    if (showUser) {
        if (m_holds > 0) {
            m_held.append(THeld{std::nullopt, report});
        } else {
            Show(report);
        }
    }
}

void TKRNInfo::Show(const TRegisteredError& report)
{
    if (report.Details.isEmpty()) {
        Presenter().ShowError(report.Location, report.Text);
    } else {
        Presenter().ShowFailure(report.Location, report.Text, report.Details);
    }
}

void TKRNInfo::HoldUserReports()
{
    ++m_holds;
}

void TKRNInfo::ReleaseUserReports()
{
    if (m_holds == 0 || --m_holds > 0) {
        return;
    }
    const QList<THeld> held = std::exchange(m_held, {});
    for (const THeld& entry : held) {
        if (entry.Notice) {
            Presenter().ShowMeldung(*entry.Notice);
        } else {
            Show(entry.Report);
        }
    }
}

void TKRNInfo::FehlerRaise(const QString& source, int, const QString&, const QString&, int, int)
{
    if (m_checkedUpTo >= m_errors.size()) {
        return;
    }
    const TRegisteredError first = m_errors[m_checkedUpTo];
    m_checkedUpTo = m_errors.size();
    throw KRNException(QStringLiteral("%1: Fehler in %2: %3").arg(source, first.Location, first.Text));
}

void TKRNInfo::FehlerTerminate(const QString& location, int, const QString&, const QString&, int, int)
{
    for (qsizetype i = m_checkedUpTo; i < m_errors.size(); ++i) {
        Log(location + QStringLiteral(" beendet nach Fehler in ") + m_errors[i].Location);
    }
    m_checkedUpTo = m_errors.size();
}

void TKRNInfo::VersionsInfoZeigen(const QString& title, QObject* owner, const QString& text)
{
    Presenter().ShowVersion(title, VersionsText(title, text), owner);
}

QString TKRNInfo::VersionsText(const QString& title, const QString& text) const
{
    QString body =
        QStringLiteral("<b>%1</b><br><br>Dateiversion %2<br>Produktversion %3<br>Qt %4")
            .arg(title.toHtmlEscaped(), FileVersion(), ProductVersion(), QString::fromLatin1(qVersion()));
    if (!m_storeText.isEmpty()) {
        body += QStringLiteral("<br><br>Datenbestand: %1<br>Mandant: %2")
                    .arg(m_storeText.toHtmlEscaped(), m_mandant.toHtmlEscaped());
    }
    if (!text.isEmpty()) {
        body += QStringLiteral("<br><br>") + text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    }
    return body;
}

void TKRNInfo::SetStoreInfo(const QString& storeText, const QString& mandant)
{
    m_storeText = storeText;
    m_mandant = mandant;
}

void TKRNInfo::InstallPresenter(std::unique_ptr<TKRNPresenter> presenter)
{
    m_basePresenter = presenter ? std::move(presenter) : std::make_unique<TStderrPresenter>();
}

bool TKRNInfo::PresenterCanShow()
{
    return Presenter().CanShow();
}

void TKRNInfo::SetPresenter(TKRNPresenter* presenter)
{
    m_presenter = presenter;
}

void TKRNInfo::Reset()
{
    m_errors.clear();
    m_checkedUpTo = 0;
}

TKRNPresenter& TKRNInfo::Presenter()
{
    return m_presenter ? *m_presenter : *m_basePresenter;
}

TKRNUserReportHold::TKRNUserReportHold()
{
    KRNInfo().HoldUserReports();
}

TKRNUserReportHold::~TKRNUserReportHold()
{
    try {
        KRNInfo().ReleaseUserReports();
    } catch (...) {
        // A presenter that fails cannot be told about it either.
    }
}

TKRNInfo& KRNInfo()
{
    static TKRNInfo info;
    return info;
}
