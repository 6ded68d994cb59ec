#pragma once

// What the chooser, the save dialog and the activation dialog share: the
// data module, failure reports of the calls they make, update brackets of
// the list widgets, the standard frame with its button bar, and components
// that keep their distances to the form's sides.

#include "host/KRNInfo.h"

#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStyle>

#include <functional>
#include <vector>

class QWidget;
class TdtmKOMMFilter;
class TKRNForm;
class TKRNStdBevel;
class TKRNStdPanel;
class TKRNStdSpeedButton;

// The program-wide data module; throws when it does not exist.
TdtmKOMMFilter& FilterDataModule();

// Tells whether a failure was registered since it was made. The data module
// reports its own failures and returns normally; a caller that must not go
// on after an unanswered check asks this.
class TFehlerWatch
{
public:
    TFehlerWatch() : m_before(KRNInfo().RegisteredErrors().size()) {}
    bool Reported() const { return KRNInfo().RegisteredErrors().size() > m_before; }

private:
    qsizetype m_before;
};

// Begin update / end update of a list widget; the end runs however the
// block is left.
template <class Widget>
class TUpdateScope
{
public:
    explicit TUpdateScope(Widget& widget) : m_widget(widget) { m_widget.BeginUpdate(); }
    ~TUpdateScope() { m_widget.EndUpdate(); }
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
    Widget& m_widget;
};

// Keeps components at their design distances to the form's sides: a
// component anchored left and right grows with the form's width, one
// anchored right only moves with it; the same for top and bottom. Design
// rectangles are relative to the component's parent; the panels that hold
// other components are anchored on all sides, so they grow as the form does.
class TAnchors final : public QObject
{
public:
    // Gives the form its design client size.
    TAnchors(QWidget& form, QSize designClient);
    QSize Design() const { return m_design; }

    static constexpr Qt::Edges akAll = Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge;
    static constexpr Qt::Edges akLeftTop = Qt::LeftEdge | Qt::TopEdge;
    static constexpr Qt::Edges akLeftTopRight = Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge;

    void Place(QWidget* widget, const QRect& design, Qt::Edges anchors = akLeftTop);
    void Apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TEntry
    {
        QWidget* Widget;
        QRect Design;
        Qt::Edges Anchors;
    };

    QWidget& m_form;
    QSize m_design;
    std::vector<TEntry> m_entries;
};

// The frame every dialog has: the outer panel with a lowered bevel, the data
// panel inside it and, at its top, the button bar of speed buttons.
struct TDialogFrame
{
    TKRNStdPanel* Hauptrahmen = nullptr;
    TKRNStdPanel* Daten = nullptr;
    TKRNStdBevel* Buttons = nullptr;

    // Builds the frame for the design client size of the anchors.
    TDialogFrame(TKRNForm& form, TAnchors& anchors);

    // Adds the next speed button of the bar (left to right); its click runs
    // the handler.
    TKRNStdSpeedButton* AddButton(const QString& name, const QString& caption, const QString& hint,
                                  QStyle::StandardPixmap glyph, std::function<void()> onClick);

    // Design rectangle of the area below the button bar in the data panel.
    QRect ContentArea() const;

private:
    TKRNForm& m_form;
    QSize m_design;
    int m_buttonCount = 0;
};
