#pragma once

#include "host/KRNForm.h"
#include "host/core/VerlaufSeiten.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QString>

#include <vector>

class QAction;
class QPalette;
class QComboBox;
class QDateEdit;
class QTableView;
class TKRNStdBevel;
class TKRNStdEdit;
class TKRNStdPanel;
class TKRNStdSpeedButton;
class TStore;

// The history as a table, read from the store page by page as the view
// scrolls down (keyset paging, newest first), so that a large history
// neither sits in memory nor is read before the first rows are shown.
// Rows of one unit of work share their background shade.
class TVerlaufModell final : public QAbstractTableModel
{
public:
    static constexpr int Seite = 200; // rows read at a time

    enum TSpalte
    {
        spZeit,
        spBenutzer,
        spArbeitsplatz,
        spProgramm,
        spFilterart,
        spFiltereinstellung,
        spRechner,
        spAenderung,
        spAnzahl
    };

    explicit TVerlaufModell(QObject* parent = nullptr);

    // Starts over with the first page of what is asked.
    void Suchen(TStore& store, const TVerlaufSuche& suche);
    const TVerlaufSuche& Suche() const { return m_suche; }
    qint64 Id(int row) const { return m_zeilen.at(row).Stelle.Id; }
    // What the way back can do with the row's entry.
    bool Wiederherstellbar(int row) const { return m_zeilen.at(row).Wiederherstellbar; }
    bool Zuruecksetzbar(int row) const { return m_zeilen.at(row).Zuruecksetzbar; }
    const QString& Arbeitseinheit(int row) const { return m_zeilen.at(row).Arbeitseinheit; }
    // The number of the unit of work of the row, counted from the top.
    int Gruppe(int row) const { return m_zeilen.at(row).Gruppe; }
    // The shade of every second unit of work under the palette.
    static QColor GruppenFarbe(const QPalette& palette);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    struct TZeile
    {
        TVerlaufStelle Stelle; // where the next page goes on
        int Gruppe = 0;
        bool Wiederherstellbar = false;
        bool Zuruecksetzbar = false;
        QString Arbeitseinheit;
        QString Zellen[spAnzahl];
    };
    std::vector<TZeile> Lesen();

    TStore* m_store = nullptr;
    TVerlaufSuche m_suche;
    std::vector<TZeile> m_zeilen;
    QString m_letzteEinheit;
    bool m_ende = true;
};

// The window "Verlauf": who changed what, when and where, with filters for
// filter kind, setting, computer, user, workstation and a date range.
class TfrmVerlauf final : public TKRNForm
{
    Q_OBJECT
public:
    explicit TfrmVerlauf(QWidget* parent = nullptr);
    ~TfrmVerlauf() override;

    void FormCreate(QObject* sender) override;
    void FormShow(QObject* sender) override;
    void btnSchliessenClick(QObject* sender);
    void btnFilterLeerenClick(QObject* sender);
    // The way back for the selected entry: its version of the setting, or
    // the assignments of its confirmation as they were before it.
    void btnWiederherstellenClick(QObject* sender);
    void btnZuruecksetzenClick(QObject* sender);
    // Reads the history anew for the filters shown.
    void Suchen();

    // The filters shown at the next show (the item the window was opened for).
    void SetVorauswahl(const TVerlaufSuche& suche) { FVorauswahl = suche; }
    // The filters as the controls hold them.
    TVerlaufSuche Suche() const;
    TVerlaufModell& Modell() { return *FModell; }

    TKRNStdPanel* pnlHauptrahmen = nullptr;
    TKRNStdPanel* pnlDaten = nullptr;
    TKRNStdBevel* bvlButtons = nullptr;
    TKRNStdSpeedButton* spbCancel = nullptr;
    TKRNStdSpeedButton* spbLeeren = nullptr;
    TKRNStdSpeedButton* spbWiederherstellen = nullptr;
    TKRNStdSpeedButton* spbZuruecksetzen = nullptr;
    QComboBox* cmbFilterart = nullptr;
    TKRNStdEdit* edtEinstellung = nullptr;
    TKRNStdEdit* edtRTyp = nullptr;
    TKRNStdEdit* edtRNr = nullptr;
    TKRNStdEdit* edtBenutzer = nullptr;
    TKRNStdEdit* edtArbeitsplatz = nullptr;
    QDateEdit* dtpSeit = nullptr;
    QDateEdit* dtpBis = nullptr;
    QTableView* grdVerlauf = nullptr;
    QAction* actEsc = nullptr;
    QAction* actF2 = nullptr;
    QAction* actF5 = nullptr;
    QAction* actF6 = nullptr;

private:
    void SetupComponents();
    void FilterZeigen(const TVerlaufSuche& suche);
    void WegZurueckZeigen();

    TVerlaufModell* FModell = nullptr;
    TVerlaufSuche FVorauswahl;
    bool FZeigen = false; // the controls are being filled: no reading per control
};

// Shows the window modally with the filters set for the item it is opened for.
void VerlaufZeigen(const TVerlaufSuche& vorauswahl);
