#include "transfer/Transfer.h"

#include "host/core/KOMMFilter.h"
#include "host/core/KRNError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include <unistd.h>

namespace {

// The output cannot be written: ends the whole job, unlike a damaged image.
class TSchreibFehler : public KRNException
{
public:
    using KRNException::KRNException;
};

// Computers served the same way: by one setting, or unfiltered.
struct TGruppe
{
    std::optional<TBildEinstellung> Einstellung; // none: images pass unchanged
    QList<qsizetype> Rechner;                    // indexes into the result's computers
    QString ErsterOrdner;                        // where the images are written once
    QList<TBildQuelle> Bilder;                   // the images this group passes on
    QStringList Geschrieben;                     // file names written, in image order
};

QString Ordner(const QString& ausgabe, const TRechner& rechner)
{
    return QDir(ausgabe).filePath(QString::number(rechner.RNr));
}

void OrdnerAnlegen(const QString& ordner)
{
    if (!QDir().mkpath(ordner)) {
        throw KRNException(QStringLiteral("Der Ausgabeordner %1 kann nicht angelegt werden.").arg(ordner));
    }
}

void DateiSchreiben(const QString& pfad, const QByteArray& daten)
{
    QSaveFile file(pfad);
    if (!file.open(QIODevice::WriteOnly) || file.write(daten) != daten.size() || !file.commit()) {
        throw TSchreibFehler(
            QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2").arg(pfad, file.errorString()));
    }
}

// A hard link where the file system allows it, a copy otherwise.
void Verknuepfen(const QString& quelle, const QString& ziel)
{
    QFile::remove(ziel);
    if (::link(QFile::encodeName(quelle).constData(), QFile::encodeName(ziel).constData()) == 0) {
        return;
    }
    if (!QFile::copy(quelle, ziel)) {
        throw KRNException(
            QStringLiteral("Die Datei %1 kann nicht nach %2 kopiert werden.").arg(quelle, ziel));
    }
}

std::optional<TBildEinstellung> EinstellungLaden(const QString& kennung, const TBedienung& bedienung)
{
    if (!bedienung.Filtert()) {
        return std::nullopt;
    }
    TBildKOMMFilter filter(kennung, bedienung.Bezeichnung);
    if (!filter.FilterLoad()) {
        return std::nullopt; // assigned, but the setting is gone: nothing to apply
    }
    return TBildEinstellung::Von(filter);
}

QList<TGruppe> Gruppieren(const TTransferAuftrag& auftrag, TTransferErgebnis& ergebnis)
{
    const TFilterZuordnung zuordnung(auftrag.Kennung);
    QList<TBildQuelle> bilder;
    for (const QString& pfad : auftrag.Bilder) {
        bilder.append(TBildQuelle{QFileInfo(pfad).fileName(), pfad, {}});
    }
    QList<TGruppe> gruppen;
    QHash<QString, qsizetype> gruppeVon; // setting name ("" = unfiltered) -> group
    for (const TRechner& rechner : auftrag.Rechner) {
        const TBedienung bedienung =
            BedienendeEinstellung(zuordnung.Zuordnungen(), rechner.RTyp, rechner.RNr);
        ergebnis.Rechner.append(TTransferRechner{rechner, bedienung, {}});
        auto gefunden = gruppeVon.constFind(bedienung.Bezeichnung);
        if (gefunden == gruppeVon.cend()) {
            TGruppe gruppe;
            gruppe.Einstellung = EinstellungLaden(auftrag.Kennung, bedienung);
            gruppe.ErsterOrdner = Ordner(auftrag.Ausgabe, rechner);
            gruppe.Bilder = gruppe.Einstellung ? UebertrageneBilder(*gruppe.Einstellung, bilder) : bilder;
            gefunden = gruppeVon.insert(bedienung.Bezeichnung, gruppen.size());
            gruppen.append(gruppe);
        }
        gruppen[*gefunden].Rechner.append(ergebnis.Rechner.size() - 1);
    }
    return gruppen;
}

// Processes one image of a group into the group's first folder; returns the
// file name written.
QString BildVerarbeiten(const TGruppe& gruppe, const TBildQuelle& bild)
{
    TBildErgebnis ergebnis;
    if (gruppe.Einstellung) {
        ergebnis = BildAnwenden(*gruppe.Einstellung, bild);
    } else {
        QFile file(bild.Pfad);
        if (!file.open(QIODevice::ReadOnly)) {
            throw KRNException(
                QStringLiteral("Bild »%1« kann nicht gelesen werden: %2").arg(bild.Name, file.errorString()));
        }
        ergebnis.Name = bild.Name;
        ergebnis.Daten = file.readAll();
    }
    DateiSchreiben(QDir(gruppe.ErsterOrdner).filePath(ergebnis.Name), ergebnis.Daten);
    return ergebnis.Name;
}

// One image of one group, processed on the pool.
struct TAufgabe
{
    qsizetype Gruppe;
    qsizetype Bild;
    QString Name;   // written file name, when done
    QString Fehler; // German message, when the image could not be passed on
    bool Schreibfehler = false;
};

struct TPlan
{
    QList<TGruppe> Gruppen;
    std::vector<TAufgabe> Aufgaben;
};

// The groups, each with its first folder made, and one task per image and
// group.
TPlan Planen(const TTransferAuftrag& auftrag, TTransferErgebnis& ergebnis)
{
    TPlan plan;
    plan.Gruppen = Gruppieren(auftrag, ergebnis);
    ergebnis.Einstellungen = static_cast<int>(plan.Gruppen.size());
    for (qsizetype g = 0; g < plan.Gruppen.size(); ++g) {
        OrdnerAnlegen(plan.Gruppen[g].ErsterOrdner);
        for (qsizetype b = 0; b < plan.Gruppen[g].Bilder.size(); ++b) {
            plan.Aufgaben.push_back(TAufgabe{g, b, {}, {}});
        }
    }
    return plan;
}

// Processes the tasks on a pool of threads and tells the progress; each
// task keeps its own outcome.
void Ausfuehren(const TTransferAuftrag& auftrag, TPlan& plan)
{
    QThreadPool pool;
    pool.setMaxThreadCount(auftrag.Threads > 0 ? auftrag.Threads : QThread::idealThreadCount());
    std::atomic<int> erledigt = 0;
    const QList<TGruppe>& gruppen = plan.Gruppen;
    for (TAufgabe& aufgabe : plan.Aufgaben) {
        pool.start([&aufgabe, &gruppen, &erledigt] {
            const TGruppe& gruppe = gruppen[aufgabe.Gruppe];
            try {
                aufgabe.Name = BildVerarbeiten(gruppe, gruppe.Bilder[aufgabe.Bild]);
            } catch (const TSchreibFehler& e) {
                aufgabe.Fehler = e.Message();
                aufgabe.Schreibfehler = true;
            } catch (const KRNException& e) {
                aufgabe.Fehler = e.Message();
            }
            ++erledigt;
        });
    }
    const int gesamt = static_cast<int>(plan.Aufgaben.size());
    while (!pool.waitForDone(100)) {
        const int bisher = erledigt.load();
        if (auftrag.Fortschritt && bisher < gesamt) { // the end is told once, below
            auftrag.Fortschritt(bisher, gesamt);
        }
    }
    if (auftrag.Fortschritt) {
        auftrag.Fortschritt(gesamt, gesamt);
    }
}

// Takes the outcomes into the result (a write failure ends the job) and
// links the images written once into the folders of the group's other
// computers.
void Verteilen(const TTransferAuftrag& auftrag, TPlan& plan, TTransferErgebnis& ergebnis)
{
    for (const TAufgabe& aufgabe : plan.Aufgaben) {
        if (aufgabe.Schreibfehler) {
            throw KRNException(aufgabe.Fehler);
        }
        if (aufgabe.Fehler.isEmpty()) {
            plan.Gruppen[aufgabe.Gruppe].Geschrieben.append(aufgabe.Name);
            ++ergebnis.Verarbeitet;
        } else {
            ergebnis.Fehler.append(
                TBildFehler{plan.Gruppen[aufgabe.Gruppe].Bilder[aufgabe.Bild].Name, aufgabe.Fehler});
        }
    }
    for (const TGruppe& gruppe : plan.Gruppen) {
        for (const qsizetype index : gruppe.Rechner) {
            TTransferRechner& rechner = ergebnis.Rechner[index];
            const QString ordner = Ordner(auftrag.Ausgabe, rechner.Rechner);
            OrdnerAnlegen(ordner);
            if (ordner != gruppe.ErsterOrdner) {
                for (const QString& name : gruppe.Geschrieben) {
                    Verknuepfen(QDir(gruppe.ErsterOrdner).filePath(name), QDir(ordner).filePath(name));
                }
            }
            rechner.Bilder = gruppe.Geschrieben;
        }
    }
}

} // namespace

QStringList BilderImOrdner(const QString& ordner)
{
    const QDir dir(ordner);
    QStringList pfade;
    for (const QString& name : dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        pfade.append(dir.filePath(name));
    }
    return pfade;
}

TTransferErgebnis Uebertragen(const TTransferAuftrag& auftrag)
{
    BildBibliothekStarten(true);
    TTransferErgebnis ergebnis;
    TPlan plan = Planen(auftrag, ergebnis);
    Ausfuehren(auftrag, plan);
    Verteilen(auftrag, plan, ergebnis);
    return ergebnis;
}
