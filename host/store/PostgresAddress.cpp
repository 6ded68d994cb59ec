#include "host/store/PostgresAddress.h"

#include "host/core/KRNError.h"

#include <QLibrary>
#include <QMutex>
#include <QRegularExpression>
#include <QVariant>

#include <libpq-fe.h>

#include <memory>

namespace {

// libpq, loaded when a server address is first read rather than linked, so
// that a program on a file store does not load it and its libraries at
// start; the driver for the server loads the same library.
struct TLibpq
{
    decltype(&PQconninfoParse) ConninfoParse = nullptr;
    decltype(&PQconninfoFree) ConninfoFree = nullptr;
    decltype(&PQfreemem) Freemem = nullptr;
    decltype(&PQlibVersion) LibVersion = nullptr;
    decltype(&PQhost) Host = nullptr;
    decltype(&PQport) Port = nullptr;
    QString Error;
};

template <typename F>
void Resolve(QLibrary& library, F& function, const char* name)
{
    function = reinterpret_cast<F>(library.resolve(name));
}

const TLibpq& Libpq()
{
    static QMutex mutex;
    static std::unique_ptr<TLibpq> libpq;
    const QMutexLocker lock(&mutex);
    if (!libpq) {
        libpq = std::make_unique<TLibpq>();
        QLibrary library(QStringLiteral("pq"), 5);
        library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        if (!library.load()) {
            libpq->Error = library.errorString();
            return *libpq;
        }
        Resolve(library, libpq->ConninfoParse, "PQconninfoParse");
        Resolve(library, libpq->ConninfoFree, "PQconninfoFree");
        Resolve(library, libpq->Freemem, "PQfreemem");
        Resolve(library, libpq->LibVersion, "PQlibVersion");
        Resolve(library, libpq->Host, "PQhost");
        Resolve(library, libpq->Port, "PQport");
        if (!libpq->ConninfoParse || !libpq->ConninfoFree || !libpq->Freemem || !libpq->LibVersion ||
            !libpq->Host || !libpq->Port) {
            libpq->Error = library.errorString();
            libpq->ConninfoParse = nullptr;
        }
    }
    return *libpq;
}

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
                   .arg(PostgresLibraryVersion() / 10000));
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

QStringList TPostgresAddress::ConnectOptionList(const QStringList& without) const
{
    QStringList options;
    for (const auto& [key, value] : Parameters) {
        if (!without.contains(key)) {
            options << key + QLatin1Char('=') + Quoted(value);
        }
    }
    return options;
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
    const TLibpq& libpq = Libpq();
    return libpq.LibVersion ? libpq.LibVersion() : 0;
}

QString PostgresConnectedServer(const QVariant& handle)
{
    // The driver names the type after libpq's struct (pg_conn*).
    const QByteArray type = handle.typeName();
    const TLibpq& libpq = Libpq();
    if ((type == "PGconn*" || type == "pg_conn*") && libpq.Host) {
        if (PGconn* connection = *static_cast<PGconn* const*>(handle.constData())) {
            return QString::fromUtf8(libpq.Host(connection)) + QLatin1Char(':') +
                   QString::fromUtf8(libpq.Port(connection));
        }
    }
    return QStringLiteral("(unbekannt)");
}

QString PostgresOptionValue(const QString& value)
{
    return Quoted(value);
}

bool IsPostgresAddress(const QString& text)
{
    // A scheme of libpq's with a typo in the slashes still goes to libpq,
    // which refuses it, rather than becoming a file of that name.
    static const QRegularExpression form(
        QStringLiteral(R"(^\s*(?:postgres(?:ql)?:|[A-Za-z_][A-Za-z0-9_]*\s*=))"),
        QRegularExpression::CaseInsensitiveOption);
    return form.match(text).hasMatch();
}

TPostgresAddress ParsePostgresAddress(const QString& text)
{
    static const QRegularExpression uri(QStringLiteral("^\\s*postgres(?:ql)?://"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression scheme(QStringLiteral("^\\s*postgres(?:ql)?:"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (!IsPostgresAddress(text) || (scheme.match(text).hasMatch() && !uri.match(text).hasMatch())) {
        Refuse(Expected());
    }
    const TLibpq& libpq = Libpq();
    if (!libpq.ConninfoParse) {
        throw StoreError(QStringLiteral("Die PostgreSQL-Bibliothek libpq kann nicht geladen werden: %1")
                             .arg(libpq.Error),
                         TStoreFailure::CannotOpen);
    }
    char* error = nullptr;
    const std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(
        libpq.ConninfoParse(text.trimmed().toUtf8().constData(), &error), libpq.ConninfoFree);
    if (!options) {
        const QString why = error ? QString::fromUtf8(error).trimmed() : QString();
        libpq.Freemem(error);
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
