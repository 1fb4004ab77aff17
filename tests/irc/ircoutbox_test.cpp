#include "ircfakes.h"

#include "irc/ircoutbox.h"

namespace {

// An outbox of three commands at once, then one each 100 ms of its own clock,
// waiting a second for an answer; what it sends and what it makes of the
// answers.
struct OutboxRig
{
    ManualClock clock;
    QByteArrayList sent;
    QStringList told;
    IrcOutbox box{3, 100, 1000, clock,
                  [this](const QByteArray &command, const QList<QByteArray> &params) {
                      sent << IrcMessage::encode(command, params).trimmed();
                  }};

    OutboxRig()
    {
        using B = const QByteArray &;
        using S = const QString &;
        QObject::connect(&box, &IrcOutbox::taken,
                         [this](B to, bool, S text) { told << "taken by " + to + ": " + text; });
        QObject::connect(&box, &IrcOutbox::refused,
                         [this](B to, S why) { told << "refused to " + to + ": " + why; });
        QObject::connect(&box, &IrcOutbox::joinRefused,
                         [this](S why) { told << u"join refused: "_qs + why; });
        QObject::connect(&box, &IrcOutbox::unconfirmed,
                         [this](B to) { told << QString::fromUtf8("unconfirmed: " + to); });
        QObject::connect(&box, &IrcOutbox::stray, [this](S why) { told << u"stray: "_qs + why; });
    }
    QByteArrayList sends()
    {
        QCoreApplication::processEvents();
        return std::exchange(sent, {});
    }
    QStringList hear(const QByteArrayList &lines)
    {
        told.clear();
        for (const QByteArray &line : lines)
            box.handle(*IrcMessage::parse(line));
        return told;
    }
};

} // namespace

TEST(IrcOutbox, PacesTheHostsLinesAndTakesEachAnswerForWhatItAnswers)
{
    // Lines wait for the channel; the JOIN carries a PING, and so does each
    // batch of lines: a bucketful, or fewer when the queue runs dry. Every
    // command is paced, the PINGs too.
    OutboxRig r;
    r.box.say("#room", "early", true);
    r.box.join("#room");
    EXPECT_EQ(r.sends(), QByteArrayList({"JOIN #room", "PING orvella-1"}));
    r.box.open();
    for (const QByteArray i : {"1", "2"})
        r.box.say("#room", i, true);
    // The JOIN counts twice, as InspIRCd counts it: the bucket is empty.
    r.clock.advance(500);
    EXPECT_EQ(r.sends(), QByteArrayList({"PRIVMSG #room early", "PRIVMSG #room 1", "PING orvella-3",
                                         "PRIVMSG #room 2", "PING orvella-4"}));

    // Answers come in order: an error before a line's PONG is that line's;
    // an echo (echo-message) takes the oldest line with the text relayed.
    EXPECT_EQ(
        r.hear({":x PONG x :orvella-1", ":x 404 Ann #room :Cannot send to channel",
                ":x PONG x :orvella-3"}),
        QStringList({u"refused to #room: Cannot send to channel"_qs, u"taken by #room: 1"_qs}));
    EXPECT_TRUE(r.box.isWaiting());
    r.box.echoed("2, relayed");
    EXPECT_EQ(r.told.last(), u"taken by #room: 2, relayed"_qs);
    EXPECT_FALSE(r.box.isWaiting());

    // Kicked with a private line out, then the JOIN again: the line's answer
    // comes first (its PONG; with echo-message a line the server drops has
    // no other), so the 403 after it answers the JOIN, not the line.
    r.clock.advance(900);
    r.box.say("Bo", "psst", false);
    r.box.pause();
    r.box.join("#room");
    EXPECT_EQ(r.sends(), QByteArrayList({"PRIVMSG Bo psst", "PING orvella-5", "JOIN #room",
                                         "PING orvella-6"}));
    EXPECT_EQ(r.hear({":x PONG x :orvella-5", ":x 403 Ann #room :No such channel"}),
              QStringList({u"taken by Bo: psst"_qs, u"join refused: No such channel"_qs}));

    // A JOIN is not answered by a message's error, nor a line by a ban.
    r.box.join("#room");
    EXPECT_EQ(r.hear({":x 404 Ann #room :Cannot send", ":x 474 Ann #room :Banned"}),
              QStringList({u"stray: Cannot send"_qs, u"join refused: Banned"_qs}));
    // Two JOINs that could not wait are paid for by the next line.
    r.box.open();
    r.box.say("#room", "x", true);
    r.clock.advance(399);
    EXPECT_EQ(r.sends(), QByteArrayList({"JOIN #room", "PING orvella-7"}));
    r.clock.advance(101);
    EXPECT_EQ(r.sends(), QByteArrayList({"PRIVMSG #room x", "PING orvella-8"}));
    EXPECT_EQ(r.hear({":x 474 Ann #room :Banned"}), QStringList({u"stray: Banned"_qs}));

    // A refusal of either is the line's. A line left unanswered holds nothing
    // back, and its answer, late, is still its own.
    EXPECT_EQ(r.hear({":x 477 Ann #room :Need a nick"}),
              QStringList({u"refused to #room: Need a nick"_qs}));
    EXPECT_FALSE(r.box.isWaiting());
    r.box.say("#room", "y", true);
    r.clock.advance(2000);
    EXPECT_FALSE(r.box.isWaiting());
    EXPECT_EQ(r.told, QStringList({u"refused to #room: Need a nick"_qs, u"unconfirmed: #room"_qs}));
    EXPECT_EQ(r.hear({":x 404 Ann #room :Cannot send"}),
              QStringList({u"refused to #room: Cannot send"_qs}));
    EXPECT_FALSE(r.box.isWaiting());

    // With echo-message no PING follows a line: its echo answers it.
    r.sends();
    r.box.setEchoes(true);
    r.box.say("#room", "z", true);
    EXPECT_EQ(r.sends(), QByteArrayList({"PRIVMSG #room z"}));
}

