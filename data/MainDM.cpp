#include "data/MainDM.h"

#include "host/core/FremdeAenderungen.h"

#include "host/core/Guard.h"
#include "host/core/KRNError.h"
#include "host/core/KRNInfo.h"
#include "host/store/Store.h"

#include <algorithm>

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QVariant>

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

} // namespace

// --- registry -------------------------------------------------------------------

void RegisterKOMMFilterEditor(const QString& kennung, const QString& bezeichnung, TKOMMFilterClass klasse,
                              TKOMMFilterEditorClass editor)
{
    KRNGuard(QStringLiteral("RegisterKOMMFilterEditor"), true, [&] {
        Registry().append(TKOMMFilterItem{kennung, bezeichnung, klasse, editor});
    });
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
    KRNGuard(KRNLocation("TdtmKOMMFilter", "DataModuleCreate"), true, [&] {
        FilterList.clear();
        fikofile.OpenNew(-1);
        fidefile.OpenNew(-1);
    });
}

void TdtmKOMMFilter::DataModuleDestroy(QObject*)
{
    const QString location = KRNLocation("TdtmKOMMFilter", "DataModuleDestroy");
    KRNGuard(location, false, [&] { fikofile.CloseTable(); });
    KRNGuard(location, false, [&] { fidefile.CloseTable(); });
    KRNGuard(location, false, [&] { FilterList.clear(); });
    KRNInfo().FehlerTerminate(location, 0, QString(), QString(), 0, 0);
}

