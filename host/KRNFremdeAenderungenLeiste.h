#pragma once

#include "host/core/Verlauf.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QWidget;
class TKRNHinweisLeiste;
struct TFremdeAenderungen;

// What of the changes of other workstations concerns an open form.
struct TFremdHinweis
{
    // In words, the form's own ("Die Zuordnungen der Einstellung „S1“ wurden
    // an einem anderen Arbeitsplatz geändert.").
    QString Was;
    // The latest entry of the history on it, for who and when.
    std::optional<TVerlaufEintrag> Eintrag;
};

// The bar of a form whose content may be changed at another workstation
// while it is open: follows the program's watcher while the form is
// visible, says what changed, by whom and when, and offers "Neu laden".
// Nothing the user marked or entered is replaced without asking: while the
// form holds unsaved entries, "Neu laden" asks first (1006); answered No,
// the bar stays.
class TKRNFremdeAenderungenLeiste final : public QObject
{
    Q_OBJECT
public:
    struct TForm
    {
        // What concerns the form; nothing when nothing does.
        std::function<std::optional<TFremdHinweis>(const TFremdeAenderungen&)> Betrifft;
        // Whether the form holds marks or entries not saved yet.
        std::function<bool()> Ungespeichert;
        // Shows the store's state anew (run in the form's guard).
        std::function<void()> NeuLaden;
    };

    // The bar lies along the bottom of `unten`; `ort` names the form in
    // failure reports.
    TKRNFremdeAenderungenLeiste(QWidget* unten, const QString& ort, TForm form);
    ~TKRNFremdeAenderungenLeiste() override;

    // At each show of the form: hides the bar and follows the watcher that
    // runs now (none: the form hears nothing).
    void Beginnen();
    TKRNHinweisLeiste* Leiste() const { return m_leiste; }
    // What "Neu laden" does; true when the form was loaded anew.
    bool NeuLaden();

private:
    void Geaendert(const TFremdeAenderungen& aenderungen);

    QWidget* m_unten;
    QString m_ort;
    TForm m_form;
    TKRNHinweisLeiste* m_leiste;
    QString m_text;
    QMetaObject::Connection m_verbindung;
};
