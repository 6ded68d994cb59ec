#include "host/core/KOMMFilter.h"

#include "host/core/DBFile.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

template <typename T> TKOMMFilterClass ClassRefOf(const char* name)
{
    static const TKOMMFilterClassInfo info{
        QString::fromLatin1(name),
        [](const QString& kennung, const QString& bezeichnung) -> std::unique_ptr<TKOMMFilter> {
            return std::make_unique<T>(kennung, bezeichnung);
        }};
    return &info;
}

constexpr char16_t kBlank = u' ';

} // namespace

// --- TKOMMFilter --------------------------------------------------------------

TKOMMFilter::TKOMMFilter(const QString& kennung, const QString& bezeichnung)
    : Kennung(kennung), Bezeichnung(bezeichnung)
{
}

TKOMMFilter::~TKOMMFilter() = default;

TKOMMFilterClass TKOMMFilter::ClassRef()
{
    return ClassRefOf<TKOMMFilter>("TKOMMFilter");
}

Tfidefile& TKOMMFilter::Fidefile()
{
    if (!m_fidefile) {
        m_fidefile = std::make_unique<Tfidefile>();
    }
    m_fidefile->OpenNew(-1);
    return *m_fidefile;
}

Tfikofile& TKOMMFilter::Fikofile()
{
    if (!m_fikofile) {
        m_fikofile = std::make_unique<Tfikofile>();
    }
    m_fikofile->OpenNew(-1);
    return *m_fikofile;
}

bool TKOMMFilter::FindOwnRow(Tfidefile& fide)
{
    fide.ResetSearch();
    fide.UseKey(fide.PrimaryKeyNr());
    fide.Kennung.SetKeyWert(Kennung);
    fide.Bezeichnung.SetKeyWert(Bezeichnung);
    return fide.FindKey();
}

bool TKOMMFilter::FilterLoad()
{
    FilterClear();
    Tfidefile& fide = Fidefile();
    const bool found = FindOwnRow(fide);
    m_fassungKennung = Kennung;
    m_fassungBezeichnung = Bezeichnung;
    m_fassung.reset();
    if (found) {
        Beschreibung = fide.Beschreibung.GetWert();
        ApplySettingsText(fide.Einstellungen.GetWert());
        m_fassung = Fassung(fide);
    }
    fide.ResetSearch();
    LoadAssignments();
    return found;
}

void TKOMMFilter::LoadAssignments()
{
    Tfikofile& fiko = Fikofile();
    fiko.ResetSearch();
    fiko.Kennung.SetFilterMin(Kennung);
    fiko.Kennung.SetFilterMax(Kennung);
    fiko.Bezeichnung.SetFilterMin(Bezeichnung);
    fiko.Bezeichnung.SetFilterMax(Bezeichnung);
    for (bool found = fiko.ReadFirst(); found; found = fiko.ReadNext()) {
        const char16_t rtyp = fiko.RTyp.GetWert().unicode();
        const qint32 rnr = fiko.RNr.GetWert();
        if (rtyp != kBlank && rnr == 0) {
            m_rtypen.insert(rtyp);
        } else if (rtyp == kBlank && rnr != 0) {
            m_rnrn.insert(rnr);
        }
    }
    fiko.ResetSearch();
}

void TKOMMFilter::FilterClear()
{
    Beschreibung.clear();
    m_rtypen.clear();
    m_rnrn.clear();
}

void TKOMMFilter::FilterSave()
{
    FilterSave(true);
}

bool TKOMMFilter::FilterSave(bool ueberschreiben)
{
    Tfidefile& fide = Fidefile();
    const bool exists = FindOwnRow(fide);
    if (exists && !ueberschreiben) {
        fide.ResetSearch();
        return false;
    }
    fide.Kennung.SetWert(Kennung);
    fide.Bezeichnung.SetWert(Bezeichnung);
    fide.Beschreibung.SetWert(Beschreibung);
    fide.Einstellungen.SetWert(SettingsText());
    fide.WriteRecord(exists ? wrdonUpdate : wrdonInsert, 0);
    m_fassungKennung = Kennung;
    m_fassungBezeichnung = Bezeichnung;
    m_fassung = Fassung(fide);
    fide.ResetSearch();
    return true;
}

QString TKOMMFilter::Fassung(const Tfidefile& fide)
{
    return fide.Beschreibung.GetWert() + QChar(0x1f) + fide.Einstellungen.GetWert();
}

TEinstellungSeitLaden TKOMMFilter::SeitLaden()
{
    if (m_fassungBezeichnung.isEmpty() || Kennung != m_fassungKennung || Bezeichnung != m_fassungBezeichnung) {
        return TEinstellungSeitLaden::Unveraendert;
    }
    Tfidefile& fide = Fidefile();
    const bool exists = FindOwnRow(fide);
    const std::optional<QString> jetzt = exists ? std::optional<QString>(Fassung(fide)) : std::nullopt;
    fide.ResetSearch();
    if (jetzt == m_fassung) {
        return TEinstellungSeitLaden::Unveraendert;
    }
    if (!m_fassung) {
        return TEinstellungSeitLaden::Unveraendert; // created since: the caller's overwrite question
    }
    return jetzt ? TEinstellungSeitLaden::Geaendert : TEinstellungSeitLaden::Geloescht;
}

