#pragma once

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

class QSqlQuery;
class TStore;

// One row of the change history.
struct TVerlaufEintrag
{
    qint64 Id = 0;
    QDateTime Zeit; // UTC
    QString Arbeitseinheit;
    QString Benutzer;
    QString Rolle;
    QString Arbeitsplatz;
    QString Programm;
    QString Version;
    QString Art;
    QString Kennung;
    QString Bezeichnung;
    QChar RTyp = QLatin1Char(' ');
    qint32 RNr = 0;
    QJsonObject Vorher;
    QJsonObject Nachher;
    // Where a row lists many computers: the entry's place in its list
    // (types first, then numbers); -1 for a row of its own.
    int Stelle = -1;
};

// What to read; empty fields restrict nothing. Dates are local days,
// both ends included.
struct TVerlaufFilter
{
    QString Kennung;
    QString Bezeichnung;
    std::optional<qint32> RNr;
    std::optional<QChar> RTyp;
    QDate Seit;
    QDate Bis;
};

// The columns of a history row as VerlaufZeile reads them, for a SELECT;
// the expression read as nachher may be given.
QString VerlaufSpalten(QStringView nachher = u"nachher");
// The entry of the query's current row (selected with VerlaufSpalten).
TVerlaufEintrag VerlaufZeile(const QSqlQuery& query);
// Appends the entries of the query's current row: the row itself, or, for
// a row that lists the computers of a change of many assignments
// (zuordnungen_hinzu, zuordnungen_entfernt), one zuordnung_hinzu or
// zuordnung_entfernt per computer, each with the row's id; of those only
// the filter's computer type or number when it names one, only those from
// the place ab on and at most hoechstens (< 0: all) of them.
void VerlaufZeilen(const QSqlQuery& query, QList<TVerlaufEintrag>& ziel, const TVerlaufFilter& filter = {},
                   int ab = 0, qsizetype hoechstens = -1);
// The start of a local day as the history stores its times (UTC text).
QString VerlaufTagBeginn(const QDate& tag);

// The entries, newest first.
QList<TVerlaufEintrag> VerlaufLesen(TStore& store, const TVerlaufFilter& filter);

// The entry in words ("max. Breite: 1024 → 800", "Rechner 101 zugeordnet").
QString VerlaufText(const TVerlaufEintrag& eintrag);
// "name: before → after" for each value of two versions of a setting
// (objects with Beschreibung, Einstellungen and Werte) that differs, the
// editor's values first, then the others by key.
QStringList FassungAenderungen(const QJsonObject& vorher, const QJsonObject& nachher);
// The name of a filter kind ("Artikelbilder"), else its Kennung.
QString FilterartName(const QString& kennung);

// Removes the history before the local day as one unit of work and records
// that it did; the number of entries removed. On a server only the owner
// of verlauf may do it.
int VerlaufKuerzen(TStore& store, const QDate& vor);