void TdtmKOMMFilter::RefreshFilterList()
{
    KRNGuard(KRNLocation("TdtmKOMMFilter", "RefreshFilterList"), true, [&] {
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
    KRNGuard(KRNLocation("TdtmKOMMFilter", "BuchenAktivitaet"), true,
             [&] { BookFikoRow(fikofile, kennung, QString(), kBlank, 0, onOff); });
}

bool TdtmKOMMFilter::BuchenEinstellungenPruefen(const QString& kennung, const QString& bezeichnung)
{
    bool result = false;
    KRNGuard(KRNLocation("TdtmKOMMFilter", "BuchenEinstellungenPruefen"), true, [&] {
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
    KRNGuard(KRNLocation("TdtmKOMMFilter", "BuchenKommunikation"), true,
             [&] { BookFikoRow(fikofile, kennung, bezeichnung, rtyp, rnr, onOff); });
}

bool TdtmKOMMFilter::BuchenKommunikationPruefenKonsistenz(const QString& kennung, const QString& bezeichnung,
                                                          QChar rtyp, qint32 rnr, bool onOff,
                                                          QString& usedBezeichung)
{
    bool result = true;
    usedBezeichung.clear();
    KRNGuard(KRNLocation("TdtmKOMMFilter", "BuchenKommunikationPruefenKonsistenz"), true, [&] {
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

namespace {

QJsonValue JsonWert(QChar rtyp)
{
    return QString(rtyp);
}

QJsonValue JsonWert(qint32 rnr)
{
    return rnr;
}

// The entries whose mark is as given, as one JSON array.
template <class Eintrag> QString Liste(const QList<std::pair<Eintrag, bool>>& eintraege, bool markiert)
{
    QJsonArray liste;
    for (const auto& [eintrag, mark] : eintraege) {
        if (mark == markiert) {
            liste.append(JsonWert(eintrag));
        }
    }
    return QString::fromUtf8(QJsonDocument(liste).toJson(QJsonDocument::Compact));
}

// A blank type or a number below 1 restricts nothing: every row of the kind
// is then compared, as the check for one entry does.
bool MarkiertOhneEinschraenkung(const TRechnerMarken& marken)
{
    return std::ranges::any_of(marken.RTypen, [](const auto& e) { return e.second && e.first == kBlank; }) ||
           std::ranges::any_of(marken.RNummern, [](const auto& e) { return e.second && e.first <= 0; });
}

} // namespace

std::optional<TRechnerKonflikt>
TdtmKOMMFilter::BuchenKommunikationPruefenKonsistenz(const QString& kennung, const QString& bezeichnung,
                                                     const TRechnerMarken& marken)
{
    std::optional<TRechnerKonflikt> konflikt;
    KRNGuard(KRNLocation("TdtmKOMMFilter", "BuchenKommunikationPruefenKonsistenz"), true, [&] {
        TStore& store = TStore::Required();
        // The rows of other settings for the marked entries, in table order;
        // the first one per type or number decides.
        QSqlQuery rows = store.Query(
            QStringLiteral(
                "SELECT Bezeichnung, RTyp, RNr FROM fikofile WHERE Kennung = ? AND Bezeichnung <> ?"
                " AND (RTyp IN (%1) OR RNr IN (%2) OR ? = 1)"
                " ORDER BY Kennung, Bezeichnung, RTyp, RNr")
                .arg(store.ListSql(TStoreListKind::Text), store.ListSql(TStoreListKind::Integer)),
            {kennung, bezeichnung, Liste(marken.RTypen, true), Liste(marken.RNummern, true),
             MarkiertOhneEinschraenkung(marken) ? 1 : 0});
        QHash<QString, QString> ersteJeTyp;
        QHash<qint32, QString> ersteJeNummer;
        std::optional<QString> ersteZeile; // for an entry that restricts nothing
        while (rows.next()) {
            const QString used = rows.value(0).toString();
            const QString rtyp = rows.value(1).toString();
            const qint32 rnr = rows.value(2).toInt();
            if (!ersteJeTyp.contains(rtyp)) {
                ersteJeTyp.insert(rtyp, used);
            }
            if (!ersteJeNummer.contains(rnr)) {
                ersteJeNummer.insert(rnr, used);
            }
            if (!ersteZeile) {
                ersteZeile = used;
            }
        }
        const auto erste = [&](const auto& jeEintrag, const auto& eintrag, bool ohneEinschraenkung) {
            return ohneEinschraenkung            ? ersteZeile
                   : jeEintrag.contains(eintrag) ? std::optional<QString>(jeEintrag.value(eintrag))
                                                 : std::nullopt;
        };
        for (const auto& [rtyp, markiert] : marken.RTypen) {
            const std::optional<QString> used = erste(ersteJeTyp, QString(rtyp), rtyp == kBlank);
            if (markiert && used) {
                konflikt = TRechnerKonflikt{true, rtyp, 0, *used};
                return;
            }
        }
        for (const auto& [rnr, markiert] : marken.RNummern) {
            const std::optional<QString> used = erste(ersteJeNummer, rnr, rnr <= 0);
            if (markiert && used) {
                konflikt = TRechnerKonflikt{false, kBlank, rnr, *used};
                return;
            }
        }
    });
    return konflikt;
}

// Deletes the unmarked entries' rows of the setting and inserts the missing
// marked ones: three statements, whatever the number of entries, each with
// its history (see TStore::ChangeAssignments). A rule violation fails the
// insert (nothing is silently left out).
void TdtmKOMMFilter::BuchenKommunikation(const QString& kennung, const QString& bezeichnung,
                                         const TRechnerMarken& marken)
{
    KRNGuard(KRNLocation("TdtmKOMMFilter", "BuchenKommunikation"), true, [&] {
        TStore& store = TStore::Required();
        const QString typen = store.ListSql(TStoreListKind::Text);
        const QString nummern = store.ListSql(TStoreListKind::Integer);
        const QString entfernt = QStringLiteral(
                                     "FROM fikofile WHERE Kennung = ? AND Bezeichnung = ?"
                                     " AND ((RNr = 0 AND RTyp IN (%1)) OR (RTyp = ' ' AND RNr IN (%2)))")
                                     .arg(typen, nummern);
        store.ChangeAssignments(false, QStringLiteral("DELETE ") + entfernt,
                                {kennung, bezeichnung, Liste(marken.RTypen, false), Liste(marken.RNummern, false)});
        const QString neu = QStringLiteral(
            "SELECT DISTINCT CAST(? AS TEXT) AS Kennung, CAST(? AS TEXT) AS Bezeichnung, %1 FROM (%2) l"
            " WHERE NOT EXISTS (SELECT 1 FROM fikofile f WHERE f.Kennung = ? AND f.Bezeichnung = ?"
            " AND f.RTyp = %3 AND f.RNr = %4)");
        const auto hinzu = [&](const QString& zeile, const QString& liste) {
            store.ChangeAssignments(true, QStringLiteral("INSERT INTO fikofile (Kennung, Bezeichnung, RTyp, RNr) ") + zeile,
                                    {kennung, bezeichnung, liste, kennung, bezeichnung});
        };
        hinzu(neu.arg(QStringLiteral("l.value AS RTyp, 0 AS RNr"), typen, QStringLiteral("l.value"),
                      QStringLiteral("0")),
              Liste(marken.RTypen, true));
        hinzu(neu.arg(QStringLiteral("' ' AS RTyp, l.value AS RNr"), nummern, QStringLiteral("' '"),
                      QStringLiteral("l.value")),
              Liste(marken.RNummern, true));
    });
}

void TdtmKOMMFilter::VersionsInfo(QObject*)
{
    KRNGuard(KRNLocation("TdtmKOMMFilter", "VersionsInfo"), true, [&] {
        const QString andere = TStore::Current() ? AndereArbeitsplaetzeText(*TStore::Current()) : QString();
        KRNInfo().VersionsInfoZeigen(QStringLiteral("Filter für den Datenaustausch"), nullptr, andere);
    });
}