bool TKOMMFilter::ListeRTypCheck(TRTyp_Erw rtyp) const
{
    return m_rtypen.contains(static_cast<char16_t>(rtyp));
}

bool TKOMMFilter::ListeRNrCheck(qint32 rnr) const
{
    return m_rnrn.contains(rnr);
}

TRTyp_Erw TKOMMFilter::Char2RTyp_Value(QChar rtyp)
{
    return static_cast<TRTyp_Erw>(rtyp.unicode());
}

// --- TBildKOMMFilter ----------------------------------------------------------

TBildKOMMFilter::TBildKOMMFilter(const QString& kennung, const QString& bezeichnung)
    : TKOMMFilter(kennung, bezeichnung)
{
}

void TBildKOMMFilter::FilterClear()
{
    TKOMMFilter::FilterClear();
    BildLoeschen = false;
    GroesseBreite = 0;
    GroesseHoehe = 0;
    Qualitaetsverlust = 0;
    OnlyFirstPicExp = false;
    m_gelesen = QJsonObject();
    m_geladen = Werte();
}

namespace {

const QString kBildLoeschen = QStringLiteral("BildLoeschen");
const QString kGroesseBreite = QStringLiteral("GroesseBreite");
const QString kGroesseHoehe = QStringLiteral("GroesseHoehe");
const QString kQualitaetsverlust = QStringLiteral("Qualitaetsverlust");
const QString kOnlyFirstPicExp = QStringLiteral("OnlyFirstPicExp");

// A value changed since the load replaces the stored one; an unchanged one
// stays as stored (also when it was unreadable, out of range or missing).
// Settings read from nothing get every value.
void Put(QJsonObject& object, const QString& key, const QJsonValue& value, bool unchanged, bool neu)
{
    if (!unchanged || neu) {
        object.insert(key, value);
    }
}

} // namespace

QString TBildKOMMFilter::SettingsText() const
{
    QJsonObject object = m_gelesen;
    const bool neu = m_gelesen.isEmpty();
    Put(object, kBildLoeschen, BildLoeschen, BildLoeschen == m_geladen.BildLoeschen, neu);
    Put(object, kGroesseBreite, GroesseBreite, GroesseBreite == m_geladen.GroesseBreite, neu);
    Put(object, kGroesseHoehe, GroesseHoehe, GroesseHoehe == m_geladen.GroesseHoehe, neu);
    Put(object, kQualitaetsverlust, std::clamp(Qualitaetsverlust, 0, 255),
        Qualitaetsverlust == m_geladen.Qualitaetsverlust, neu);
    Put(object, kOnlyFirstPicExp, OnlyFirstPicExp, OnlyFirstPicExp == m_geladen.OnlyFirstPicExp, neu);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

void TBildKOMMFilter::ApplySettingsText(const QString& text)
{
    // Unreadable or missing values keep their cleared state.
    m_gelesen = QJsonDocument::fromJson(text.toUtf8()).object();
    BildLoeschen = m_gelesen.value(kBildLoeschen).toBool(false);
    GroesseBreite = m_gelesen.value(kGroesseBreite).toInt(0);
    GroesseHoehe = m_gelesen.value(kGroesseHoehe).toInt(0);
    Qualitaetsverlust = std::clamp(m_gelesen.value(kQualitaetsverlust).toInt(0), 0, 255);
    OnlyFirstPicExp = m_gelesen.value(kOnlyFirstPicExp).toBool(false);
    m_geladen = Werte{BildLoeschen, GroesseBreite, GroesseHoehe, Qualitaetsverlust, OnlyFirstPicExp};
}

QString TBildKOMMFilter::QualitaetsverlustAusserhalb() const
{
    const QJsonValue stored = m_gelesen.value(kQualitaetsverlust);
    const double level = stored.toDouble(0.0);
    if (!stored.isDouble() || (level >= 0.0 && level <= 255.0)) {
        return QString();
    }
    return QString::number(level, 'g', 17);
}

// --- the two image filter kinds -------------------------------------------------

QString TABILKommFilter::Filter_Kennung()
{
    return QStringLiteral("ABIL");
}

TKOMMFilterClass TABILKommFilter::ClassRef()
{
    return ClassRefOf<TABILKommFilter>("TABILKommFilter");
}

QString TKBILKommFilter::Filter_Kennung()
{
    return QStringLiteral("KBIL");
}

TKOMMFilterClass TKBILKommFilter::ClassRef()
{
    return ClassRefOf<TKBILKommFilter>("TKBILKommFilter");
}
