#include "host/store/PostgresAddress.h"

#include "host/core/KRNError.h"

#include <QRegularExpression>

#include <libpq-fe.h>

#include <memory>

namespace {

// A libpq connection-string value in single quotes.
QString Quoted(QString value)
{
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    value.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

[[noreturn]] void Refuse(const QString& why)
{
    throw StoreError(QStringLiteral("Die Adresse des Datenbestands kann nicht gelesen werden: %1").arg(why));
}

QString Expected()
{
    return QStringLiteral("erwartet wird postgresql://benutzer@rechner:port/datenbank oder"
                          " host=rechner port=port dbname=datenbank");
}

// libpq's reason in German. Its URI messages quote the whole address, which
// may hold a password, so only the keyword of a message is ever repeated.
[[noreturn]] void RefuseParsed(const QString& libpqText)
{
    static const QRegularExpression unknown(
        QStringLiteral(R"re(^(?:invalid connection option "(\w+)"|invalid URI query parameter: "(\w+)"))re"));
    static const QRegularExpression missingEquals(QStringLiteral(R"re(^missing "=" after "([^"]*)")re"));
    if (const auto match = unknown.match(libpqText); match.hasMatch()) {
        const QString keyword = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
        Refuse(QStringLiteral("unbekannter Parameter „%1“ (die PostgreSQL-Bibliothek libpq %2 dieses Rechners"
                              " kennt ihn nicht)")
                   .arg(keyword)
                   .arg(PQlibVersion() / 10000));
    }
    if (const auto missing = missingEquals.match(libpqText); missing.hasMatch()) {
        Refuse(QStringLiteral("nach „%1“ fehlt „=“; %2").arg(missing.captured(1), Expected()));
    }
    if (libpqText.startsWith(QLatin1String("unterminated quoted string"))) {
        Refuse(QStringLiteral("ein Wert in Anführungszeichen ist nicht abgeschlossen"));
    }
    Refuse(Expected());
}

QStringList List(const QString& value)
{
    return value.isEmpty() ? QStringList{QString()} : value.split(QLatin1Char(','));
}

// libpq checks the ports only when it connects, in English; they are
// checked here in German.
void CheckPorts(const TPostgresAddress& address)
{
    const QString ports = address.Value(QStringLiteral("port"));
    if (ports.isEmpty()) {
        return;
    }
    const QStringList list = List(ports);
    for (const QString& port : list) {
        bool ok = false;
        const int number = port.trimmed().toInt(&ok);
        if (!port.trimmed().isEmpty() && (!ok || number <= 0 || number > 65535)) {
            Refuse(QStringLiteral("die Portnummer ist ungültig"));
        }
    }
    const qsizetype hosts = address.Hosts().size();
    if (list.size() != 1 && list.size() != hosts) {
        Refuse(QStringLiteral("%1 Portnummern passen nicht zu %2 Rechnern").arg(list.size()).arg(hosts));
    }
}

} // namespace

QString TPostgresAddress::Value(const QString& keyword) const
{
    for (const auto& [key, value] : Parameters) {
        if (key == keyword) {
            return value;
        }
    }
    return {};
}

QStringList TPostgresAddress::Hosts() const
{
    const QString host = Value(QStringLiteral("host"));
    return List(host.isEmpty() ? Value(QStringLiteral("hostaddr")) : host);
}

bool TPostgresAddress::NamesApplication() const
{
    return !Value(QStringLiteral("application_name")).isEmpty() ||
           !Value(QStringLiteral("fallback_application_name")).isEmpty();
}

QString TPostgresAddress::ConnectOptions() const
{
    QStringList options;
    for (const auto& [key, value] : Parameters) {
        options << key + QLatin1Char('=') + Quoted(value);
    }
    return options.join(QLatin1Char(';'));
}

QString TPostgresAddress::Display() const
{
    const QStringList hosts = Hosts();
    const QStringList ports = List(Value(QStringLiteral("port")));
    QStringList authority;
    QStringList sockets;
    for (qsizetype i = 0; i < hosts.size(); ++i) {
        const QString& host = hosts[i];
        const QString port = ports.size() == 1 ? ports[0] : ports.value(i);
        const bool socket = host.startsWith(QLatin1Char('/')) || host.startsWith(QLatin1Char('@'));
        if (socket) {
            sockets << host;
        }
        authority << (socket ? QString() : host) + (port.isEmpty() ? QString() : QLatin1Char(':') + port);
    }
    QString text = QStringLiteral("postgresql://");
    if (!User().isEmpty()) {
        text += User() + QLatin1Char('@');
    }
    text += authority.join(QLatin1Char(',')) + QLatin1Char('/') + Database();
    const QString attrs = Value(QStringLiteral("target_session_attrs"));
    if (!attrs.isEmpty()) {
        text += QStringLiteral("?target_session_attrs=") + attrs;
    }
    if (!sockets.isEmpty()) {
        text += QStringLiteral(" (Socket ") + sockets.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return text;
}

QString PostgresApplicationName(const QString& program, const QString& user, const QString& host)
{
    QString name = program;
    const QString workstation =
        user.isEmpty() || host.isEmpty() ? user + host : user + QLatin1Char('@') + host;
    if (!workstation.isEmpty()) {
        name += QLatin1Char(' ') + workstation;
    }
    constexpr qsizetype kMaxBytes = 63; // NAMEDATALEN - 1
    QString cut;
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate();
        const bool carried = c >= 0x20 && c != 0x7f && c != u';' && (pair || !QChar::isSurrogate(c));
        const qsizetype size = !carried || c < 0x80 ? 1 : c < 0x800 ? 2 : pair ? 4 : 3;
        if (bytes + size > kMaxBytes) {
            break;
        }
        bytes += size;
        if (!carried) {
            cut += QLatin1Char('?');
        } else if (pair) {
            cut += name.mid(i++, 2);
        } else {
            cut += name[i];
        }
    }
    return cut;
}

int PostgresLibraryVersion()
{
    return PQlibVersion();
}

QString PostgresOptionValue(const QString& value)
{
    return Quoted(value);
}

bool IsPostgresUri(const QString& text)
{
    // A scheme of libpq's with a typo in the slashes still goes to libpq,
    // which refuses it, rather than becoming a file of that name.
    static const QRegularExpression form(
        QStringLiteral(R"(^\s*(?:postgres(?:ql)?:|[A-Za-z_][A-Za-z0-9_]*\s*=))"),
        QRegularExpression::CaseInsensitiveOption);
    return form.match(text).hasMatch();
}

TPostgresAddress ParsePostgresUri(const QString& text)
{
    static const QRegularExpression uri(QStringLiteral("^\\s*postgres(?:ql)?://"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression scheme(QStringLiteral("^\\s*postgres(?:ql)?:"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (!IsPostgresUri(text) || (scheme.match(text).hasMatch() && !uri.match(text).hasMatch())) {
        Refuse(Expected());
    }
    char* error = nullptr;
    const std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(
        PQconninfoParse(text.trimmed().toUtf8().constData(), &error), &PQconninfoFree);
    if (!options) {
        const QString why = error ? QString::fromUtf8(error).trimmed() : QString();
        PQfreemem(error);
        RefuseParsed(why);
    }
    TPostgresAddress address;
    for (const PQconninfoOption* option = options.get(); option->keyword; ++option) {
        if (!option->val) {
            continue;
        }
        const QString key = QString::fromUtf8(option->keyword);
        const QString value = QString::fromUtf8(option->val);
        if (key == u"password") {
            address.Password = value;
            continue;
        }
        if (value.contains(QLatin1Char(';'))) {
            // The driver separates its options by semicolons.
            Refuse(QStringLiteral("der Wert des Parameters „%1“ enthält ein Semikolon").arg(key));
        }
        address.Parameters.append({key, value});
    }
    CheckPorts(address);
    return address;
}
