#include "RecordingPresenter.h"

RecordingPresenter::RecordingPresenter()
{
    KRNInfo().Reset();
    KRNInfo().SetPresenter(this);
}

RecordingPresenter::~RecordingPresenter()
{
    KRNInfo().SetPresenter(nullptr);
}

int RecordingPresenter::ShowMeldung(const TMeldung& meldung)
{
    Meldungen.append(meldung);
    if (WhileMeldungShown) {
        WhileMeldungShown();
    }
    if (meldung.Kind != mtQuestion) {
        return mrOk;
    }
    if (m_answers.empty()) {
        return mrNo;
    }
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

void RecordingPresenter::ShowError(const QString& location, const QString& text)
{
    ShowFailure(location, text, {});
}

void RecordingPresenter::ShowFailure(const QString& location, const QString& text, const QString& details)
{
    Errors.append(TRegisteredError{location, text, true, details});
    if (WhileErrorShown) {
        WhileErrorShown();
    }
}

void RecordingPresenter::ShowVersion(const QString& title, const QString& text, QObject*)
{
    Versions.append(Version{title, text});
}

QList<int> RecordingPresenter::Numbers() const
{
    QList<int> numbers;
    for (const TMeldung& m : Meldungen) {
        numbers.append(m.Number);
    }
    return numbers;
}

QStringList RecordingPresenter::ErrorLocations() const
{
    QStringList locations;
    for (const TRegisteredError& e : KRNInfo().RegisteredErrors()) {
        locations.append(e.Location);
    }
    return locations;
}
