#include "ircfakes.h"

#include "irc/ircregistration.h"

namespace {

// A login fed the server's lines, writing down what it says back.
struct LoginRig
{
    ManualClock clock;
    IrcSettings set;
    QByteArrayList sent;
    QStringList failures, broken;
    int registered = 0;
    std::optional<IrcRegistration> login;

    explicit LoginRig(const QString &name, const QByteArray &saslUser = {})
    {
        std::tie(set.name, set.saslUser, set.saslPassword) = std::tuple(name, saslUser, "pw");
        login.emplace(set, clock,
                      [this](const QByteArray &command, const QList<QByteArray> &params) {
                          sent << IrcMessage::encode(command, params).trimmed();
                      });
        QObject::connect(&*login, &IrcRegistration::failed,
                         [this](const QString &why) { failures << why; });
        QObject::connect(&*login, &IrcRegistration::registered, [this] { ++registered; });
        QObject::connect(&*login, &IrcRegistration::broken,
                         [this](const QString &why) { broken << why; });
        login->begin();
    }
    // What it says to these lines of the server and in the ms after them.
    QByteArrayList hear(const QByteArrayList &lines, int ms = 0)
    {
        sent.clear();
        for (const QByteArray &line : lines)
            login->handle(*IrcMessage::parse(line));
        clock.advance(ms);
        return sent;
    }
};

} // namespace

TEST(IrcRegistration, LogsInWithSaslUnderANumberedNickTakesTheWantedOneBackAndOneWelcomeOnly)
{
    LoginRig r(u"Ann Lee"_qs, "ann");
    EXPECT_EQ(r.sent,
              QByteArrayList({"CAP LS 302", "NICK Ann_Lee", "USER orvella 0 * :Orvella host"}));
    EXPECT_EQ(
        r.hear({":x CAP * LS * :multi-prefix echo-message", ":x CAP * LS :sasl=EXTERNAL,PLAIN"}),
        QByteArrayList({"CAP REQ :echo-message sasl"}));
    EXPECT_EQ(r.hear({":x CAP * ACK :echo-message sasl"}), QByteArrayList({"AUTHENTICATE PLAIN"}));
    EXPECT_EQ(r.hear({"AUTHENTICATE +"}),
              QByteArrayList({"AUTHENTICATE " + QByteArray("ann\0ann\0pw", 10).toBase64()}));
    EXPECT_EQ(r.hear({":x 903 * :ok", ":x 433 * Ann_Lee :in use"}),
              QByteArrayList({"CAP END", "NICK Ann_Lee2"}));
    EXPECT_FALSE(r.registered);
    r.hear({":x 001 Ann_Lee2 :hi"});
    EXPECT_TRUE(r.registered && r.login->echoesMessages() && r.login->isSelf("ann_lee2"));

    // In the channel the wanted nick is asked for now and then, and at once
    // when whoever holds it lets it go, but not while a game may be open;
    // no more once it is ours.
    bool linked = true;
    r.login->setKeepNick([&] { return linked; });
    r.login->inChannel();
    EXPECT_TRUE(r.hear({":Ann_Lee!u@h QUIT :bye"}, 2 * IrcRegistration::ReclaimMs).isEmpty());
    linked = false;
    EXPECT_EQ(r.hear({":Ann_Lee!u@h QUIT :bye"}, 2 * IrcRegistration::ReclaimMs),
              QByteArrayList(3, "NICK Ann_Lee"));
    EXPECT_TRUE(r.hear({":Ann_Lee2!u@h NICK Ann_Lee"}, IrcRegistration::ReclaimMs).isEmpty());
    // A second welcome neither renames us nor registers again.
    EXPECT_TRUE(r.hear({":x 001 Bob :hi again"}).isEmpty());
    EXPECT_EQ(std::tuple(r.registered, r.login->nick()), std::tuple(1, u"Ann_Lee"_qs));
    EXPECT_TRUE(r.failures.isEmpty() && r.broken.isEmpty()) << r.failures.join(u'\n').toStdString();

    LoginRig k(u"Ann"_qs); // a new link during a game asks for the nick players know
    k.login->setKeepNick([] { return true; });
    k.hear({":x 433 * Ann :in use", ":x 001 Ann2 :hi"});
    k.login->begin();
    EXPECT_EQ(k.hear({":x 433 * Ann2 :in use"}), QByteArrayList({"NICK Ann3"}));
}

// What retrying cannot mend is given up; endless capabilities are left.
TEST(IrcRegistration, GivesUpOnWhatRetryingCannotMendAndLeavesEndlessCapabilities)
{
    const QList<std::pair<QByteArrayList, QString>> sasl = {
        {{":x CAP * LS :echo-message"}, u"The server offers no SASL PLAIN login."_qs},
        {{":x CAP * LS :sasl", ":x CAP * NAK :sasl"},
         u"The server refused the SASL login capability."_qs},
        {{":x 904 * :bad password"}, u"The SASL login was refused: bad password"_qs},
        {{":x 001 Ann :hi"}, u"The server let us in without the SASL login; not staying."_qs},
    };
    for (const auto &[lines, failure] : sasl) {
        LoginRig r(u"Ann"_qs, "ann");
        r.hear(lines);
        EXPECT_EQ(r.failures, QStringList(failure)) << lines.join('|').constData();
        EXPECT_FALSE(r.registered);
    }
    // A refused nick is cut to the nine letters every server takes, once.
    LoginRig r(u"Abcdefghijkl"_qs);
    EXPECT_EQ(r.hear({":x 432 * Abcdefghijkl :bad"}), QByteArrayList({"NICK Abcdefghi"}));
    r.hear({":x 432 * Abcdefghi :bad"});
    EXPECT_EQ(r.failures, QStringList(u"The server refuses the nick Abcdefghi."_qs));

    // A server that never welcomes us is the client test's. Capabilities
    // without end:
    LoginRig caps(u"Ann"_qs);
    for (int i = 0; i < 100 && caps.broken.isEmpty(); ++i)
        EXPECT_TRUE(caps.hear({":x CAP * LS * :a" + QByteArray::number(i) + " b c"}).isEmpty());
    EXPECT_EQ(caps.broken, QStringList(u"The server offers more than 200 capabilities."_qs));
}

// A quiet is a list mode of its own, or an extban on +b.
TEST(IrcRegistration, FindsTheServersQuiet)
{
    const auto quiet = [](const QByteArray &isupport) {
        LoginRig r(u"Ann"_qs);
        r.hear({":x 005 Ann " + isupport + " :are supported"});
        const auto q = r.login->quiet();
        return q ? QByteArray(1, q->mode) + ' ' + q->maskPrefix : QByteArray("none");
    };
    EXPECT_EQ(quiet("CHANMODES=beIq,k,l,imnt EXTBAN=$,a"), "q ");
    EXPECT_EQ(quiet("CHANMODES=beI,k,l,imnt EXTBAN=~,acmqt"), "b ~q:");
    EXPECT_EQ(quiet("EXTBAN=,ACmz"), "b m:");
    EXPECT_EQ(quiet("CHANMODES=beI,k,l,imnt EXTBAN=~,acm"), "none");
}
