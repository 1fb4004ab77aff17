#include "ircfakes.h"

#include "chatclient/chatroom.h"
#include "irc/ircclient.h"
#include "irc/ircoptions.h"
#include "support/bytesio.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// A connection to a scripted server on a clock of the test's, counting its
// links and keeping the commands it hands over.
struct LinkRig
{
    IrcPeer s;
    ManualClock clock;
    IrcSettings set;
    int opened = 0, lost = 0;
    QByteArrayList got;
    std::optional<IrcConnection> c;

    explicit LinkRig(const IrcSettings &given = {}) : set(given)
    {
        std::tie(set.host, set.port) = std::tuple(u"127.0.0.1"_qs, s.listen());
        c.emplace(set, clock);
        QObject::connect(&*c, &IrcConnection::opened, [this] { ++opened; });
        QObject::connect(&*c, &IrcConnection::lost, [this] { ++lost; });
        QObject::connect(&*c, &IrcConnection::received, [this](const IrcMessage &m) {
            got << m.command + ' ' + m.params.join(' ');
        });
        c->open();
    }
};

} // namespace

TEST(IrcConnection, AnswersPingsPingsAQuietServerAndWaitsLongerAfterEachLostLink)
{
    LinkRig r;
    ASSERT_TRUE(eventually([&] { return r.opened == 1; }));
    r.c->send("NICK", {"Ann"});
    r.s.waitFor("NICK Ann");
    r.s.say("PING :tok\r\n:x 001 Ann :hi");
    EXPECT_EQ(r.s.waitFor("PONG"), "PONG tok");
    ASSERT_TRUE(eventually([&] { return !r.got.isEmpty(); }));
    EXPECT_EQ(r.got, QByteArrayList({"001 Ann hi"})) << "the PING is answered, not handed on";

    // Then the server stays silent: pinged, and left for a new link, which
    // says nothing either and is left for the next after twice the wait.
    r.clock.advance(r.set.idleMs);
    r.s.waitFor("PING orvella-alive");
    r.clock.advance(r.set.answerMs + r.set.retryMinMs);
    ASSERT_TRUE(eventually([&] { return r.opened == 2; }));
    r.clock.advance(r.set.answerMs + 2 * r.set.retryMinMs - 1);
    EXPECT_EQ(r.c->state(), IrcConnection::State::Waiting);
    r.clock.advance(1);
    r.c->close(u"bye"_qs);
    EXPECT_EQ(r.c->state(), IrcConnection::State::Closed);
    EXPECT_EQ(r.lost, 3) << "the new link is lost once when closed";
}

// A server with a self-signed certificate for 127.0.0.1, made for the test.
TEST(IrcConnection, TrustsAGivenAuthorityOrPinnedCertificateAndGivesUpOnOthers)
{
    const QString openssl = QStandardPaths::findExecutable(u"openssl"_qs);
    if (openssl.isEmpty())
        GTEST_SKIP() << "openssl is not installed (scripts/install-deps.sh installs it)";
    QTemporaryDir dir;
    const QString certFile = dir.filePath(u"cert.pem"_qs), keyFile = dir.filePath(u"key.pem"_qs);
    ASSERT_EQ(QProcess::execute(
                  openssl,
                  u"req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
                  "-days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1"_qs.split(u' ') +
                      QStringList{u"-keyout"_qs, keyFile, u"-out"_qs, certFile}),
              0);
    const QList<QSslCertificate> cert = QSslCertificate::fromPath(certFile);
    ASSERT_EQ(cert.size(), 1);
    const QSslKey privateKey(bytesOf(keyFile), QSsl::Ec);
    const QByteArray digest = cert[0].digest(QCryptographicHash::Sha256);

    // Wrong options, then what is given on the command line and why the link
    // is given up (empty when it opens).
    QString error, help;
    const QStringList base =
        u"orvella-irc --server irc.example.org --channel #g --nick Ann"_qs.split(u' ');
    for (const QStringList &wrong : {QStringList{u"--ca"_qs, keyFile},
                                     {u"--fingerprint"_qs, u"abcd"_qs},
                                     {u"--fingerprint"_qs, QString(64, u'g')},
                                     {u"--no-tls"_qs, u"--ca"_qs, certFile}})
        EXPECT_FALSE(IrcOptions::parse(base + wrong, {}, &error, &help))
            << wrong.join(u' ').toStdString();
    const QString pin = QString::fromLatin1(digest.toHex(':').toUpper());
    const QString otherPin = QString::fromLatin1(QByteArray(32, '\x77').toHex(':'));
    const QString mismatch = pin + u" does not match the one given, "_qs + otherPin;
    const std::tuple<const char *, QStringList, QString> cases[] = {
        {"untrusted", {}, u"self-signed"_qs},
        {"trusted authority", {u"--ca"_qs, certFile}, {}},
        {"pinned", {u"--fingerprint"_qs, pin}, {}},
        {"not pinned", {u"--fingerprint"_qs, otherPin}, mismatch},
        {"trusted but not pinned", {u"--ca"_qs, certFile, u"--fingerprint"_qs, otherPin}, mismatch},
    };
    for (const auto &[what, args, gaveUp] : cases) {
        const std::optional<IrcOptions> o = IrcOptions::parse(base + args, {}, &error, &help);
        ASSERT_TRUE(o) << what << ": " << error.toStdString();
        // The whole client, whose program ends when it stops; each refused
        // link is tried again at once.
        IrcPeer s;
        std::tie(s.server.certificate, s.server.key) = std::tuple(cert[0], privateKey);
        IrcSettings set = o->settings;
        std::tie(set.host, set.port, set.retryMaxMs) = std::tuple(u"127.0.0.1"_qs, s.listen(), 1);
        ChatRoom room(set.name);
        IrcClient client(set, room, IrcClock::system());
        QStringList said, fatal;
        QObject::connect(&client, &IrcClient::report, [&](const QString &l) { said << l; });
        QObject::connect(&client, &IrcClient::fatal, [&](const QString &why) { fatal << why; });
        client.start();
        ASSERT_TRUE(eventually([&] {
            return said.contains(u"Connected; logging in."_qs) || !fatal.isEmpty();
        })) << what;
        EXPECT_EQ(fatal.filter(gaveUp).size(), gaveUp.isEmpty() ? 0 : 1)
            << what << ": " << fatal.join(u'|').toStdString();
        EXPECT_EQ(said.filter(u"Stopped trying after 3 refused"_qs).size(), fatal.size()) << what;
    }
}

TEST(IrcOptions, BlanksThePasswordsInTheProcesssArguments)
{
    char a0[] = "orvella-irc", a1[] = "--sasl-password", a2[] = "s3cret", a3[] = "--password=pw",
         a4[] = "--nick", a5[] = "Ann", a6[] = "--password";
    char *argv[] = {a0, a1, a2, a3, a4, a5, a6};
    IrcOptions::blankSecrets(7, argv);
    EXPECT_EQ(QByteArrayList({a1, a2, a3, a4, a5, a6}),
              QByteArrayList(
                  {"--sasl-password", "******", "--password=**", "--nick", "Ann", "--password"}));
}
