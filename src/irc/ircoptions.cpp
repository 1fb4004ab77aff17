#include "irc/ircoptions.h"

#include "transport/frame.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QSslCertificate>

#include <cstring>

namespace {

const QString Example = QStringLiteral(
    "Example\n"
    "  orvella-irc --server irc.example.org --channel '#wordgame' --nick 'Ann Lee'\n"
    "  ORVELLA_IRC_SASL_USER=ann ORVELLA_IRC_SASL_PASSWORD=secret orvella-irc \\\n"
    "      --server irc.example.org:6697 --channel '#wordgame' --nick 'Ann Lee'\n"
    "\n"
    "The nick comes from the name: letters A-Z, digits and - [ ] \\ ` ^ { } | _ stay,\n"
    "accents go (e for é), any other character becomes _ (\"Ann Lee\" is Ann_Lee), a\n"
    "nick starting with a digit or - gets _ in front. A nick in use gets 2, 3, ...\n"
    "behind it; the client takes the wanted nick back once it is free and Orvella is\n"
    "not linked (a game may be open, its players told to write to the nick).\n"
    "Secrets may come from ORVELLA_IRC_PASSWORD, ORVELLA_IRC_SASL_USER and\n"
    "ORVELLA_IRC_SASL_PASSWORD instead of the command line, which is safer: the\n"
    "client blanks a password given as an option as it starts, but until then\n"
    "other users of the machine may read it.");

bool isLoopback(const QString &host)
{
    QHostAddress address;
    if (address.setAddress(host))
        return address.isLoopback();
    return host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0;
}

// "host", "host:port", "[v6 address]:port" or a bare v6 address.
bool splitServer(const QString &server, QString &host, int &port)
{
    port = 0;
    QString rest = server.trimmed();
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return false;
        host = rest.mid(1, close - 1);
        rest = rest.mid(close + 1);
        if (rest.isEmpty())
            return !host.isEmpty();
        if (!rest.startsWith(u':'))
            return false;
        rest = rest.mid(1);
    } else if (rest.count(u':') == 1) {
        host = rest.section(u':', 0, 0);
        rest = rest.section(u':', 1);
    } else {
        host = rest;
        return !host.isEmpty();
    }
    bool ok = false;
    port = rest.toInt(&ok);
    return ok && !host.isEmpty() && port > 0 && port < 65536;
}

} // namespace

