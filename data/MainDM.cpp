#include "data/MainDM.h"

#include "host/Guard.h"
#include "host/KRNError.h"
#include "host/KRNInfo.h"

TdtmKOMMFilter* dtmKOMMFilter = nullptr;

namespace {

constexpr QChar kBlank = QLatin1Char(' ');

TKOMMFilterList& Registry()
{
    static TKOMMFilterList registry;
    return registry;
}

// The first registry entry with exactly this Kennung, or none.
const TKOMMFilterItem* FindRegistered(const QString& kennung)
{
    for (const TKOMMFilterItem& item : std::as_const(Registry())) {
        if (item.Kennung == kennung) {
            return &item;
        }
    }
    return nullptr;
}

QString Location(const char* method)
{
    return QStringLiteral("TdtmKOMMFilter.") + QString::fromLatin1(method);
}

} // namespace

// --- registry -------------------------------------------------------------------

void RegisterKOMMFilterEditor(const QString& kennung, const QString& bezeichnung, TKOMMFilterClass klasse,
                              TKOMMFilterEditorClass editor)
{
    KRNGuard(QStringLiteral("RegisterKOMMFilterEditor"), true,
             [&] { Registry().append(TKOMMFilterItem{kennung, bezeichnung, klasse, editor}); });
}

void EnumKOMMFilter(const TEnumKOMMFilterProc& callback)
{
    KRNGuard(QStringLiteral("EnumKOMMFilter"), true, [&] {
        if (!callback) {
            return;
        }
        // A copy, so that a callback that registers cannot invalidate the walk.
        const TKOMMFilterList entries = Registry();
        for (const TKOMMFilterItem& item : entries) {
            callback(item.Kennung, item.Bezeichnung, item.Klasse);
        }
    });
}

QString GetKOMMFilterBezeichnung(const QString& kennung)
{
    QString result;
    KRNGuard(QStringLiteral("GetKOMMFilterBezeichnung"), true, [&] {
        if (const TKOMMFilterItem* item = FindRegistered(kennung)) {
            result = item->Bezeichnung;
        }
    });
    return result;
}

TKOMMFilterEditorClass GetKOMMFilterEditor(const QString& kennung)
{
    TKOMMFilterEditorClass result = nullptr;
    KRNGuard(QStringLiteral("GetKOMMFilterEditor"), true, [&] {
        if (const TKOMMFilterItem* item = FindRegistered(kennung)) {
            result = item->Editor;
        }
    });
    return result;
}

TKOMMFilterClass GetKOMMFilterKlasse(const QString& kennung)
{
    TKOMMFilterClass result = nullptr;
    KRNGuard(QStringLiteral("GetKOMMFilterKlasse"), true, [&] {
        if (const TKOMMFilterItem* item = FindRegistered(kennung)) {
            result = item->Klasse;
        }
    });
    return result;
}

void ClearKOMMFilterRegistry()
{
    Registry().clear();
}

// --- data module -------------------------------------------------------------------

TdtmKOMMFilter::TdtmKOMMFilter()
{
    setObjectName(QStringLiteral("dtmKOMMFilter"));
}

TdtmKOMMFilter::~TdtmKOMMFilter()
{
    if (dtmKOMMFilter == this) {
        dtmKOMMFilter = nullptr;
    }
}

void TdtmKOMMFilter::DataModuleCreate(QObject*)
{
    KRNGuard(Location("DataModuleCreate"), true, [&] {
        FilterList.clear();
        fikofile.OpenNew(-1);
        fidefile.OpenNew(-1);
    });
}

void TdtmKOMMFilter::DataModuleDestroy(QObject*)
{
    const QString location = Location("DataModuleDestroy");
    KRNGuard(location, false, [&] { fikofile.CloseTable(); });
    KRNGuard(location, false, [&] { fidefile.CloseTable(); });
    KRNGuard(location, false, [&] { FilterList.clear(); });
    KRNInfo().FehlerTerminate(location, 0, QString(), QString(), 0, 0);
}

