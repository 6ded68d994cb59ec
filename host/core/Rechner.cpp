#include "host/core/Rechner.h"

#include "host/core/KRNError.h"
#include "host/store/Store.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <limits>
#include <utility>

namespace {

// The demo installation: a head office, branches with their tills, and the
// field staff's laptops. Masters are the computers that receive the data of
// their site.
const char16_t kDemoComputers[] = uR"(# Rechnertypen
Rechnertyp;A;Außendienst
Rechnertyp;F;Filiale
Rechnertyp;K;Kasse
Rechnertyp;Z;Zentrale
# Rechner: Nummer;Name;Typ;Master
Rechner;1;Zentrale Hauptrechner;Z;1
Rechner;2;Zentrale Lager;Z;1
Rechner;3;Zentrale Buchhaltung;Z;0
Rechner;101;Filiale Nord;F;1
Rechner;102;Filiale Süd;F;1
Rechner;103;Filiale Ost;F;1
Rechner;104;Filiale West;F;1
Rechner;105;Filiale Hafen;F;1
Rechner;106;Filiale Bahnhof;F;1
Rechner;107;Filiale Altstadt;F;1
Rechner;108;Filiale Marktplatz;F;1
Rechner;111;Filiale Nord Büro;F;0
Rechner;112;Filiale Süd Büro;F;0
Rechner;201;Kasse 1 Filiale Nord;K;0
Rechner;202;Kasse 2 Filiale Nord;K;0
Rechner;203;Kasse 1 Filiale Süd;K;0
Rechner;204;Kasse 2 Filiale Süd;K;0
Rechner;205;Kasse 1 Filiale Ost;K;0
Rechner;206;Kasse 1 Filiale West;K;0
Rechner;207;Kasse 1 Filiale Hafen;K;0
Rechner;208;Kasse 1 Filiale Bahnhof;K;0
Rechner;209;Kasse 1 Filiale Altstadt;K;0
Rechner;210;Kasse 2 Filiale Altstadt;K;0
Rechner;211;Kasse 1 Filiale Marktplatz;K;0
Rechner;212;Kasse 2 Filiale Marktplatz;K;0
Rechner;301;Außendienst Nord;A;1
Rechner;302;Außendienst Süd;A;1
Rechner;303;Außendienst Ost;A;1
Rechner;304;Außendienst West;A;1
Rechner;305;Außendienst Mitte;A;1
Rechner;306;Außendienst Küste;A;1
)";

struct TImportLine
{
    int Line = 0;
    TRechner Rechner;
};

struct TParsed
{
    QList<TRechnerTyp> Typen;
    QList<TImportLine> Rechner;
};

class TLineError
{
public:
    explicit TLineError(QString reason) : Reason(std::move(reason)) {}
    QString Reason;
};

// Splits one line at ';'. A field may be quoted with "; "" inside quotes is
// one quote. Unquoted fields are trimmed.
QStringList SplitFields(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"' && field.trimmed().isEmpty()) {
            quoted = true;
            wasQuoted = true;
            field.clear();
        } else if (c == u';') {
            fields.append(wasQuoted ? field : field.trimmed());
            field.clear();
            wasQuoted = false;
        } else {
            field += c;
        }
    }
    if (quoted) {
        throw TLineError(QStringLiteral("Anführungszeichen nicht geschlossen"));
    }
    fields.append(wasQuoted ? field : field.trimmed());
    return fields;
}

bool ValidRTypText(const QString& text)
{
    return text.size() == 1 && text[0] != u' ';
}

QChar ParseRTyp(const QString& text)
{
    if (!ValidRTypText(text)) {
        throw TLineError(
            QStringLiteral("Rechnertyp muss genau ein Zeichen außer dem Leerzeichen sein, nicht »%1«")
                .arg(text));
    }
    return text[0];
}

qint32 ParseRNr(const QString& text)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < 1 || value > std::numeric_limits<qint32>::max()) {
        throw TLineError(
            QStringLiteral("Rechnernummer muss eine ganze Zahl von 1 bis 2147483647 sein, nicht »%1«")
                .arg(text));
    }
    return static_cast<qint32>(value);
}

