#pragma once

// What forms share around their components: update brackets of list
// widgets, components that keep their distances to the form's sides, and
// the standard frame with its button bar.

#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStyle>

#include <functional>
#include <vector>

class QAbstractItemView;
class QWidget;
class TKRNForm;
class TKRNStdBevel;
class TKRNStdPanel;
class TKRNStdSpeedButton;

// Begin update / end update of a list widget; the end runs however the
// block is left.
template <class Widget> class TUpdateScope
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
    // Fixes the form at the client size; the components follow at once, also
    // while the form is not shown yet.
    void FixClientSize(QSize client);
    // The smallest size of a resizable form: its design width, so that the
    // button bar and every component stay whole, and the height that still
    // shows the list (placed here) with its header and that many rows.
    // Without a list, the design height.
    static constexpr int RowsAlwaysShown = 3;
    void KeepMinimum(QAbstractItemView* list = nullptr, int rows = RowsAlwaysShown);
    static int MinimumListHeight(const QAbstractItemView& list, int rows);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TEntry
    {
        QWidget* Widget;
        QRect Design;
        Qt::Edges Anchors;
    };

    void ApplyMinimum();

    QWidget& m_form;
    QSize m_design;
    std::vector<TEntry> m_entries;
    bool m_keepMinimum = false;
    QAbstractItemView* m_minimumList = nullptr;
    int m_minimumRows = 0;
};

// The frame of every dialog and editor: the outer panel with a lowered
// bevel, the data panel inside it and, at its top, the button bar of speed
// buttons. The panels are anchored on all sides, the bar left, top and right.
struct TDialogFrame
{
    TKRNStdPanel* Hauptrahmen = nullptr;
    TKRNStdPanel* Daten = nullptr;
    TKRNStdBevel* Buttons = nullptr;

    // Builds the frame for the design client size of the anchors. The outer
    // panel fills that client with a margin on every side unless its design
    // size is given.
    TDialogFrame(TKRNForm& form, TAnchors& anchors, const QString& bevelName = QStringLiteral("bvlButtons"),
                 QSize hauptrahmen = QSize());

    // Adds the next speed button of the bar (left to right); its click runs
    // the handler.
    TKRNStdSpeedButton* AddButton(const QString& name, const QString& caption, const QString& hint,
                                  QStyle::StandardPixmap glyph, std::function<void()> onClick);

    // Design rectangle of the area from the top (below the button bar by
    // default) to the bottom of the data panel.
    QRect ContentArea(int top = ContentTop) const;

    static constexpr int Margin = 4;      // between a frame and what it holds
    static constexpr int ContentTop = 76; // first row below the button bar

private:
    TKRNForm& m_form;
    QSize m_daten; // design size of the data panel
    int m_buttonCount = 0;
};
