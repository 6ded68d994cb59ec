#include "transfer/Bericht.h"

#include "host/core/Verlauf.h"
#include "host/store/Store.h"
#include "transfer/Austausch.h"
#include "transfer/BildVerarbeitung.h"

#include <QJsonArray>
#include <QSet>

#include <algorithm>

namespace {

const QChar kBlank = QLatin1Char(' ');

TBerichtArt ArtLesen(const TAustauschArt& art, const QList<TRechner>& rechner)
{
    TBerichtArt b;
    b.Kennung = art.Kennung;
    b.Name = FilterartName(art.Kennung);
    b.Aktiv = art.Aktiv;
    TZuordnungen zuordnungen;
    zuordnungen.Aktiv = art.Aktiv;
    QMap<QString, QStringList> halter; // "T<type>" or number -> settings
    for (const TAustauschEinstellung& e : art.Einstellungen) {
        for (const QChar t : e.RTypen) {
            if (!zuordnungen.Typen.contains(t.unicode())) {
                zuordnungen.Typen.insert(t.unicode(), e.Bezeichnung);
            }
            halter[QStringLiteral("T") + t].append(e.Bezeichnung);
        }
        for (const qint32 n : e.RNummern) {
            if (!zuordnungen.Nummern.contains(n)) {
                zuordnungen.Nummern.insert(n, e.Bezeichnung);
            }
            halter[QString::number(n)].append(e.Bezeichnung);
        }
    }
    QMap<QString, QList<qint32>> bedient;
    QMap<QChar, std::pair<int, int>> typ; // computers of the type, those overriding it
    for (const TRechner& r : rechner) {
        const TBedienung bedienung = BedienendeEinstellung(zuordnungen, r.RTyp, r.RNr);
        b.Bedienung.insert(r.RNr, bedienung);
        if (bedienung.Filtert()) {
            bedient[bedienung.Bezeichnung].append(r.RNr);
        } else if (art.Aktiv) {
            b.OhneEinstellung.append(r.RNr);
        }
        auto& [alle, ueberschrieben] = typ[r.RTyp];
        ++alle;
        ueberschrieben += int(!bedienung.Ueberschrieben.isEmpty());
    }
    for (const TAustauschEinstellung& e : art.Einstellungen) {
        b.Einstellungen.append({e.Bezeichnung, e.Beschreibung, e.Werte,
                                BildEinstellungText(TBildEinstellung::AusWerten(e.Werte)), e.RTypen, e.RNummern,
                                bedient.value(e.Bezeichnung)});
        if (art.Aktiv && !bedient.contains(e.Bezeichnung)) {
            b.Unbenutzt.append(e.Bezeichnung);
        }
    }
    if (art.Aktiv) {
        for (auto t = zuordnungen.Typen.cbegin(); t != zuordnungen.Typen.cend(); ++t) {
            const auto [alle, ueberschrieben] = typ.value(QChar(t.key()));
            if (alle > 0 && alle == ueberschrieben) {
                b.TypUeberschrieben.append(QChar(t.key()));
            }
        }
        std::sort(b.TypUeberschrieben.begin(), b.TypUeberschrieben.end());
    }
    for (auto h = halter.cbegin(); h != halter.cend(); ++h) {
        if (h->size() > 1) {
            const bool istTyp = h.key().startsWith(u'T');
            b.Doppelt.append({istTyp ? h.key()[1] : kBlank, istTyp ? 0 : h.key().toInt(), *h});
        }
    }
    return b;
}

QString H(const QString& text)
{
    return text.toHtmlEscaped();
}

QString Rechnerliste(const QList<qint32>& nummern)
{
    QStringList teile;
    for (const qint32 n : nummern) {
        teile << QString::number(n);
    }
    return teile.join(QStringLiteral(", "));
}

QString Typliste(const QList<QChar>& typen)
{
    QStringList teile;
    for (const QChar t : typen) {
        teile << QString(t);
    }
    return teile.join(QStringLiteral(", "));
}

QString DoppeltText(const TBerichtDoppelt& d)
{
    return QStringLiteral("%1: %2")
        .arg(d.RNr != 0 ? QStringLiteral("Rechner %1").arg(d.RNr) : QStringLiteral("Rechnertyp %1").arg(d.RTyp),
             d.Bezeichnungen.join(QStringLiteral(", ")));
}

const char* const kStil = R"(
body { font-family: "DejaVu Sans", Arial, sans-serif; font-size: 10pt; color: #111; margin: 1.5em; }
h1 { font-size: 16pt; margin: 0 0 .2em 0; }
h2 { font-size: 13pt; margin: 1.4em 0 .4em 0; border-bottom: 1px solid #888; }
h3 { font-size: 11pt; margin: 1em 0 .3em 0; }
p.kopf { color: #444; margin: 0 0 1em 0; }
table { border-collapse: collapse; width: 100%; margin-bottom: .8em; }
th, td { border: 1px solid #bbb; padding: 2px 5px; text-align: left; vertical-align: top; }
th { background: #e8eef8; }
tr { page-break-inside: avoid; }
thead { display: table-header-group; }
.aus { color: #777; }
.warnung { color: #9a3412; }
ul { margin: .2em 0 .6em 1.2em; padding: 0; }
@page { size: A4; margin: 15mm; }
@media print { body { margin: 0; font-size: 9pt; } h2 { page-break-after: avoid; } }
)";

} // namespace

TBericht BerichtLesen(TStore& store)
{
    const TAustausch austausch = AustauschLesen(store, {}, true);
    TBericht b;
    b.Datenbestand = austausch.Datenbestand;
    b.Programm = austausch.Programm;
    b.Zeit = QDateTime::currentDateTimeUtc();
    b.RechnerTypen = austausch.RechnerTypen;
    b.Rechner = austausch.Rechner;
    for (const TAustauschArt& art : austausch.Arten) {
        b.Arten.append(ArtLesen(art, b.Rechner));
    }
    return b;
}

QByteArray BerichtHtml(const TBericht& b)
{
    QString h;
    h += QStringLiteral("<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\" />\n"
                        "<title>Bericht der Filtereinstellungen</title>\n<style>");
    h += QString::fromUtf8(kStil);
    h += QStringLiteral("</style>\n</head>\n<body>\n<h1>Bericht der Filtereinstellungen</h1>\n");
    h += QStringLiteral("<p class=\"kopf\">Datenbestand %1 · erstellt am %2 mit %3</p>\n")
             .arg(H(b.Datenbestand), b.Zeit.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")),
                  H(b.Programm));

    h += QStringLiteral("<h2>Filterarten</h2>\n<table>\n<thead><tr><th>Filterart</th><th>Kennung</th>"
                        "<th>Zustand</th><th>Einstellungen</th></tr></thead>\n<tbody>\n");
    for (const TBerichtArt& art : b.Arten) {
        h += QStringLiteral("<tr><td>%1</td><td>%2</td><td%3>%4</td><td>%5</td></tr>\n")
                 .arg(H(art.Name), H(art.Kennung), art.Aktiv ? QString() : QStringLiteral(" class=\"aus\""),
                      art.Aktiv ? QStringLiteral("eingeschaltet") : QStringLiteral("ausgeschaltet"))
                 .arg(art.Einstellungen.size());
    }
    h += QStringLiteral("</tbody>\n</table>\n");

    for (const TBerichtArt& art : b.Arten) {
        h += QStringLiteral("<h2>%1 (%2)%3</h2>\n")
                 .arg(H(art.Name), H(art.Kennung), art.Aktiv ? QString() : QStringLiteral(" – ausgeschaltet"));
        if (art.Einstellungen.isEmpty()) {
            h += QStringLiteral("<p>Keine gespeicherte Einstellung.</p>\n");
        } else {
            h += QStringLiteral("<table>\n<thead><tr><th>Einstellung</th><th>Beschreibung</th><th>Werte</th>"
                                "<th>Rechnertypen</th><th>Rechner</th><th>bedient</th></tr></thead>\n<tbody>\n");
            for (const TBerichtEinstellung& e : art.Einstellungen) {
                h += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td></tr>\n")
                         .arg(H(e.Bezeichnung), H(e.Beschreibung), H(e.Wirkung), H(Typliste(e.RTypen)),
                              Rechnerliste(e.RNummern),
                              e.Bedient.isEmpty() ? QStringLiteral("niemanden") : Rechnerliste(e.Bedient));
            }
            h += QStringLiteral("</tbody>\n</table>\n");
        }
        h += QStringLiteral("<h3>Prüfungen</h3>\n<ul>\n");
        QStringList punkte;
        if (art.Aktiv) {
            if (!art.OhneEinstellung.isEmpty()) {
                punkte << QStringLiteral("Rechner ohne Einstellung (Bilder unverändert): %1")
                              .arg(Rechnerliste(art.OhneEinstellung));
            }
            for (const QChar t : art.TypUeberschrieben) {
                punkte << QStringLiteral("Die Einstellung des Rechnertyps %1 ist für jeden Rechner des Typs "
                                         "überschrieben und wirkt nirgends.")
                              .arg(t);
            }
            if (!art.Unbenutzt.isEmpty()) {
                punkte << QStringLiteral("Einstellungen, die keinen Rechner bedienen: %1")
                              .arg(art.Unbenutzt.join(QStringLiteral(", ")));
            }
        }
        for (const TBerichtDoppelt& d : art.Doppelt) {
            punkte << QStringLiteral("Mehrfach zugeordnet: %1").arg(DoppeltText(d));
        }
        if (punkte.isEmpty()) {
            h += QStringLiteral("<li>Keine Auffälligkeiten.</li>\n");
        }
        for (const QString& p : std::as_const(punkte)) {
            h += QStringLiteral("<li class=\"warnung\">%1</li>\n").arg(H(p));
        }
        h += QStringLiteral("</ul>\n");
    }

    h += QStringLiteral("<h2>Rechner</h2>\n");
    if (b.Rechner.isEmpty()) {
        h += QStringLiteral("<p>Der Datenbestand kennt keine Rechner.</p>\n");
    } else {
        h += QStringLiteral("<table>\n<thead><tr><th>Rechner</th><th>Name</th><th>Typ</th>");
        for (const TBerichtArt& art : b.Arten) {
            h += QStringLiteral("<th>%1</th>").arg(H(art.Name));
        }
        h += QStringLiteral("</tr></thead>\n<tbody>\n");
        for (const TRechner& r : b.Rechner) {
            h += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td>").arg(r.RNr).arg(H(r.Name), H(QString(r.RTyp)));
            for (const TBerichtArt& art : b.Arten) {
                const TBedienung bedienung = art.Bedienung.value(r.RNr);
                h += QStringLiteral("<td%1>%2</td>")
                         .arg(bedienung.Filtert() ? QString() : QStringLiteral(" class=\"aus\""),
                              H(BedienungErklaerung(bedienung)));
            }
            h += QStringLiteral("</tr>\n");
        }
        h += QStringLiteral("</tbody>\n</table>\n");
    }
    h += QStringLiteral("</body>\n</html>\n");
    return h.toUtf8();
}

QJsonObject BerichtJson(const TBericht& b)
{
    QJsonArray arten;
    for (const TBerichtArt& art : b.Arten) {
        QJsonArray einstellungen;
        for (const TBerichtEinstellung& e : art.Einstellungen) {
            QJsonArray typen, nummern, bedient;
            for (const QChar t : e.RTypen) {
                typen.append(QString(t));
            }
            for (const qint32 n : e.RNummern) {
                nummern.append(n);
            }
            for (const qint32 n : e.Bedient) {
                bedient.append(n);
            }
            einstellungen.append(QJsonObject{{QStringLiteral("bezeichnung"), e.Bezeichnung},
                                             {QStringLiteral("beschreibung"), e.Beschreibung},
                                             {QStringLiteral("werte"), e.Werte},
                                             {QStringLiteral("wirkung"), e.Wirkung},
                                             {QStringLiteral("rechnertypen"), typen},
                                             {QStringLiteral("rechner"), nummern},
                                             {QStringLiteral("bedient"), bedient}});
        }
        QJsonArray ohne, ueberschrieben, doppelt;
        for (const qint32 n : art.OhneEinstellung) {
            ohne.append(n);
        }
        for (const QChar t : art.TypUeberschrieben) {
            ueberschrieben.append(QString(t));
        }
        for (const TBerichtDoppelt& d : art.Doppelt) {
            doppelt.append(QJsonObject{{QStringLiteral("rtyp"), QString(d.RTyp)},
                                       {QStringLiteral("rnr"), d.RNr},
                                       {QStringLiteral("einstellungen"), QJsonArray::fromStringList(d.Bezeichnungen)}});
        }
        arten.append(QJsonObject{
            {QStringLiteral("kennung"), art.Kennung},
            {QStringLiteral("name"), art.Name},
            {QStringLiteral("aktiv"), art.Aktiv},
            {QStringLiteral("einstellungen"), einstellungen},
            {QStringLiteral("pruefungen"),
             QJsonObject{{QStringLiteral("ohne_einstellung"), ohne},
                         {QStringLiteral("typ_ueberall_ueberschrieben"), ueberschrieben},
                         {QStringLiteral("unbenutzt"), QJsonArray::fromStringList(art.Unbenutzt)},
                         {QStringLiteral("doppelt"), doppelt}}}});
    }
    QJsonArray rechner;
    for (const TRechner& r : b.Rechner) {
        QJsonObject filter;
        for (const TBerichtArt& art : b.Arten) {
            const TBedienung bedienung = art.Bedienung.value(r.RNr);
            filter.insert(art.Kennung,
                          QJsonObject{{QStringLiteral("einstellung"), bedienung.Bezeichnung},
                                      {QStringLiteral("grund"), ZuordnungsGrundSchluessel(bedienung.Grund)},
                                      {QStringLiteral("ueberschreibt"), bedienung.Ueberschrieben},
                                      {QStringLiteral("text"), BedienungErklaerung(bedienung)}});
        }
        rechner.append(QJsonObject{{QStringLiteral("rnr"), r.RNr},
                                   {QStringLiteral("name"), r.Name},
                                   {QStringLiteral("rtyp"), QString(r.RTyp)},
                                   {QStringLiteral("filter"), filter}});
    }
    return QJsonObject{{QStringLiteral("format"), QStringLiteral("veldrake-bericht")},
                       {QStringLiteral("version"), 1},
                       {QStringLiteral("datenbestand"), b.Datenbestand},
                       {QStringLiteral("programm"), b.Programm},
                       {QStringLiteral("zeit"), b.Zeit.toString(Qt::ISODate)},
                       {QStringLiteral("filterarten"), arten},
                       {QStringLiteral("rechner"), rechner}};
}
