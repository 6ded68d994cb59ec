#include "host/store/PostgresAddress.h"

#include "host/core/KRNError.h"

#include <QUrl>
#include <QUrlQuery>

namespace {

// The libpq keywords a URI may carry; anything else is most likely a typo
// that libpq would reject with an English message.
bool KnownKeyword(const QString& key)
{
    static const QStringList keywords = {
        QStringLiteral("host"), QStringLiteral("hostaddr"), QStringLiteral("port"),
        QStringLiteral("dbname"), QStringLiteral("user"), QStringLiteral("passfile"),
        QStringLiteral("channel_binding"), QStringLiteral("connect_timeout"),
        QStringLiteral("client_encoding"), QStringLiteral("options"), QStringLiteral("application_name"),
        QStringLiteral("fallback_application_name"), QStringLiteral("keepalives"),
        QStringLiteral("keepalives_idle"), QStringLiteral("keepalives_interval"),
        QStringLiteral("keepalives_count"), QStringLiteral("tcp_user_timeout"), QStringLiteral("sslmode"),
        QStringLiteral("sslcompression"), QStringLiteral("sslcert"), QStringLiteral("sslkey"),
        QStringLiteral("sslpassword"), QStringLiteral("sslrootcert"), QStringLiteral("sslcrl"),
        QStringLiteral("sslcrldir"), QStringLiteral("sslsni"), QStringLiteral("requirepeer"),
        QStringLiteral("ssl_min_protocol_version"), QStringLiteral("ssl_max_protocol_version"),
        QStringLiteral("krbsrvname"), QStringLiteral("gsslib"), QStringLiteral("service"),
        QStringLiteral("target_session_attrs"), QStringLiteral("gssencmode")};
    return keywords.contains(key);
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

} // namespace

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

QString PostgresOptionValue(const QString& value)
{
    return Quoted(value);
}

bool IsPostgresUri(const QString& text)
{
    return text.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
}

TPostgresAddress ParsePostgresUri(const QString& uri)
{
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || !IsPostgresUri(uri)) {
        Refuse(QStringLiteral("erwartet wird postgresql://benutzer@rechner:port/datenbank"));
    }
    TPostgresAddress address;
    address.Host = url.host(QUrl::FullyDecoded);
    address.Port = url.port(-1);
    address.User = url.userName(QUrl::FullyDecoded);
    address.Password = url.password(QUrl::FullyDecoded);
    address.Database = url.path(QUrl::FullyDecoded);
    if (address.Database.startsWith(QLatin1Char('/'))) {
        address.Database.remove(0, 1);
    }
    QStringList options;
    const QUrlQuery query(url);
    for (const auto& [key, encoded] : query.queryItems(QUrl::FullyDecoded)) {
        const QString& value = encoded;
        if (!KnownKeyword(key)) {
            Refuse(QStringLiteral("unbekannter Parameter „%1“").arg(key));
        }
        if (value.contains(QLatin1Char(';'))) {
            // The driver separates its options by semicolons.
            Refuse(QStringLiteral("der Wert des Parameters „%1“ enthält ein Semikolon").arg(key));
        }
        if (key == QStringLiteral("host")) {
            address.Host = value;
        } else if (key == QStringLiteral("port")) {
            bool ok = false;
            address.Port = value.toInt(&ok);
            if (!ok || address.Port <= 0 || address.Port > 65535) {
                Refuse(QStringLiteral("die Portnummer ist ungültig"));
            }
        } else if (key == QStringLiteral("user")) {
            address.User = value;
        } else if (key == QStringLiteral("dbname")) {
            address.Database = value;
        } else {
            address.NamesApplication = address.NamesApplication ||
                                       key == QStringLiteral("application_name") ||
                                       key == QStringLiteral("fallback_application_name");
            options << key + QLatin1Char('=') + Quoted(value);
        }
    }
    address.ConnectOptions = options.join(QLatin1Char(';'));
    return address;
}

QString TPostgresAddress::Display() const
{
    QString text = QStringLiteral("postgresql://");
    if (!User.isEmpty()) {
        text += User + QLatin1Char('@');
    }
    text += Host.startsWith(QLatin1Char('/')) ? QString() : Host;
    if (Port > 0) {
        text += QLatin1Char(':') + QString::number(Port);
    }
    text += QLatin1Char('/') + Database;
    if (Host.startsWith(QLatin1Char('/'))) {
        text += QStringLiteral(" (Socket ") + Host + QLatin1Char(')');
    }
    return text;
}
