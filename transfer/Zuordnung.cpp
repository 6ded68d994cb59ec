#include "transfer/Zuordnung.h"

#include "host/core/DBFile.h"
#include "host/core/Rechner.h"
#include "host/store/Store.h"

#include "transfer/BildVerarbeitung.h"

#include <QJsonDocument>
#include <QStringList>

namespace {

constexpr char16_t kBlank = u' ';

// Every fikofile row of one kind, or of all kinds with an empty Kennung.
template <typename Visit> void ReadFikofile(const QString& kennung, Visit visit)
{
    Tfikofile fiko;
    fiko.OpenNew(-1);
    fiko.ResetSearch();
    if (!kennung.isEmpty()) {
        fiko.Kennung.SetFilterMin(kennung);
        fiko.Kennung.SetFilterMax(kennung);
    }
    for (bool found = fiko.ReadFirst(); found; found = fiko.ReadNext()) {
        visit(fiko.Kennung.GetWert(), fiko.Bezeichnung.GetWert(), fiko.RTyp.GetWert().unicode(),
              fiko.RNr.GetWert());
    }
    fiko.ResetSearch();
    fiko.CloseTable();
}

} // namespace

TBedienung BedienendeEinstellung(const TZuordnungen& zuordnungen, QChar rtyp, qint32 rnr)
{
    if (!zuordnungen.Aktiv) {
        return TBedienung{TZuordnungsGrund::ArtAus, QString()};
    }
    if (rnr != 0) {
        const auto nummer = zuordnungen.Nummern.constFind(rnr);
        if (nummer != zuordnungen.Nummern.cend()) {
            TBedienung bedienung{TZuordnungsGrund::Rechnernummer, *nummer};
            const auto typ = zuordnungen.Typen.constFind(rtyp.unicode());
            if (rtyp != QChar(kBlank) && typ != zuordnungen.Typen.cend() && *typ != *nummer) {
                bedienung.Ueberschrieben = *typ;
                bedienung.UeberschriebenTyp = rtyp;
            }
            return bedienung;
        }
    }
    if (rtyp != QChar(kBlank)) {
        const auto typ = zuordnungen.Typen.constFind(rtyp.unicode());
        if (typ != zuordnungen.Typen.cend()) {
            return TBedienung{TZuordnungsGrund::Rechnertyp, *typ};
        }
    }
    return TBedienung{TZuordnungsGrund::Keine, QString()};
}

QString ZuordnungsGrundText(TZuordnungsGrund grund)
{
    switch (grund) {
    case TZuordnungsGrund::Rechnernummer:
        return QStringLiteral("Einstellung der Rechnernummer");
    case TZuordnungsGrund::Rechnertyp:
        return QStringLiteral("Einstellung des Rechnertyps");
    case TZuordnungsGrund::Keine:
        return QStringLiteral("keine Einstellung zugeordnet, Bilder unverändert");
    case TZuordnungsGrund::ArtAus:
        return QStringLiteral("Filterart ausgeschaltet, Bilder unverändert");
    }
    return QString();
}

QString ZuordnungsGrundSchluessel(TZuordnungsGrund grund)
{
    switch (grund) {
    case TZuordnungsGrund::Rechnernummer:
        return QStringLiteral("rnr");
    case TZuordnungsGrund::Rechnertyp:
        return QStringLiteral("rtyp");
    case TZuordnungsGrund::Keine:
        return QStringLiteral("keine");
    case TZuordnungsGrund::ArtAus:
        return QStringLiteral("aus");
    }
    return QString();
}

QString BedienungText(const TBedienung& bedienung)
{
    const QString grund = ZuordnungsGrundText(bedienung.Grund);
    return bedienung.Filtert() ? QStringLiteral("%1 (%2)").arg(bedienung.Bezeichnung, grund) : grund;
}

QString BedienungErklaerung(const TBedienung& bedienung)
{
    if (bedienung.Ueberschrieben.isEmpty()) {
        return BedienungText(bedienung);
    }
    return QStringLiteral("%1 (%2; überschreibt %3 des Rechnertyps %4)")
        .arg(bedienung.Bezeichnung, ZuordnungsGrundText(bedienung.Grund), bedienung.Ueberschrieben)
        .arg(bedienung.UeberschriebenTyp);
}

QString TFilterZuordnung::Erklaerung(const TBedienung& bedienung) const
{
    const QString text = BedienungErklaerung(bedienung);
    return bedienung.Filtert() && m_wirkung.contains(bedienung.Bezeichnung)
               ? QStringLiteral("%1: %2").arg(text, m_wirkung.value(bedienung.Bezeichnung))
               : text;
}

TFilterZuordnung::TFilterZuordnung(const QString& kennung) : m_kennung(kennung)
{
    ReadFikofile(kennung, [this](const QString&, const QString& bezeichnung, char16_t rtyp, qint32 rnr) {
        if (bezeichnung.isEmpty()) {
            m_zuordnungen.Aktiv = m_zuordnungen.Aktiv || (rtyp == kBlank && rnr == 0);
        } else if (rtyp == kBlank && rnr != 0) {
            m_zuordnungen.Nummern.insert(rnr, bezeichnung);
        } else if (rtyp != kBlank && rnr == 0) {
            m_zuordnungen.Typen.insert(rtyp, bezeichnung);
        }
    });
    for (const TRechner& rechner : ReadRechner(TStore::Required(), false)) {
        m_typen.insert(rechner.RNr, rechner.RTyp);
    }
    Tfidefile fide;
    fide.OpenNew(-1);
    fide.ResetSearch();
    fide.Kennung.SetFilterMin(kennung);
    fide.Kennung.SetFilterMax(kennung);
    for (bool found = fide.ReadFirst(); found; found = fide.ReadNext()) {
        m_wirkung.insert(fide.Bezeichnung.GetWert(),
                         BildEinstellungText(TBildEinstellung::AusWerten(
                             QJsonDocument::fromJson(fide.Einstellungen.GetWert().toUtf8()).object())));
    }
    fide.ResetSearch();
    fide.CloseTable();
}

TBedienung TFilterZuordnung::FuerRechner(qint32 rnr) const
{
    return BedienendeEinstellung(m_zuordnungen, TypVon(rnr), rnr);
}

TBedienung TFilterZuordnung::FuerTyp(QChar rtyp) const
{
    return BedienendeEinstellung(m_zuordnungen, rtyp, 0);
}

QStringList AktiveFilterArten()
{
    QStringList arten;
    ReadFikofile(QString(),
                 [&arten](const QString& kennung, const QString& bezeichnung, char16_t rtyp, qint32 rnr) {
                     if (bezeichnung.isEmpty() && rtyp == kBlank && rnr == 0 && !arten.contains(kennung)) {
                         arten.append(kennung);
                     }
                 });
    return arten;
}
