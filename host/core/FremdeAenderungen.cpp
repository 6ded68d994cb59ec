#include "host/core/FremdeAenderungen.h"

#include "host/store/Store.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <utility>

namespace {

TFremdeAenderungenWaechter* g_aktuell = nullptr;

// Without a sign from the file system (a network share) a file is looked
// at this often.
constexpr int kIntervallMs = 1500;
// How many units of work already told of are remembered.
constexpr int kGemeldetBehalten = 1000;
// On a server a lost connection is noticed by a statement this often, so
// that it listens again and reads what it missed: after a failover the
// workstation hears the new primary within this time, also while idle.
constexpr int kVerbindungPruefenMs = 5000;

bool Aktivierung(const TVerlaufEintrag& e)
{
    return e.Art == u"filterart_an" || e.Art == u"filterart_aus";
}

bool Zuordnung(const TVerlaufEintrag& e)
{
    return e.Art.startsWith(QLatin1String("zuordnung")) || Aktivierung(e);
}

bool Einstellung(const TVerlaufEintrag& e)
{
    return e.Art.startsWith(QLatin1String("einstellung_"));
}

template <class Wahl>
std::optional<TVerlaufEintrag> Letzter(const QList<TVerlaufEintrag>& eintraege, Wahl wahl)
{
    const auto it = std::find_if(eintraege.crbegin(), eintraege.crend(), wahl);
    return it == eintraege.crend() ? std::nullopt : std::optional<TVerlaufEintrag>(*it);
}

} // namespace

bool TFremdeAenderungen::Filterarten() const
{
    return Unbekannt || std::any_of(Eintraege.cbegin(), Eintraege.cend(), ::Aktivierung);
}

bool TFremdeAenderungen::Einstellungen(const QString& kennung) const
{
    return Unbekannt || std::any_of(Eintraege.cbegin(), Eintraege.cend(), [&](const TVerlaufEintrag& e) {
               return e.Kennung == kennung && ::Einstellung(e);
           });
}

std::optional<TVerlaufEintrag> TFremdeAenderungen::Einstellung(const QString& kennung,
                                                               const QString& bezeichnung,
                                                               bool mitZuordnungen) const
{
    return Letzter(Eintraege, [&](const TVerlaufEintrag& e) {
        return e.Kennung == kennung && e.Bezeichnung == bezeichnung &&
               (::Einstellung(e) || (mitZuordnungen && ::Zuordnung(e)));
    });
}

bool TFremdeAenderungen::Geloescht(const QString& kennung, const QString& bezeichnung) const
{
    const auto letzter = Letzter(Eintraege, [&](const TVerlaufEintrag& e) {
        return e.Kennung == kennung && e.Bezeichnung == bezeichnung && ::Einstellung(e);
    });
    return letzter && letzter->Art == u"einstellung_geloescht";
}

std::optional<TVerlaufEintrag> TFremdeAenderungen::Zuordnung(const QString& kennung) const
{
    return Letzter(Eintraege, [&](const TVerlaufEintrag& e) { return e.Kennung == kennung && ::Zuordnung(e); });
}

std::optional<TVerlaufEintrag> TFremdeAenderungen::Aktivierung() const
{
    return Letzter(Eintraege, ::Aktivierung);
}

void TFremdeAenderungen::Anhaengen(const TFremdeAenderungen& spaeter)
{
    Eintraege += spaeter.Eintraege;
    Unbekannt = Unbekannt || spaeter.Unbekannt;
}

QString FremdeAenderungText(const TVerlaufEintrag& e)
{
    const QDateTime zeit = e.Zeit.toLocalTime();
    QString wer = e.Benutzer.isEmpty() ? e.Rolle : e.Benutzer;
    if (!e.Arbeitsplatz.isEmpty()) {
        wer += QStringLiteral(" an %1").arg(e.Arbeitsplatz);
    }
    return QStringLiteral("Geändert am %1 um %2 von %3: %4")
        .arg(zeit.toString(QStringLiteral("dd.MM.yyyy")), zeit.toString(QStringLiteral("HH:mm")), wer,
             VerlaufText(e));
}

QString AndereArbeitsplaetzeText(TStore& store)
{
    const std::optional<QList<TStoreConnection>> verbindungen = store.OtherConnections();
    if (!verbindungen) {
        return QStringLiteral("Andere Arbeitsplätze: Bei einer Datei als Datenbestand kann das Programm nicht "
                              "wissen, wer sie außerdem geöffnet hat.");
    }
    if (verbindungen->isEmpty()) {
        return QStringLiteral("Andere Arbeitsplätze an diesem Datenbestand: keine");
    }
    QStringList zeilen{QStringLiteral("Andere Arbeitsplätze an diesem Datenbestand:")};
    for (const TStoreConnection& v : *verbindungen) {
        const QString name = v.Name.isEmpty() ? QStringLiteral("(ohne Namen)") : v.Name;
        zeilen << (v.Seit.isValid()
                       ? QStringLiteral("%1 seit %2").arg(name, v.Seit.toLocalTime().toString(
                                                                     QStringLiteral("dd.MM.yyyy HH:mm")))
                       : QStringLiteral("%1 (seit wann, sagt der Server nicht)").arg(name));
    }
    return zeilen.join(QLatin1Char('\n'));
}