// What others say shows behind the host's lines sent before it came, once
// they are answered, refused or given up on; no more of it waits than the bound.
TEST(IrcOutbox, ShowsWhatOthersSayBehindTheHostsLinesSentBeforeIt)
{
    OutboxRig r;
    const auto heard = [&r](const QString &line) { r.box.inOrder([&r, line] { r.told << line; }); };
    r.box.join("#room");
    r.box.open();
    r.clock.advance(300);
    for (const char *line : {"1", "2"}) {
        r.box.say("#room", line, true);
        heard(u"Bo: after "_qs + QLatin1String(line));
        r.clock.advance(100);
    }
    r.sends();
    EXPECT_TRUE(r.told.isEmpty());
    EXPECT_EQ(r.hear({":x 404 Ann #room :No", ":x PONG x :orvella-3"}),
              QStringList({u"refused to #room: No"_qs, u"Bo: after 1"_qs, u"taken by #room: 2"_qs,
                           u"Bo: after 2"_qs}));
    r.told.clear();
    r.clock.advance(200);
    r.box.say("#room", "3", true);
    r.sends();
    for (int i = 0; i <= IrcOutbox::MaxInOrder; ++i)
        heard(u"Bo: %1"_qs.arg(i));
    r.clock.advance(1000);
    EXPECT_EQ(r.told.mid(0, 2), QStringList({u"Bo: 0"_qs, u"unconfirmed: #room"_qs}));
    EXPECT_EQ(r.told.size(), 2 + IrcOutbox::MaxInOrder);
    // An echo comes in the channel's order: nothing waits for it.
    r.box.setEchoes(true);
    r.box.say("#room", "4", true);
    heard(u"Bo: before the echo"_qs);
    EXPECT_EQ(std::tuple(r.sends(), r.told.last()),
              std::tuple(QByteArrayList({"PRIVMSG #room 4"}), u"Bo: before the echo"_qs));
}
