#pragma once

#include "host/core/KRNInfo.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

// Stands in for the person in front of the screen: records every message
// and failure report and answers questions from a script. An empty script
// answers No, so that a forgotten answer never confirms anything.
class RecordingPresenter final : public TKRNPresenter
{
public:
    struct Version
    {
        QString Title;
        QString Text;
    };

    RecordingPresenter();           // installs itself and clears the service's record
    ~RecordingPresenter() override; // restores the message boxes

    // Queues answers for the next questions, in order.
    void Answer(int answer) { m_answers.push_back(answer); }

    int ShowMeldung(const TMeldung& meldung) override;
    void ShowError(const QString& location, const QString& text) override;
    void ShowFailure(const QString& location, const QString& text, const QString& details) override;
    void ShowVersion(const QString& title, const QString& text, QObject* owner) override;

    QList<TMeldung> Meldungen;
    QList<TRegisteredError> Errors; // shown to the user
    QList<Version> Versions;
    // Runs while a failure report is shown (as the box would be open).
    std::function<void()> WhileErrorShown;
    // Runs while a message is shown, before it is answered.
    std::function<void()> WhileMeldungShown;

    // Numbers of the messages shown, in order.
    QList<int> Numbers() const;
    // Locations of every RegisterException call so far (shown or not).
    QStringList ErrorLocations() const;

private:
    std::deque<int> m_answers;
};