bool ParseMaster(const QString& text)
{
    if (text.isEmpty() || text == u"0") {
        return false;
    }
    if (text == u"1") {
        return true;
    }
    throw TLineError(QStringLiteral("Master muss 0 oder 1 sein, nicht »%1«").arg(text));
}

void ParseRecord(const QStringList& fields, TParsed& parsed, int line)
{
    const QString kind = fields[0];
    if (kind.compare(u"Rechnertyp", Qt::CaseInsensitive) == 0) {
        if (fields.size() != 3) {
            throw TLineError(QStringLiteral("Rechnertyp erwartet 3 Felder: Rechnertyp;Typ;Name"));
        }
        parsed.Typen.append(TRechnerTyp{ParseRTyp(fields[1]), fields[2]});
    } else if (kind.compare(u"Rechner", Qt::CaseInsensitive) == 0) {
        if (fields.size() != 4 && fields.size() != 5) {
            throw TLineError(
                QStringLiteral("Rechner erwartet 4 oder 5 Felder: Rechner;Nummer;Name;Typ;Master"));
        }
        TRechner rechner;
        rechner.RNr = ParseRNr(fields[1]);
        rechner.Name = fields[2];
        rechner.RTyp = ParseRTyp(fields[3]);
        rechner.Master = ParseMaster(fields.value(4));
        parsed.Rechner.append(TImportLine{line, rechner});
    } else {
        throw TLineError(
            QStringLiteral("unbekannte Satzart »%1« (erwartet Rechnertyp oder Rechner)").arg(kind));
    }
}

QString LineMessage(const QString& source, int line, const QString& reason)
{
    const QString where = source.isEmpty() ? QStringLiteral("Zeile %1").arg(line)
                                           : QStringLiteral("%1, Zeile %2").arg(source).arg(line);
    return QStringLiteral("%1: %2").arg(where, reason);
}

TParsed Parse(const QString& text, const QString& source)
{
    TParsed parsed;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        QString content = lines[i];
        if (content.endsWith(u'\r')) {
            content.chop(1);
        }
        if (content.trimmed().isEmpty() || content.trimmed().startsWith(u'#')) {
            continue;
        }
        try {
            ParseRecord(SplitFields(content), parsed, line);
        } catch (const TLineError& e) {
            throw KRNException(LineMessage(source, line, e.Reason));
        }
    }
    return parsed;
}

// Writes what was parsed; the caller holds the transaction.
TRechnerImport Write(TStore& store, const TParsed& parsed, const QString& source)
{
    QSet<char16_t> known;
    for (const TRechnerTyp& typ : ReadRechnerTypen(store)) {
        known.insert(typ.RTyp.unicode());
    }
    for (const TRechnerTyp& typ : parsed.Typen) {
        known.insert(typ.RTyp.unicode());
    }
    for (const TImportLine& entry : parsed.Rechner) {
        if (!known.contains(entry.Rechner.RTyp.unicode())) {
            throw KRNException(LineMessage(
                source, entry.Line,
                QStringLiteral("Rechnertyp »%1« ist weder in der Datei noch im Datenbestand angelegt")
                    .arg(entry.Rechner.RTyp)));
        }
    }

    QSqlQuery typQuery =
        store.Prepare(QStringLiteral("INSERT INTO rechnertyp (RTyp, Name) VALUES (?, ?)"
                                     " ON CONFLICT (RTyp) DO UPDATE SET Name = excluded.Name"));
    for (const TRechnerTyp& typ : parsed.Typen) {
        typQuery.bindValue(0, QString(typ.RTyp));
        typQuery.bindValue(1, typ.Name);
        store.Run(typQuery);
    }
    QSqlQuery nrQuery =
        store.Prepare(QStringLiteral("INSERT INTO rechner (RNr, Name, RTyp, Master) VALUES (?, ?, ?, ?)"
                                     " ON CONFLICT (RNr) DO UPDATE SET Name = excluded.Name,"
                                     " RTyp = excluded.RTyp, Master = excluded.Master"));
    for (const TImportLine& entry : parsed.Rechner) {
        nrQuery.bindValue(0, entry.Rechner.RNr);
        nrQuery.bindValue(1, entry.Rechner.Name);
        nrQuery.bindValue(2, QString(entry.Rechner.RTyp));
        nrQuery.bindValue(3, entry.Rechner.Master ? 1 : 0);
        store.Run(nrQuery);
    }
    return TRechnerImport{static_cast<int>(parsed.Typen.size()), static_cast<int>(parsed.Rechner.size())};
}