std::optional<IrcOptions> IrcOptions::parse(const QStringList &arguments,
                                            const QHash<QString, QString> &environment,
                                            QString *error, QString *help)
{
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Orvella's chat client for IRC: joins a channel and lets Orvella host "
                       "a game there.\n\n") +
        Example);
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Shows this help."));
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Shows the version."));
    auto option = [](const char *name, const char *text, const char *value = nullptr) {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(text),
                                  value ? QString::fromLatin1(value) : QString());
    };
    const QCommandLineOption server =
        option("server", "The IRC server, as host or host:port (required).", "host[:port]");
    const QCommandLineOption port =
        option("port", "The server's port (default 6697 with TLS, 6667 without).", "port");
    const QCommandLineOption channel = option("channel", "The channel (required).", "#channel");
    const QCommandLineOption key =
        option("key", "The channel's key, for a channel that has one (+k).", "key");
    const QCommandLineOption nick =
        option("nick", "The host's avatar name; the nick is made from it (required).", "name");
    const QCommandLineOption tls = option(
        "tls", "Speaks TLS to the server (the default, except for a server on this machine).");
    const QCommandLineOption noTls = option("no-tls", "Speaks plain text to the server.");
    const QCommandLineOption ca = option(
        "ca", "Trusts the certificates in this PEM file besides the system's authorities.", "file");
    const QCommandLineOption fingerprint =
        option("fingerprint",
               "Trusts only the server certificate with this SHA-256 fingerprint (64 hex "
               "digits, colons allowed), whoever signed it.",
               "sha256");
    const QCommandLineOption password =
        option("password", "The server's password (ORVELLA_IRC_PASSWORD is safer).", "password");
    const QCommandLineOption saslUser =
        option("sasl-user", "Logs in with SASL PLAIN as this account (or ORVELLA_IRC_SASL_USER).",
               "account");
    const QCommandLineOption saslPassword =
        option("sasl-password", "The account's password (ORVELLA_IRC_SASL_PASSWORD is safer).",
               "password");
    const QCommandLineOption socket =
        option("socket",
               "Where Orvella connects; default $XDG_RUNTIME_DIR/wadapi.sock, or "
               "orvella-<uid>/wadapi.sock in the temporary folder without that variable.",
               "path");
    const QCommandLineOption burst =
        option("burst", "Lines sent at once before pacing starts (default 5).", "lines");
    const QCommandLineOption interval =
        option("interval", "Then one line each this many milliseconds (default 2000).", "ms");
    const QCommandLineOption hold =
        option("hold",
               "How long the host's lines wait for a lost server or channel before they are "
               "given up and Orvella is told (default 30, at most 600).",
               "seconds");
    const QCommandLineOption verbose = option("verbose", "Shows every frame from and to Orvella.");
    const QCommandLineOption topic =
        option("topic", "Sets the channel's topic to the game's word and pattern, \"Word N of M: "
                        "PATTERN\", as they change, where the server lets the client (off by "
                        "default).");
    p.addOptions({helpOption, versionOption, server, port, channel, key, nick, tls, noTls, ca,
                  fingerprint, password, saslUser, saslPassword, socket, burst, interval, verbose,
                  topic});
    p.addOption(hold);

    auto wrong = [&](const QString &why) -> std::optional<IrcOptions> {
        *error = why + QStringLiteral("\nSee orvella-irc --help.");
        return std::nullopt;
    };
    if (!p.parse(arguments))
        return wrong(p.errorText());
    if (p.isSet(helpOption)) {
        *help = p.helpText();
        return std::nullopt;
    }
    if (p.isSet(versionOption)) {
        *help = QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion();
        return std::nullopt;
    }
    if (!p.positionalArguments().isEmpty())
        return wrong(QStringLiteral("Unexpected argument: ") + p.positionalArguments().first());
    for (const QCommandLineOption &o : {server, channel, nick})
        if (p.value(o).trimmed().isEmpty())
            return wrong(QStringLiteral("--%1 is required.").arg(o.names().first()));

    IrcOptions o;
    IrcSettings &s = o.settings;
    int serverPort = 0;
    if (!splitServer(p.value(server), s.host, serverPort))
        return wrong(QStringLiteral("Not a server: ") + p.value(server));
    if (p.isSet(port)) {
        bool ok = false;
        serverPort = p.value(port).toInt(&ok);
        if (!ok || serverPort <= 0 || serverPort > 65535)
            return wrong(QStringLiteral("Not a port: ") + p.value(port));
    }
    if (p.isSet(tls) && p.isSet(noTls))
        return wrong(QStringLiteral("--tls and --no-tls contradict each other."));
    s.tls = p.isSet(tls) || (!p.isSet(noTls) && !isLoopback(s.host));
    s.port = static_cast<quint16>(serverPort > 0 ? serverPort : (s.tls ? 6697 : 6667));
    if ((p.isSet(ca) || p.isSet(fingerprint)) && !s.tls)
        return wrong(QStringLiteral("--ca and --fingerprint need TLS."));
    if (p.isSet(ca)) {
        s.caCertificates = QSslCertificate::fromPath(p.value(ca), QSsl::Pem);
        if (s.caCertificates.isEmpty())
            return wrong(QStringLiteral("No PEM certificate in ") + p.value(ca));
    }
    if (p.isSet(fingerprint)) {
        const QByteArray hex = p.value(fingerprint).toLatin1().replace(':', "").trimmed();
        s.pinnedSha256 = QByteArray::fromHex(hex);
        if (hex.size() != 64 || s.pinnedSha256.size() != 32 ||
            s.pinnedSha256.toHex() != hex.toLower())
            return wrong(QStringLiteral("Not a SHA-256 fingerprint: ") + p.value(fingerprint));
    }

    s.channel = p.value(channel).trimmed();
    if (!s.channel.startsWith(u'#') && !s.channel.startsWith(u'&'))
        s.channel.prepend(u'#');
    for (QChar c : s.channel)
        if (c.unicode() <= 0x20 || c == u',' || c == u'\x07')
            return wrong(QStringLiteral("A channel name cannot hold spaces, commas or control "
                                        "characters."));
    s.channelKey = p.value(key).toUtf8();
    if (p.isSet(key) && (s.channelKey.isEmpty() || s.channelKey.size() > 64 ||
                         std::any_of(s.channelKey.begin(), s.channelKey.end(), [](char c) {
                             return uchar(c) <= 0x20 || c == ',' || c == '\x7f';
                         })))
        return wrong(QStringLiteral("A channel key is 1 to 64 bytes without spaces, commas or "
                                    "control characters."));
    s.name = p.value(nick).trimmed();

    auto secret = [&](const QCommandLineOption &opt, const char *variable) {
        return (p.isSet(opt) ? p.value(opt) : environment.value(QString::fromLatin1(variable)))
            .toUtf8();
    };
    s.password = secret(password, "ORVELLA_IRC_PASSWORD");
    s.saslUser = secret(saslUser, "ORVELLA_IRC_SASL_USER");
    s.saslPassword = secret(saslPassword, "ORVELLA_IRC_SASL_PASSWORD");
    if (s.saslUser.isEmpty() != s.saslPassword.isEmpty())
        return wrong(QStringLiteral("SASL needs both the account and its password."));
    for (const QByteArray &b : {s.password, s.saslUser, s.saslPassword})
        if (b.contains('\r') || b.contains('\n') || b.contains('\0'))
            return wrong(QStringLiteral("A password or account cannot hold a line break."));

    auto number = [&](const QCommandLineOption &opt, int fallback, int &out) {
        bool ok = true;
        out = p.isSet(opt) ? p.value(opt).toInt(&ok) : fallback;
        return ok && out > 0;
    };
    if (!number(burst, s.burst, s.burst) || !number(interval, s.intervalMs, s.intervalMs))
        return wrong(QStringLiteral("--burst and --interval take a positive number."));
    int holdSeconds = 0;
    if (!number(hold, s.holdMs / 1000, holdSeconds) || holdSeconds > 600)
        return wrong(QStringLiteral("--hold takes 1 to 600 seconds."));
    s.holdMs = holdSeconds * 1000;
    o.socketPath = p.isSet(socket) ? p.value(socket) : defaultWadapiSocketPath();
    o.verbose = p.isSet(verbose);
    s.topic = p.isSet(topic);
    return o;
}

void IrcOptions::blankSecrets(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *name : {"--password", "--sasl-password"}) {
            const size_t n = std::strlen(name);
            if (std::strncmp(argv[i], name, n) != 0)
                continue;
            char *value = nullptr;
            if (argv[i][n] == '=')
                value = argv[i] + n + 1;
            else if (argv[i][n] == '\0' && i + 1 < argc)
                value = argv[++i];
            if (value)
                std::memset(value, '*', std::strlen(value));
            break;
        }
    }
}