void TdtmKOMMFilter::RefreshFilterList()
{
    KRNGuard(Location("RefreshFilterList"), true, [&] {
        FilterList.clear();
        fikofile.ResetSearch();
        fikofile.ReadFirst();
        while (fikofile.Found()) {
            if (fikofile.Bezeichnung.GetWert().isEmpty() && fikofile.RTyp.GetWert() == kBlank &&
                fikofile.RNr.GetWert() == 0) {
                const QString kennung = fikofile.Kennung.GetWert();
                FilterList.append(TKOMMFilterItem{kennung, GetKOMMFilterBezeichnung(kennung),
                                                  GetKOMMFilterKlasse(kennung), nullptr});
            }
            fikofile.ReadNext();
        }
    });
}

namespace {

// Makes the fikofile row with these four key values exist or not exist.
void BookFikoRow(Tfikofile& fiko, const QString& kennung, const QString& bezeichnung, QChar rtyp, qint32 rnr,
                 bool onOff)
{
    fiko.ResetSearch();
    fiko.Kennung.SetKeyWert(kennung);
    fiko.Bezeichnung.SetKeyWert(bezeichnung);
    fiko.RTyp.SetKeyWert(rtyp);
    fiko.RNr.SetKeyWert(rnr);
    const bool found = fiko.FindKey();
    if (!onOff && found) {
        fiko.WriteRecord(wrdonDelete, 0);
    } else if (onOff && !found) {
        fiko.Kennung.SetWert(kennung);
        fiko.Bezeichnung.SetWert(bezeichnung);
        fiko.RTyp.SetWert(rtyp);
        fiko.RNr.SetWert(rnr);
        fiko.WriteRecord(wrdonInsert, 0);
    }
}

} // namespace

void TdtmKOMMFilter::BuchenAktivitaet(const QString& kennung, bool onOff)
{
    KRNGuard(Location("BuchenAktivitaet"), true,
             [&] { BookFikoRow(fikofile, kennung, QString(), kBlank, 0, onOff); });
}

bool TdtmKOMMFilter::BuchenEinstellungenPruefen(const QString& kennung, const QString& bezeichnung)
{
    bool result = false;
    KRNGuard(Location("BuchenEinstellungenPruefen"), true, [&] {
        fidefile.ResetSearch();
        fidefile.Kennung.SetKeyWert(kennung);
        fidefile.Bezeichnung.SetKeyWert(bezeichnung);
        result = fidefile.FindKey();
    });
    return result;
}

void TdtmKOMMFilter::BuchenKommunikation(const QString& kennung, const QString& bezeichnung, QChar rtyp,
                                         qint32 rnr, bool onOff)
{
    KRNGuard(Location("BuchenKommunikation"), true,
             [&] { BookFikoRow(fikofile, kennung, bezeichnung, rtyp, rnr, onOff); });
}

bool TdtmKOMMFilter::BuchenKommunikationPruefenKonsistenz(const QString& kennung, const QString& bezeichnung,
                                                          QChar rtyp, qint32 rnr, bool onOff,
                                                          QString& usedBezeichung)
{
    bool result = true;
    usedBezeichung.clear();
    KRNGuard(Location("BuchenKommunikationPruefenKonsistenz"), true, [&] {
        if (!onOff) {
            return;
        }
        fikofile.ResetSearch();
        fikofile.Kennung.SetFilterMin(kennung);
        fikofile.Kennung.SetFilterMax(kennung);
        if (rtyp != kBlank) {
            // The type itself, exactly: two types must never be confused.
            fikofile.RTyp.SetFilter({rtyp});
        }
        if (rnr > 0) {
            fikofile.RNr.SetFilterMin(rnr);
            fikofile.RNr.SetFilterMax(rnr);
        }
        fikofile.ReadFirst();
        while (fikofile.Found()) {
            const QString rowBezeichnung = fikofile.Bezeichnung.GetWert();
            if (rowBezeichnung != bezeichnung) {
                result = false;
                usedBezeichung = rowBezeichnung;
                break;
            }
            fikofile.ReadNext();
        }
        fikofile.ResetSearch();
    });
    return result;
}

void TdtmKOMMFilter::VersionsInfo(QObject*)
{
    KRNGuard(Location("VersionsInfo"), true, [&] {
        KRNInfo().VersionsInfoZeigen(QStringLiteral("Filter für den Datenaustausch"), nullptr, QString());
    });
}
