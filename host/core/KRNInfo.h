#pragma once

#include "host/core/KRNMeldungen.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <exception>
#include <memory>
#include <optional>

class QObject;

// Answers of ShowMeldung, as the message boxes give them.
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrYes = 6;
inline constexpr int mrNo = 7;

// Message kinds: 0 a notice, 4 a Yes/No question.
inline constexpr int mtNotice = 0;
inline constexpr int mtQuestion = 4;

// One catalogue message as it reaches the presenter.
struct TMeldung
{
    int Kind = mtNotice;
    int Number = 0;
    QString Catalogue;
    QStringList Arguments;
    QString Text; // catalogue text with the arguments filled in
};

// The part of the message service that shows something to a person and
// waits. Without a desktop the service writes to stderr and answers a
// question with No; the desktop program installs message boxes, tests a
// scripted presenter.
class TKRNPresenter
{
public:
    virtual ~TKRNPresenter() = default;
    // Returns the answer (mrYes, mrNo, mrOk).
    virtual int ShowMeldung(const TMeldung& meldung) = 0;
    virtual void ShowError(const QString& location, const QString& text) = 0;
    // A failure with technical details (the driver's text); shown like
    // ShowError unless the presenter can show the details apart.
    virtual void ShowFailure(const QString& location, const QString& text, const QString& details)
    {
        Q_UNUSED(details);
        ShowError(location, text);
    }
    virtual void ShowVersion(const QString& title, const QString& text, QObject* owner) = 0;
    // Whether a person can see and answer what is shown.
    virtual bool CanShow() const { return true; }
};

// A failure passed to RegisterException.
struct TRegisteredError
{
    QString Location;
    QString Text;
    bool ShownToUser = false;
    QString Details; // technical text for the details (a store failure's driver text)
};

// The host's message service: catalogue messages, failure reports and the
// version window.
class TKRNInfo
{
public:
    TKRNInfo();
    ~TKRNInfo();
    TKRNInfo(const TKRNInfo&) = delete;
    TKRNInfo& operator=(const TKRNInfo&) = delete;

    int ShowMeldung(int kind, int number, const QString& catalogue);
    int ShowMeldung(int kind, int number, const QString& catalogue, const QStringList& arguments);

    // Records and logs a failure; with showUser the user is told.
    void RegisterException(const QString& location, const std::exception& e, bool showUser);
    // Check point: raises a KRNException when a failure was registered since
    // the last check point.
    void FehlerRaise(const QString& source, int number, const QString& text1, const QString& text2,
                     int value1, int value2);
    // Check point at the end of a destroy handler: never raises; failures
    // registered since the last check point are written to the log.
    void FehlerTerminate(const QString& location, int number, const QString& text1, const QString& text2,
                         int value1, int value2);
    // The owner is the window the version window belongs to (nullptr: the
    // active one).
    void VersionsInfoZeigen(const QString& title, QObject* owner, const QString& text);
    // Body of the version window: versions of the program and of Qt, the
    // store in use (never a password) and the tenant.
    QString VersionsText(const QString& title, const QString& text) const;
    // The store and the tenant the version window names; empty while no
    // store is open.
    void SetStoreInfo(const QString& storeText, const QString& mandant);

    // While held (holds nest), RegisterException records and logs as usual
    // but tells the user only when the last hold ends, and notices (kind 0)
    // wait likewise (ShowMeldung answers mrOk at once); both are shown in
    // order. A question cannot wait: it is shown and logged as a fault.
    // Held while a store transaction is open, so that no workstation waits
    // on a box.
    void HoldUserReports();
    void ReleaseUserReports();
    bool UserReportsHeld() const { return m_holds > 0; }

    // Catalogue text of a message with its arguments (%1, %2, ...) filled in.
    static QString MeldungsText(int number, const QString& catalogue, const QStringList& arguments = {})
    {
        return KRNMeldungsText(number, catalogue, arguments);
    }

    static QString FileVersion() { return QStringLiteral("1.0.0.0"); }
    static QString ProductVersion() { return QStringLiteral("17.09.01"); }

    // The presenter the program shows with (the desktop's message boxes);
    // nullptr restores the one that writes to stderr.
    void InstallPresenter(std::unique_ptr<TKRNPresenter> presenter);
    // A presenter put in front of the installed one (a test's), not owned;
    // nullptr goes back to the installed one.
    void SetPresenter(TKRNPresenter* presenter);
    // Whether what is shown reaches a person.
    bool PresenterCanShow();
    const QList<TRegisteredError>& RegisteredErrors() const { return m_errors; }
    // Forgets everything recorded (for a fresh start, e.g. between tests).
    void Reset();

private:
    TKRNPresenter& Presenter();
    void Show(const TRegisteredError& report);

    std::unique_ptr<TKRNPresenter> m_basePresenter;
    TKRNPresenter* m_presenter = nullptr;
    QList<TRegisteredError> m_errors;
    qsizetype m_checkedUpTo = 0;
    int m_holds = 0;
    QString m_storeText;
    QString m_mandant;
    struct THeld
    {
        std::optional<TMeldung> Notice;
        TRegisteredError Report;
    };
    QList<THeld> m_held;
};

// Holds the user-facing failure reports for its lifetime.
class TKRNUserReportHold
{
public:
    TKRNUserReportHold();
    ~TKRNUserReportHold();
    TKRNUserReportHold(const TKRNUserReportHold&) = delete;
    TKRNUserReportHold& operator=(const TKRNUserReportHold&) = delete;
};

// The process's message service.
TKRNInfo& KRNInfo();
