#include "host/core/KRNMeldungen.h"

#include <QFile>
#include <QHash>
#include <QTextStream>

namespace {

using TCatalogue = QHash<QString, QString>; // "CATALOGUE/number" -> text

QString CatalogueKey(const QString& catalogue, int number)
{
    return catalogue + QLatin1Char('/') + QString::number(number);
}

TCatalogue LoadCatalogue()
{
    TCatalogue result;
    QFile file(QStringLiteral(":/veldrake/meldungen.tsv"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return result;
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const QStringList parts = line.split(QLatin1Char('\t'));
        if (parts.size() != 3) {
            continue;
        }
        QString text = parts[2];
        text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        result.insert(CatalogueKey(parts[0], parts[1].toInt()), text);
    }
    return result;
}

const TCatalogue& TheCatalogue()
{
    static const TCatalogue catalogue = LoadCatalogue();
    return catalogue;
}

} // namespace

QString KRNMeldungsText(int number, const QString& catalogue, const QStringList& arguments)
{
    QString text = TheCatalogue().value(CatalogueKey(catalogue, number));
    if (text.isEmpty()) {
        text = QStringLiteral("Meldung %1 aus Katalog %2").arg(number).arg(catalogue);
        for (const QString& argument : arguments) {
            text += QStringLiteral("\n") + argument;
        }
        return text;
    }
    // Fill %1, %2, ... in one pass so that an argument holding "%2" is not
    // substituted again.
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('%') && i + 1 < text.size() && text[i + 1].isDigit()) {
            const int index = text[i + 1].digitValue() - 1;
            if (index >= 0 && index < arguments.size()) {
                result += arguments[index];
            }
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}
