#pragma once

#include "host/core/KRNComponent.h"
#include "host/core/KRNInfo.h"

#include <QDialog>
#include <QKeySequence>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <utility>

class QAction;

// Modal results: mrNone (0) keeps a modal form open; mrOk (1) and mrCancel
// (2) from KRNInfo.h confirm and cancel.
inline constexpr int mrNone = 0;

// Base of every window: a dialog with creation, show and destroy handlers,
// a modal result and an action list.
//
// The creation handler runs through TKRNComponent::RunCreateHandler (from
// Application().CreateForm or KRNCreateForm), the destroy handler through
// TKRNFree; the show handler runs when the form is shown, before it takes
// input. None of them is called from a constructor or destructor.
class TKRNForm : public QDialog, public TKRNComponent
{
    Q_OBJECT
public:
    explicit TKRNForm(QWidget* parent = nullptr);
    ~TKRNForm() override;

    // Sets the form up for the program: the text is the program's
    // identifying text, "." and the form's component name.
    void KRNFormInit(const QString& text, bool flag);
    QString KRNFormText() const { return m_formText; }
    bool KRNFormFlag() const { return m_formFlag; }

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }

    // 0 keeps a modal form open, 1 confirms, 2 cancels. Setting 1 or 2 while
    // the form is shown modally closes it.
    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int result);
    // Shows the form modally (through the modal seam) and returns its modal
    // result. The close box and Esc without an action count as 2.
    int ShowModal();
    bool InModal() const { return m_inModal; }

    // Adds an action with a shortcut to the form's action list. The handler
    // runs when the shortcut is pressed while the form is the active window
    // and the action is enabled.
    QAction* AddAction(const QString& name, const QKeySequence& shortcut, std::function<void()> handler);
    // The action of that name, nullptr when there is none.
    QAction* Action(const QString& name) const;

    virtual void FormCreate(QObject* sender);
    virtual void FormShow(QObject* sender);
    virtual void FormDestroy(QObject* sender);

    void accept() override;
    void reject() override;

protected:
    void DoCreate() override { FormCreate(this); }
    // The show handler (ShowModal and Application().Run run it).
    void DoShow() override { FormShow(this); }
    void DoDestroy() override { FormDestroy(this); }

private:
    friend int KRNRunModal(TKRNForm& form);

    QString m_formText;
    bool m_formFlag = false;
    int m_modalResult = mrNone;
    bool m_inModal = false;
};

// The modal seam: every modal show goes through here. Without a script it
// runs the form's own event loop; with scripts installed (TModalScripts) the
// next script receives the shown form and returns the modal result.
int KRNRunModal(TKRNForm& form);

using TModalScript = std::function<int(TKRNForm& form)>;

// Installs scripts for the modal shows of a test, one per show, in order.
// While installed no modal show blocks: a form is shown (non-blocking,
// modal) while its script runs and hidden afterwards; a show without a
// script left is cancelled (2) and counted in Unexpected(). Installers nest;
// the innermost one answers.
class TModalScripts
{
public:
    TModalScripts();
    explicit TModalScripts(TModalScript script);
    ~TModalScripts();
    TModalScripts(const TModalScripts&) = delete;
    TModalScripts& operator=(const TModalScripts&) = delete;

    TModalScripts& Then(TModalScript script);

    int Pending() const { return static_cast<int>(m_scripts.size()); }
    int Unexpected() const { return m_unexpected; }
    // Object names of the forms shown modally, in order.
    const QStringList& Shown() const { return m_shown; }

    // Script helpers: a script that returns the given result untouched, and
    // one that runs an action on the form and returns its ModalResult.
    static TModalScript Returning(int result);
    static TModalScript Doing(std::function<void(TKRNForm&)> action);

private:
    friend int KRNRunModal(TKRNForm& form);
    int RunNext(TKRNForm& form);

    std::deque<TModalScript> m_scripts;
    QStringList m_shown;
    int m_unexpected = 0;
    TModalScripts* m_previous = nullptr;
};

// Creates a form for one use (not owned by the application): constructs it,
// runs its creation handler and hands it over; the pointer runs the destroy
// handler before deleting.
template <class T, class... Args> std::unique_ptr<T, TKRNFree> KRNCreateForm(Args&&... args)
{
    std::unique_ptr<T, TKRNFree> form(new T(std::forward<Args>(args)...));
    form->RunCreateHandler();
    return form;
}
