#pragma once

#include <QFrame>
#include <QString>

class QLabel;
class QPushButton;

// A bar inside a form that tells of something the form shows no longer
// as it is (a change made at another workstation): a line of text and, when
// the form can show the new state, a button "Neu laden". It lies along the
// bottom edge of the widget it is given, over its content, as wide as that
// widget, and keeps there when the widget is resized; the form's layout is
// not touched. Hidden until told something.
class TKRNHinweisLeiste final : public QFrame
{
    Q_OBJECT
public:
    explicit TKRNHinweisLeiste(QWidget* unten);

    // Shows the text (lines joined); with neuLaden the button is offered.
    void Zeigen(const QString& text, bool neuLaden);
    void Verbergen();
    QString Text() const;

Q_SIGNALS:
    // "Neu laden" pressed; the bar is hidden by then.
    void NeuLaden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Platzieren();

    QLabel* m_text;
    QPushButton* m_neuLaden;
};