int CountRows(TStore& store, const QString& sql)
{
    QSqlQuery query = store.Query(sql);
    const int count = query.next() ? query.value(0).toInt() : 0;
    query.finish();
    return count;
}

} // namespace

QList<TRechnerTyp> ReadRechnerTypen(TStore& store)
{
    QSqlQuery query =
        store.Query(QStringLiteral("SELECT RTyp, Name FROM rechnertyp WHERE RTyp <> ' ' ORDER BY RTyp"));
    QList<TRechnerTyp> result;
    while (query.next()) {
        const QString rtyp = query.value(0).toString();
        if (ValidRTypText(rtyp)) {
            result.append(TRechnerTyp{rtyp[0], query.value(1).toString()});
        }
    }
    query.finish();
    return result;
}

QList<TRechner> ReadRechner(TStore& store, bool onlyMaster)
{
    QString sql =
        QStringLiteral("SELECT RNr, Name, RTyp, Master FROM rechner WHERE RNr >= 1 AND RNr <= 2147483647");
    if (onlyMaster) {
        sql += QStringLiteral(" AND Master <> 0");
    }
    sql += QStringLiteral(" ORDER BY RNr");
    QSqlQuery query = store.Query(sql);
    QList<TRechner> result;
    while (query.next()) {
        TRechner rechner;
        rechner.RNr = static_cast<qint32>(query.value(0).toLongLong());
        rechner.Name = query.value(1).toString();
        const QString rtyp = query.value(2).toString();
        rechner.RTyp = ValidRTypText(rtyp) ? rtyp[0] : QLatin1Char(' ');
        rechner.Master = query.value(3).toInt() != 0;
        result.append(rechner);
    }
    query.finish();
    return result;
}

TRechnerImport ImportComputersCsv(TStore& store, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw KRNException(QStringLiteral("Die Rechnerliste %1 kann nicht gelesen werden: %2")
                               .arg(path, file.errorString()));
    }
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    return ImportComputersCsvText(store, text, path);
}

TRechnerImport ImportComputersCsvText(TStore& store, const QString& text, const QString& source)
{
    const TParsed parsed = Parse(text, source);
    TStoreTransaction transaction(store);
    const TRechnerImport result = Write(store, parsed, source);
    store.RecordHistory(QStringLiteral("rechner_importiert"), QString(), QString(), QLatin1Char(' '), 0, QString(),
                        QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("Quelle"), source},
                                                                    {QStringLiteral("Rechnertypen"), result.RTypCount},
                                                                    {QStringLiteral("Rechner"), result.RNrCount}})
                                              .toJson(QJsonDocument::Compact)));
    transaction.Commit();
    return result;
}

bool SeedDemoComputers(TStore& store)
{
    const auto hasComputers = [&] {
        return CountRows(store, QStringLiteral("SELECT COUNT(*) FROM rechnertyp")) > 0 ||
               CountRows(store, QStringLiteral("SELECT COUNT(*) FROM rechner")) > 0;
    };
    // Read first: a start on a filled store takes no write lock.
    if (hasComputers()) {
        return false;
    }
    const TParsed parsed = Parse(QString::fromUtf16(kDemoComputers), QStringLiteral("Demo-Rechner"));
    TStoreTransaction transaction(store);
    if (hasComputers()) {
        return false;
    }
    Write(store, parsed, QStringLiteral("Demo-Rechner"));
    transaction.Commit();
    return true;
}