TFremdeAenderungenWaechter::TFremdeAenderungenWaechter(TStore& store, QObject* parent)
    : QObject(parent), m_store(store)
{
    QSqlQuery query = m_store.Query(QStringLiteral("SELECT coalesce(max(id), 0) FROM verlauf"));
    m_letzteId = query.next() ? query.value(0).toLongLong() : 0;
    m_generation = m_store.Generation();
    m_server = m_store.ListenForChanges([this](const QString& einheit) { Angekuendigt(einheit); });
    connect(&m_timer, &QTimer::timeout, this, &TFremdeAenderungenWaechter::Pruefen);
    if (m_server) {
        m_timer.start(kVerbindungPruefenMs);
    } else {
        m_zaehler = m_store.ChangeCounter().value_or(0);
        connect(&m_dateien, &QFileSystemWatcher::fileChanged, this, &TFremdeAenderungenWaechter::Pruefen);
        m_timer.start(kIntervallMs);
        Beobachten();
    }
    g_aktuell = this;
}

TFremdeAenderungenWaechter::~TFremdeAenderungenWaechter()
{
    if (g_aktuell == this) {
        g_aktuell = nullptr;
    }
    m_store.ListenForChanges({});
}

TFremdeAenderungenWaechter* TFremdeAenderungenWaechter::Aktuell()
{
    return g_aktuell;
}

// The file and its WAL; a file written anew (a WAL after a checkpoint that
// removed it) is watched again.
void TFremdeAenderungenWaechter::Beobachten()
{
    const QStringList dateien = {m_store.Path(), m_store.Path() + QStringLiteral("-wal")};
    for (const QString& datei : dateien) {
        if (!m_dateien.files().contains(datei) && QFileInfo::exists(datei)) {
            m_dateien.addPath(datei);
        }
    }
}

void TFremdeAenderungenWaechter::Pruefen()
{
    if (m_store.InTransaction()) {
        return;
    }
    try {
        if (m_server) {
            try {
                m_store.Query(QStringLiteral("SELECT 1"));
            } catch (const StoreError&) {
                // A lost connection is opened anew below.
            }
            m_store.EnsureConnected();
            if (m_generation != m_store.Generation()) {
                // Announcements made while the connection was lost are gone.
                m_generation = m_store.Generation();
                NeuereLesen(false);
            }
            return;
        }
        Beobachten();
        const qint64 zaehler = m_store.ChangeCounter().value_or(0);
        if (zaehler != m_zaehler) {
            m_zaehler = zaehler;
            NeuereLesen(true);
        }
    } catch (const StoreError&) {
    }
}

void TFremdeAenderungenWaechter::Angekuendigt(const QString& einheit)
{
    if (m_gemeldet.contains(einheit) || m_angekuendigt.contains(einheit)) {
        return;
    }
    // Read once the driver's notification has been handled; announcements
    // that arrive together are read together.
    if (m_angekuendigt.isEmpty()) {
        QTimer::singleShot(0, this, &TFremdeAenderungenWaechter::AngekuendigteLesen);
    }
    m_angekuendigt << einheit;
}

void TFremdeAenderungenWaechter::AngekuendigteLesen()
{
    const QStringList einheiten = std::exchange(m_angekuendigt, {});
    if (einheiten.isEmpty()) {
        return;
    }
    TFremdeAenderungen aenderungen;
    try {
        aenderungen = Lesen(QStringLiteral("arbeitseinheit IN (%1)").arg(m_store.ListSql(TStoreListKind::Text)),
                            {QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(einheiten)).toJson(
                                QJsonDocument::Compact))});
    } catch (const StoreError&) {
        aenderungen.Unbekannt = true;
    }
    QSet<QString> gelesen;
    for (const TVerlaufEintrag& e : std::as_const(aenderungen.Eintraege)) {
        gelesen.insert(e.Arbeitseinheit);
    }
    for (const QString& einheit : einheiten) {
        // A unit of work that recorded nothing (a copy of a whole store).
        aenderungen.Unbekannt = aenderungen.Unbekannt || !gelesen.contains(einheit);
    }
    Melden(aenderungen);
}

void TFremdeAenderungenWaechter::NeuereLesen(bool unbekanntWennNichts)
{
    TFremdeAenderungen aenderungen = Lesen(QStringLiteral("id > ?"), {m_letzteId});
    aenderungen.Unbekannt = unbekanntWennNichts && aenderungen.Eintraege.isEmpty();
    Melden(aenderungen);
}

// The foreign entries not told of yet, oldest first.
TFremdeAenderungen TFremdeAenderungenWaechter::Lesen(const QString& bedingung, const QVariantList& werte)
{
    QSqlQuery query = m_store.Query(
        QStringLiteral("SELECT %1 FROM verlauf WHERE %2 ORDER BY id").arg(VerlaufSpalten(), bedingung), werte);
    TFremdeAenderungen aenderungen;
    QList<TVerlaufEintrag> zeilen;
    while (query.next()) {
        zeilen.clear();
        VerlaufZeilen(query, zeilen);
        for (TVerlaufEintrag& e : zeilen) {
            m_letzteId = std::max(m_letzteId, e.Id);
            if (!m_store.OwnUnitOfWork(e.Arbeitseinheit) && !m_gemeldet.contains(e.Arbeitseinheit)) {
                aenderungen.Eintraege.append(std::move(e));
            }
        }
    }
    return aenderungen;
}

void TFremdeAenderungenWaechter::Melden(const TFremdeAenderungen& aenderungen)
{
    if (m_gemeldet.size() > kGemeldetBehalten) {
        m_gemeldet.clear(); // the history's ids keep what is older out
    }
    for (const TVerlaufEintrag& e : aenderungen.Eintraege) {
        m_gemeldet.insert(e.Arbeitseinheit);
    }
    if (!aenderungen.Leer()) {
        Q_EMIT Geaendert(aenderungen);
    }
}
