#include "irc/ircoutbox.h"

#include <gtest/gtest.h>

namespace {

// An outbox of two lines at once, then one each 100 ms of its own clock,
// waiting a second for an answer; what it sends and what it makes of the
// answers.
struct OutboxRig
{
    qint64 now = 0;
    QByteArrayList sent;
    QStringList told;
    IrcOutbox box{2, 100, 1000,
                  [this](const QByteArray &command, const QList<QByteArray> &params) {
                      sent << IrcMessage::encode(command, params).trimmed();
                  },
                  [this] { return now; }};

    OutboxRig()
    {
        QObject::connect(&box, &IrcOutbox::taken,
                         [this](const QByteArray &target, bool, const QString &text) {
                             told << u"taken by "_qs + QString::fromUtf8(target) + u": "_qs + text;
                         });
        QObject::connect(
            &box, &IrcOutbox::refused, [this](const QByteArray &target, const QString &reason) {
                told << u"refused to "_qs + QString::fromUtf8(target) + u": "_qs + reason;
            });
        QObject::connect(&box, &IrcOutbox::joinRefused,
                         [this](const QString &reason) { told << u"join refused: "_qs + reason; });
        QObject::connect(&box, &IrcOutbox::unconfirmed, [this](const QByteArray &target) {
            told << u"unconfirmed: "_qs + QString::fromUtf8(target);
        });
        QObject::connect(&box, &IrcOutbox::stray,
                         [this](const QString &reason) { told << u"stray: "_qs + reason; });
    }
    QByteArrayList sends()
    {
        const QByteArrayList out = sent;
        sent.clear();
        return out;
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
    // Lines wait for the channel; the JOIN and each line carry a PING.
    OutboxRig r;
    r.box.say("#room", "early", true);
    r.box.join("#room");
    EXPECT_EQ(r.sends(), QByteArrayList({"JOIN #room", "PING orvella-1"}));
    r.box.open();
    for (const QByteArray i : {"1", "2"})
        r.box.say("#room", i, true);
    EXPECT_EQ(r.sends(), QByteArrayList({"PRIVMSG #room early", "PING orvella-2", "PRIVMSG #room 1",
                                         "PING orvella-3"}));
    r.now = 199;
    r.box.pump();
    EXPECT_EQ(r.sends(), QByteArrayList({"PRIVMSG #room 2", "PING orvella-4"}));

    // Answers come in order: an error before a line's PONG is that line's;
    // an echo (echo-message) takes the oldest line with the text relayed.
    EXPECT_EQ(
        r.hear({":x PONG x :orvella-1", ":x PONG x :orvella-2",
                ":x 404 Ann #room :Cannot send to channel", ":x PONG x :orvella-3"}),
        QStringList({u"taken by #room: early"_qs, u"refused to #room: Cannot send to channel"_qs}));
    EXPECT_TRUE(r.box.isWaiting());
    r.box.echoed("2, relayed");
    EXPECT_EQ(r.told.last(), u"taken by #room: 2, relayed"_qs);
    EXPECT_FALSE(r.box.isWaiting());

    // Kicked with a private line out, then the JOIN again: the line's answer
    // comes first (its PONG; with echo-message a line the server drops has
    // no other), so the 403 after it answers the JOIN, not the line.
    r.now = 1000;
    r.box.say("Bo", "psst", false);
    r.box.pause();
    r.box.join("#room");
    EXPECT_EQ(r.sends(), QByteArrayList({"PRIVMSG Bo psst", "PING orvella-5", "JOIN #room",
                                         "PING orvella-6"}));
    EXPECT_EQ(r.hear({":x PONG x :orvella-5", ":x 403 Ann #room :No such channel"}),
              QStringList({u"taken by Bo: psst"_qs, u"join refused: No such channel"_qs}));
}

TEST(IrcOutbox, ALineTheServerRefusesOrNeverAnswersHoldsNothingBack)
{
    // The server's answer, the ms on the clock before the outbox looks
    // again, and what the room is told.
    const std::tuple<QByteArray, qint64, QStringList> cases[] = {
        {":x 477 Ann #room :You need a registered nick",
         0,
         {u"refused to #room: You need a registered nick"_qs}},
        // Unanswered, then its answer, late, is still its own and not the
        // next line's.
        {":x 404 Ann #room :Cannot send",
         1000,
         {u"unconfirmed: #room"_qs, u"refused to #room: Cannot send"_qs}},
    };
    for (const auto &[answer, later, told] : cases) {
        OutboxRig r;
        r.box.open();
        r.box.say("#room", "x", true);
        r.now = later;
        r.box.pump();
        const QStringList before = r.told;
        EXPECT_EQ(before + r.hear({answer}), told) << answer.constData() << " at " << later;
        EXPECT_FALSE(r.box.isWaiting());
    }

    // A JOIN is not answered by a message's error, nor a line by a ban.
    OutboxRig r;
    r.box.join("#room");
    EXPECT_EQ(r.hear({":x 404 Ann #room :Cannot send", ":x 474 Ann #room :Banned"}),
              QStringList({u"stray: Cannot send"_qs, u"join refused: Banned"_qs}));
    r.box.open();
    r.box.say("#room", "x", true);
    EXPECT_EQ(r.hear({":x 474 Ann #room :Banned"}), QStringList({u"stray: Banned"_qs}));
}
