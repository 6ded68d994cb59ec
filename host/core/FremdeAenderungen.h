#pragma once

#include "host/core/Verlauf.h"

#include <QFileSystemWatcher>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

class TStore;

// What other workstations committed since the program last looked: the
// history's entries of their units of work, oldest first.
struct TFremdeAenderungen
{
    QList<TVerlaufEintrag> Eintraege;
    // Something changed that the history does not name (another program's
    // write, a unit of work that records nothing, a change whose history
    // could not be read).
    bool Unbekannt = false;

    bool Leer() const { return Eintraege.isEmpty() && !Unbekannt; }
    // Whether a filter kind was switched on or off (or may have been).
    bool Filterarten() const;
    // Whether saved settings of the kind were created, changed or deleted
    // (or may have been).
    bool Einstellungen(const QString& kennung) const;
    // The latest entry that changed the saved setting or (mitZuordnungen)
    // its assignments; nothing when none did.
    std::optional<TVerlaufEintrag> Einstellung(const QString& kennung, const QString& bezeichnung,
                                               bool mitZuordnungen = true) const;
    // Whether the latest entry on the saved setting itself deleted it.
    bool Geloescht(const QString& kennung, const QString& bezeichnung) const;
    // The latest entry that changed an assignment or the activity of the kind.
    std::optional<TVerlaufEintrag> Zuordnung(const QString& kennung) const;
    // The latest entry that switched a filter kind on or off.
    std::optional<TVerlaufEintrag> Aktivierung() const;
    // Adds what came later.
    void Anhaengen(const TFremdeAenderungen& spaeter);
};

Q_DECLARE_METATYPE(TFremdeAenderungen)

// "Geändert am 09.12.2026 um 07:14 von anna an PC-LAGER2: <was>" – who,
// where and when in the local time, with the entry in words.
QString FremdeAenderungText(const TVerlaufEintrag& eintrag);

// The lines of the version window on the other workstations at the store:
// each with its name and since when (local time) on a server, or that a
// file cannot tell. Throws StoreError.
QString AndereArbeitsplaetzeText(TStore& store);

// Tells the program of the changes other workstations commit to its store.
// On a server it listens to the store's announcements; on a file it looks
// at the store's data version when the file or its WAL changes, and
// otherwise every so often. A workstation's own units of work never come
// back as news. Looking costs one statement and reads the history only when
// something changed.
class TFremdeAenderungenWaechter final : public QObject
{
    Q_OBJECT
public:
    // Watches the store, which must outlive it. Throws StoreError.
    explicit TFremdeAenderungenWaechter(TStore& store, QObject* parent = nullptr);
    ~TFremdeAenderungenWaechter() override;

    // The watcher of the program's store, if one runs.
    static TFremdeAenderungenWaechter* Aktuell();

    // Looks now (when the program becomes active or idle): on a file at the
    // data version, on a server after a reconnect at what the lost
    // connection may have missed. Never throws; a failure waits for the
    // next statement of the user to be reported.
    void Pruefen();
    // How often a file is looked at without a sign of change (ms).
    void SetIntervall(int ms) { m_timer.setInterval(ms); }

Q_SIGNALS:
    // From the event loop, once per change; several units of work that
    // arrived together come as one.
    void Geaendert(const TFremdeAenderungen& aenderungen);

private:
    void Angekuendigt(const QString& einheit);
    void AngekuendigteLesen();
    void NeuereLesen(bool unbekanntWennNichts);
    TFremdeAenderungen Lesen(const QString& bedingung, const QVariantList& werte);
    void Beobachten();
    void Melden(const TFremdeAenderungen& aenderungen);

    TStore& m_store;
    bool m_server = false;
    qint64 m_zaehler = 0;
    qint64 m_letzteId = 0;
    int m_generation = 0;
    QStringList m_angekuendigt;
    QSet<QString> m_gemeldet; // units of work already told of
    QFileSystemWatcher m_dateien;
    QTimer m_timer;
};
