#pragma once

#include "host/core/DBFile.h"
#include "host/core/DataModule.h"
#include "host/core/KOMMFilter.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

class TfrmKOMMFilterEditor;

// Class reference of a filter editor form: its name and how to create one
// (without owner, creation handler run).
struct TKOMMFilterEditorClassInfo
{
    QString ClassName;
    TfrmKOMMFilterEditor* (*Create)();
};
using TKOMMFilterEditorClass = const TKOMMFilterEditorClassInfo*;

struct TKOMMFilterItem
{
    QString Kennung;
    QString Bezeichnung;
    TKOMMFilterClass Klasse = nullptr;
    TKOMMFilterEditorClass Editor = nullptr;
};
using TKOMMFilterList = QList<TKOMMFilterItem>;

// The filter editor registry.
using TEnumKOMMFilterProc =
    std::function<void(const QString& kennung, const QString& bezeichnung, TKOMMFilterClass klasse)>;
void RegisterKOMMFilterEditor(const QString& kennung, const QString& bezeichnung, TKOMMFilterClass klasse,
                              TKOMMFilterEditorClass editor);
void EnumKOMMFilter(const TEnumKOMMFilterProc& callback);
QString GetKOMMFilterBezeichnung(const QString& kennung);
TKOMMFilterEditorClass GetKOMMFilterEditor(const QString& kennung);
TKOMMFilterClass GetKOMMFilterKlasse(const QString& kennung);
// Empties the registry (before registration and as the last step of
// shutdown).
void ClearKOMMFilterRegistry();

// The entries of the computer tree with their marks, in tree order.
struct TRechnerMarken
{
    QList<std::pair<QChar, bool>> RTypen;
    QList<std::pair<qint32, bool>> RNummern;
};

// The first marked entry that another saved setting of the kind holds:
// a type (RNr 0) or a number (RTyp blank).
struct TRechnerKonflikt
{
    bool TypEintrag = true;
    QChar RTyp = QLatin1Char(' ');
    qint32 RNr = 0;
    QString UsedBezeichung;
};

// The filter data module: owns the two tables, keeps the list of active
// filter kinds and books activity and assignment records.
class TdtmKOMMFilter final : public TDataModule
{
public:
    TdtmKOMMFilter();
    ~TdtmKOMMFilter() override;

    Tfidefile fidefile;
    Tfikofile fikofile;
    TKOMMFilterList FilterList;

    void DataModuleCreate(QObject* sender);
    void DataModuleDestroy(QObject* sender);

    void RefreshFilterList();
    void BuchenAktivitaet(const QString& kennung, bool onOff);
    bool BuchenEinstellungenPruefen(const QString& kennung, const QString& bezeichnung);
    void BuchenKommunikation(const QString& kennung, const QString& bezeichnung, QChar rtyp, qint32 rnr,
                             bool onOff);
    bool BuchenKommunikationPruefenKonsistenz(const QString& kennung, const QString& bezeichnung, QChar rtyp,
                                              qint32 rnr, bool onOff, QString& usedBezeichung);
    // The same for every entry of the tree with a constant number of
    // statements: the first conflict, types before numbers in tree order, or
    // none; and the booking of all marks. Failures are reported under the
    // names of the operations for one entry.
    std::optional<TRechnerKonflikt> BuchenKommunikationPruefenKonsistenz(const QString& kennung,
                                                                         const QString& bezeichnung,
                                                                         const TRechnerMarken& marken);
    void BuchenKommunikation(const QString& kennung, const QString& bezeichnung,
                             const TRechnerMarken& marken);
    void VersionsInfo(QObject* sender);

protected:
    void DoCreate() override { DataModuleCreate(this); }
    void DoDestroy() override { DataModuleDestroy(this); }
};

// The program-wide instance (set by Application::CreateForm).
extern TdtmKOMMFilter* dtmKOMMFilter;
