#include "host/KRNInfo.h"

#include "host/Application.h"
#include "host/KRNError.h"
#include "host/KRNFocus.h"
#include "host/KRNProgramm.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QMessageBox>
#include <QTextStream>

#include <cstdio>
#include <utility>

QString KRNExceptionText(const std::exception& e)
{
    if (const auto* krn = dynamic_cast<const KRNException*>(&e)) {
        return krn->Message();
    }
    return QString::fromUtf8(e.what());
}

namespace {

using Catalogue = QHash<QString, QString>; // "CATALOGUE/number" -> text

QString CatalogueKey(const QString& catalogue, int number)
{
    return catalogue + QLatin1Char('/') + QString::number(number);
}

Catalogue LoadCatalogue()
{
    Catalogue result;
    QFile file(QStringLiteral(":/veldrake/meldungen.tsv"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return result;
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const QStringList parts = line.split(QLatin1Char('\t'));
        if (parts.size() != 3) {
            continue;
        }
        QString text = parts[2];
        text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        result.insert(CatalogueKey(parts[0], parts[1].toInt()), text);
    }
    return result;
}

const Catalogue& TheCatalogue()
{
    static const Catalogue catalogue = LoadCatalogue();
    return catalogue;
}

void Log(const QString& text)
{
    std::fprintf(stderr, "veldrake: %s\n", text.toLocal8Bit().constData());
}

// Title of the boxes: the application title.
QString BoxTitle()
{
    const QString title = Application().Title();
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

// Shows messages in message boxes and waits for the answer. The focus goes
// back where it was when a box closes.
class TMessageBoxPresenter final : public TKRNPresenter
{
public:
    int ShowMeldung(const TMeldung& meldung) override
    {
        const TKRNFocusReturn focusReturn;
        if (meldung.Kind == mtQuestion) {
            const auto answer = QMessageBox::question(focusReturn.Window(), BoxTitle(), meldung.Text,
                                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
            return answer == QMessageBox::Yes ? mrYes : mrNo;
        }
        QMessageBox::information(focusReturn.Window(), BoxTitle(), meldung.Text);
        return mrOk;
    }

    void ShowError(const QString& location, const QString& text) override { ShowFailure(location, text, {}); }

    void ShowFailure(const QString& location, const QString& text, const QString& details) override
    {
        const TKRNFocusReturn focusReturn;
        QMessageBox box(QMessageBox::Critical, BoxTitle(), text, QMessageBox::Ok, focusReturn.Window());
        QString detailText = QStringLiteral("Ort: ") + location;
        if (!details.isEmpty()) {
            detailText += QStringLiteral("\n") + details;
        }
        box.setDetailedText(detailText);
        box.exec();
    }

    void ShowVersion(const QString& title, const QString& text, QWidget* owner) override
    {
        const TKRNFocusReturn focusReturn;
        QMessageBox::about(owner ? owner : focusReturn.Window(), title, text);
    }
};

} // namespace

TKRNInfo::TKRNInfo() : m_boxPresenter(std::make_unique<TMessageBoxPresenter>()) {}

TKRNInfo::~TKRNInfo() = default;

QString TKRNInfo::MeldungsText(int number, const QString& catalogue, const QStringList& arguments)
{
    QString text = TheCatalogue().value(CatalogueKey(catalogue, number));
    if (text.isEmpty()) {
        text = QStringLiteral("Meldung %1 aus Katalog %2").arg(number).arg(catalogue);
        for (const QString& argument : arguments) {
            text += QStringLiteral("\n") + argument;
        }
        return text;
    }
    // Fill %1, %2, ... in one pass so that an argument holding "%2" is not
    // substituted again.
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('%') && i + 1 < text.size() && text[i + 1].isDigit()) {
            const int index = text[i + 1].digitValue() - 1;
            if (index >= 0 && index < arguments.size()) {
                result += arguments[index];
            }
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

int TKRNInfo::ShowMeldung(int kind, int number, const QString& catalogue)
{
    return ShowMeldung(kind, number, catalogue, QStringList());
}

int TKRNInfo::ShowMeldung(int kind, int number, const QString& catalogue, const QStringList& arguments)
{
    TMeldung meldung{kind, number, catalogue, arguments, MeldungsText(number, catalogue, arguments)};
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

void TKRNInfo::VersionsInfoZeigen(const QString& title, QWidget* owner, const QString& text)
{
    Presenter().ShowVersion(title, VersionsText(title, text), owner);
}

QString TKRNInfo::VersionsText(const QString& title, const QString& text)
{
    const TKRNProgramm& programm = KRNProgramm();
    QString body =
        QStringLiteral("<b>%1</b><br><br>Dateiversion %2<br>Produktversion %3<br>Qt %4")
            .arg(title.toHtmlEscaped(), FileVersion(), ProductVersion(), QString::fromLatin1(qVersion()));
    if (programm.Initialized()) {
        body += QStringLiteral("<br><br>Datenbestand: %1<br>Mandant: %2")
                    .arg(programm.StoreText().toHtmlEscaped(), programm.GetTextMandant().toHtmlEscaped());
    }
    if (!text.isEmpty()) {
        body += QStringLiteral("<br><br>") + text.toHtmlEscaped();
    }
    return body;
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
    return m_presenter ? *m_presenter : *m_boxPresenter;
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
