#include "host/KRNForm.h"

#include "host/Application.h"
#include "host/KRNFocus.h"

#include <QApplication>

#include <QAction>

namespace {

TModalScripts* g_scripts = nullptr; // innermost installed scripts

// Marks a form as shown modally for the lifetime of one modal show.
class ModalScope
{
public:
    explicit ModalScope(bool& inModal) : m_inModal(inModal) { m_inModal = true; }
    ~ModalScope() { m_inModal = false; }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    bool& m_inModal;
};

} // namespace

TKRNForm::TKRNForm(QWidget* parent) : QDialog(parent)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

TKRNForm::~TKRNForm() = default;

void TKRNForm::KRNFormInit(const QString& text, bool flag)
{
    m_formText = text;
    m_formFlag = flag;
    setProperty("KRNFormText", text);
    if (objectName().isEmpty()) {
        setObjectName(text.section(QLatin1Char('.'), -1));
    }
}

void TKRNForm::SetModalResult(int result)
{
    m_modalResult = result;
    if (result != mrNone && m_inModal) {
        QDialog::done(result);
    }
}

int TKRNForm::ShowModal()
{
    m_modalResult = mrNone;
    RunShowHandler();
    return KRNRunModal(*this);
}

QAction* TKRNForm::AddAction(const QString& name, const QKeySequence& shortcut, std::function<void()> handler)
{
    auto* action = new QAction(this);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    addAction(action);
    return action;
}

QAction* TKRNForm::Action(const QString& name) const
{
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

void TKRNForm::FormCreate(QObject*) {}

void TKRNForm::FormShow(QObject*) {}

void TKRNForm::FormDestroy(QObject*) {}

void TKRNForm::accept()
{
    SetModalResult(mrOk);
    if (!m_inModal) {
        QDialog::accept();
    }
}

void TKRNForm::reject()
{
    SetModalResult(mrCancel);
    if (!m_inModal) {
        QDialog::reject();
    }
}

int KRNRunModal(TKRNForm& form)
{
    int result = mrCancel;
    {
        const ModalScope scope(form.m_inModal);
        if (g_scripts) {
            result = g_scripts->RunNext(form);
        } else if (Application().Terminated()) {
            // The program is ending: no dialog opens any more.
            result = mrCancel;
        } else {
            // The dialogs have no parent window that the window system
            // would activate when they close.
            const TKRNFocusReturn focusReturn(Application().MainForm(), &form);
            form.exec();
            // Hidden without a result (e.g. by hide()): cancelled.
            result = form.m_modalResult == mrNone ? mrCancel : form.m_modalResult;
        }
    }
    form.m_modalResult = result;
    return result;
}

TModalScripts::TModalScripts() : m_previous(g_scripts)
{
    g_scripts = this;
}

TModalScripts::TModalScripts(TModalScript script) : TModalScripts()
{
    Then(std::move(script));
}

TModalScripts::~TModalScripts()
{
    g_scripts = m_previous;
}

TModalScripts& TModalScripts::Then(TModalScript script)
{
    m_scripts.push_back(std::move(script));
    return *this;
}

TModalScript TModalScripts::Returning(int result)
{
    return [result](TKRNForm&) { return result; };
}

TModalScript TModalScripts::Doing(std::function<void(TKRNForm&)> action)
{
    return [action = std::move(action)](TKRNForm& form) {
        action(form);
        return form.ModalResult();
    };
}

int TModalScripts::RunNext(TKRNForm& form)
{
    m_shown.append(form.objectName());
    if (m_scripts.empty()) {
        ++m_unexpected;
        return mrCancel;
    }
    const TModalScript script = std::move(m_scripts.front());
    m_scripts.pop_front();
    form.setWindowModality(Qt::ApplicationModal);
    form.show();
    form.activateWindow();
    const int result = script(form);
    form.hide();
    return result;
}
