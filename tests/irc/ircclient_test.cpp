#include "ircfakes.h"

#include "chatclient/chatroom.h"
#include "irc/ircclient.h"
#include "support/ircserverprocess.h"

#include <QFile>

namespace {

// A client of a scripted server on a clock of the test's, and what its
// room shows from a mark on.
struct ClientRig
{
    IrcPeer s;
    ManualClock clock;
    IrcSettings set;
    ChatRoom room;
    qint64 from = room.end();
    QStringList reports;
    bool waiting = false; // the host's lines hold back the room's text
    std::optional<IrcClient> c;

    explicit ClientRig(const QString &name) : room(name)
    {
        set.topic = true;
        // The login's wait is shorter than the wait for a first byte, which a
        // silent server meets first.
        std::tie(set.host, set.port, set.channel, set.name, set.loginMs) =
            std::tuple(u"127.0.0.1"_qs, s.listen(), u"#room"_qs, name, set.answerMs / 2);
        set.holdMs = 5000;
        c.emplace(set, room, clock);
        QObject::connect(&*c, &IrcClient::report, [this](const QString &l) { reports << l; });
        QObject::connect(&*c, &IrcClient::hostLinesWaiting, [this](bool w) { waiting = w; });
        c->start();
    }
    // Logs in without echo-message; joins with our prefix as given.
    bool login(const QByteArray &prefix = "Ann!u@h")
    {
        s.play({{"USER", ":x 001 Ann :hi"}, {"JOIN #room", ":" + prefix + " JOIN #room"}});
        return eventually([&] { return c->isUp(); });
    }
    // Once the room shows text, the clock moves on by ms.
    void later(const QString &text, int ms)
    {
        EXPECT_TRUE(eventually([&] { return room.textSince(from).contains(text); }));
        clock.advance(ms);
    }
    QStringList shown(const QString &last)
    {
        EXPECT_TRUE(eventually([&] { return room.textSince(from).contains(last); }));
        return room.textSince(std::exchange(from, room.end())).split(u"\r\n"_qs);
    }
};

} // namespace

TEST(IrcClient, KeepsTheRoomGoingWhateverTheServerSaysOrSwallowsAndWhenItGoes)
{
    ClientRig r(u"Ann"_qs);
    // Never a welcome: a new link, to a server without CAP.
    r.s.waitFor("USER");
    r.clock.advance(r.set.loginMs + r.set.retryMinMs);
    r.s.play({{"CAP LS", ":x 421 * CAP :Unknown command"}});
    EXPECT_TRUE(r.reports.contains(u"The server did not let us in within 30 s."_qs));
    // A 1,000-byte prefix in our JOIN's echo leaves a short line whole.
    ASSERT_TRUE(r.login("Ann!" + QByteArray(1000, 'u') + "@h"));
    r.clock.advance(r.set.intervalMs); // the JOIN and its PING took three tokens

    // Without echo-message a line is said once the server has answered the
    // PING behind it; one neither echoed nor answered holds the room back
    // only so long, and its answer, late, is still its own.
    const QString longLine(74, u'a');
    for (const QString &line : {u"1"_qs, longLine})
        EXPECT_EQ(r.c->communicate(0, {}, line), "0");
    EXPECT_EQ(r.s.waitFor("PRIVMSG #room a"), "PRIVMSG #room " + longLine.toLatin1());
    r.s.say(":x PONG x :orvella-2");
    r.later(u"Ann: 1"_qs, r.set.confirmMs - 1);
    EXPECT_TRUE(r.waiting);
    r.clock.advance(1);
    EXPECT_FALSE(r.waiting);
    r.s.say(":x PONG x :orvella-3");
    // Refused: the room hears why at once, and is not told of a JOIN.
    r.s.say(":Bo!b@h JOIN #room");
    r.later(u"Bo has"_qs, 0);
    EXPECT_EQ(r.c->communicate(2, u"Bo"_qs, u"psst"_qs), "0");
    r.s.waitFor("PING orvella-4");
    r.s.say(":x 716 Ann Bo :is in +g mode");
    EXPECT_EQ(r.shown(u"+g"_qs),
              QStringList({u"*** Joined #room as Ann."_qs, u"Ann: 1"_qs, u"Ann: "_qs + longLine,
                           u"*** Bo has joined #room."_qs,
                           u"*** Not delivered to Bo (is in +g mode)."_qs}));
    EXPECT_FALSE(r.waiting);

    // Kicked and banned: the room and the program hear why, and the JOIN is
    // tried again after a wait that doubles; the host's lines wait for it.
    r.s.say(":Op!o@h KICK #room Ann :out");
    r.later(u"kicked"_qs, r.set.retryMinMs);
    r.s.waitFor("JOIN #room");
    r.s.say(":x 474 Ann #room :Cannot join channel (+b)");
    r.later(u"(+b)"_qs, 2 * r.set.retryMinMs);
    EXPECT_EQ(r.c->communicate(0, {}, u"x"_qs), "0");
    r.s.waitFor("JOIN #room");
    r.s.say(":Ann!u@h JOIN #room");
    EXPECT_EQ(r.shown(u"Joined"_qs),
              QStringList({u"*** You were kicked from #room by Op; joining again."_qs,
                           u"*** Cannot join #room (Cannot join channel (+b)); trying again in "
                           "2 s."_qs,
                           u"*** Cannot join #room (Cannot join channel (+b)); the host's lines "
                           "wait up to 5 s for the client to be in."_qs,
                           u"*** Joined #room as Ann."_qs}));

    // The server goes with that line unanswered: whether the room heard it
    // nobody knows, and the program is told. Lines said while out wait and
    // go out in order once the client is back; a stranger's line that comes
    // after they went out shows behind them, even answered as late as on a
    // server that meters commands, which is not warned about.
    QList<int> unsaid;
    QObject::connect(&*r.c, &IrcClient::unsaid, [&](int lines) { unsaid << lines; });
    r.clock.advance(r.set.burst * r.set.intervalMs);
    r.s.waitFor("PRIVMSG #room x");
    r.s.socket->close();
    r.later(u"lost; reconnecting"_qs, r.set.retryMinMs);
    for (const QString &line : {u"a"_qs, u"b"_qs})
        EXPECT_EQ(r.c->communicate(0, {}, line), "0");
    ASSERT_TRUE(r.login());
    r.clock.advance(4 * r.set.intervalMs); // the JOIN counts twice
    r.s.waitFor("PRIVMSG #room b");
    r.s.say(":Bo!b@h PRIVMSG #room :b!");
    const QByteArray ping = r.s.waitFor("PING orvella");
    r.later(u"Back in"_qs, 3000);
    r.s.say(":x PONG x :" + ping.mid(5));
    EXPECT_EQ(
        r.shown(u"Bo: b!"_qs).mid(1),
        QStringList({u"*** 1 of the host's lines may not have been said."_qs,
                     u"*** Not connected to the IRC server; the host's lines wait up to 5 "
                     "s for it."_qs,
                     u"*** Back in #room as Ann."_qs, u"Ann: a"_qs, u"Ann: b"_qs, u"Bo: b!"_qs}));
    EXPECT_EQ(r.reports.filter(u"has not said"_qs).size(), 1);

    // More lines than the client holds, or out past the hold: the lines held
    // are given up, and each line after the hold is refused, all told.
    r.s.socket->close();
    ASSERT_TRUE(eventually([&] { return !r.c->isUp(); }));
    for (int i = 0; i < IrcClient::MaxHeld; ++i)
        EXPECT_EQ(r.c->communicate(0, {}, u"e"_qs), "0");
    EXPECT_EQ(r.c->communicate(0, {}, u"f"_qs), "-1");
    EXPECT_FALSE(r.waiting);
    EXPECT_EQ(r.c->communicate(0, {}, u"c"_qs), "0");
    r.clock.advance(r.set.holdMs);
    EXPECT_EQ(r.c->communicate(2, u"Bo"_qs, u"d"_qs), "-1");
    EXPECT_EQ(unsaid, QList<int>({1, IrcClient::MaxHeld + 1, 1, 1}));
    ASSERT_TRUE(r.login());
    EXPECT_EQ(r.shown(u"Back in"_qs).filter(u"not said"_qs),
              QStringList({u"*** Too many lines waiting for #room; 61 of the host's lines were "
                           "not said."_qs,
                           u"*** Still not in #room after 5 s; 1 of the host's lines were not "
                           "said."_qs,
                           u"*** Not in #room; the host's lines are not said until the client is "
                           "back."_qs}));
    EXPECT_FALSE(r.s.heard.contains("PRIVMSG"));

    // A name list is shown cut, and one without end drops the link.
    QByteArray names;
    for (int i = 0; i < 120; ++i)
        names += " p" + QByteArray::number(i);
    r.s.say(":x 353 Ann = #room :" + names + "\r\n:x 366 Ann #room :End");
    EXPECT_TRUE(r.shown(u"p99 and 20 more."_qs).last().endsWith(u"p98, p99 and 20 more."_qs));
    for (int i = 0; i < 1001; ++i)
        r.s.socket->write(":x 353 Ann = #room :" + names + "\r\n");
    r.later(u"lost; reconnecting"_qs, r.set.retryMinMs);
    EXPECT_TRUE(r.reports.contains(u"The server's list of names has no end."_qs));

    // With echo-message, under a numbered nick: line breaks in the program's
    // text never split the command, and the line shows in the room only once
    // the server has echoed it.
    r.s.play({{"CAP LS 302", ":x CAP * LS :multi-prefix echo-message"},
              {"CAP REQ echo-message", ":x CAP * ACK :echo-message"},
              {"CAP END", ":x 433 * Ann :in use"},
              {"NICK Ann2", ":x 001 Ann2 :hi"},
              {"JOIN #room", ":Ann2!u@h JOIN #room"}});
    ASSERT_TRUE(eventually([&] { return r.c->isUp(); }));
    EXPECT_EQ(r.c->communicate(0, {}, u"hi\r\nQUIT :x"_qs), "0");
    r.clock.advance(2 * r.set.burst * r.set.intervalMs); // what the JOINs cost
    EXPECT_EQ(r.s.waitFor("PRIVMSG"), "PRIVMSG #room :hi  QUIT :x");
    EXPECT_FALSE(r.room.textSince(r.from).contains(u"Ann2: hi"_qs));
    r.s.say(":Ann2!u@h PRIVMSG #room :hi  QUIT :x");
    QStringList viewed; // the host's own view adds the private message
    QObject::connect(&r.room, &ChatRoom::viewLine, [&](const QString &l) { viewed << l; });
    // An ESP goes to the exact nick behind a name the room showed, and to
    // no other.
    r.s.say(":Zoë!z@h PRIVMSG Ann2 :hi");
    r.later(u"ESP from Zoë"_qs, 0);
    EXPECT_EQ(r.c->communicate(2, u"Zoë"_qs, u"You are registered"_qs), "0");
    EXPECT_EQ(r.c->communicate(2, u"Zoe"_qs, u"x"_qs), "-1");
    EXPECT_EQ(r.s.waitFor("PRIVMSG"), "PRIVMSG Zoë :You are registered");
    r.s.say(":Ann2!u@h PRIVMSG Zoë :You are registered");
    EXPECT_EQ(r.c->communicate(1, u"Bo"_qs, u"x"_qs), "-1");
    for (const char *line :
         {":Cy!c@h NICK CY", ":CY!c@h PRIVMSG #room :fig",
          ":Bo!b@h PRIVMSG #room :\001ACTION bows\001", ":Bo!b@h PRIVMSG ann2 :$",
          ":NickServ!s@h NOTICE Ann2 :Bo: $", ":Bo!b@h NICK Bob", ":Bob!b@h QUIT :Bob: gone"})
        r.s.say(line);
    EXPECT_EQ(
        r.shown(u"quit"_qs),
        QStringList({u"*** The connection to the IRC server was lost; reconnecting."_qs,
                     u"*** Back in #room as Ann2."_qs, u"Ann2: hi  QUIT :x"_qs,
                     u"ESP from Zoë: hi"_qs, u"Cy: fig"_qs, u"Bo: <bow>"_qs, u"ESP from Bo: $"_qs,
                     u"*** Bo is now known as Bob."_qs, u"*** Bob has quit."_qs}));
    EXPECT_TRUE(viewed.contains(u"ESP to Zoë: You are registered"_qs))
        << viewed.join(u'|').toStdString();

    // A word or pattern that changed becomes the topic (--topic), without
    // control characters, cut to TOPICLEN, one each interval, the newest; a
    // 482 ends it, told once.
    r.s.say(":x 005 Ann2 TOPICLEN=24 :are supported");
    GameStatus s;
    const auto show = [&](int word, const QString &pattern) {
        std::tie(s.word, s.words, s.pattern) = std::tuple(word, 2, pattern);
        r.c->showStatus(s);
    };
    show(1, {}); // idle: none
    s.phase = GameStatus::Phase::Playing;
    show(1, {});
    EXPECT_EQ(r.s.waitFor("TOPIC"), "TOPIC #room :Word 1 of 2");
    show(1, u"A P -- --"_qs);
    show(1, u"A\r\n\x01 -- -- -- --"_qs);
    r.clock.advance(r.set.intervalMs);
    EXPECT_EQ(r.s.waitFor("TOPIC"), "TOPIC #room :Word 1 of 2: A -- -- --");
    r.s.say(":x 482 Ann2 #room :You're not channel operator\r\n:x 482 Ann2 #room :Not op");
    ASSERT_TRUE(eventually([&] { return !r.reports.filter(u"topic"_qs).isEmpty(); }));
    r.clock.advance((r.set.burst + 1) * r.set.intervalMs); // a TOPIC counts twice, and its PING
    show(2, {});
    EXPECT_EQ(r.c->communicate(0, {}, u"end"_qs), "0");
    r.s.waitFor("PRIVMSG #room end");
    EXPECT_EQ(r.s.heard.count("TOPIC") + r.reports.filter(u"topic"_qs).size(), 3);
}

// Under ascii, Ann_{Host} is another user than the host Ann_[Host].
TEST(IrcClient, TellsTheHostFromOthersByTheServersCaseMapping)
{
    ClientRig r(u"Ann [Host]"_qs);
    r.s.play({{"USER", ":x CAP * LS :echo-message"},
              {"CAP REQ", ":x CAP * ACK :echo-message"},
              {"CAP END", ":x 001 Ann_[Host] :hi\r\n:x 005 Ann_[Host] CASEMAPPING=rfc7613 :ok\r\n"
                          ":x 005 Ann_[Host] CASEMAPPING=ascii :ok"},
              {"JOIN #room", ":Ann_[Host]!u@h JOIN #room"}});
    for (const char *line :
         {":Ann_{Host}!v@h JOIN #room", ":Ann_{Host}!v@h PRIVMSG #room :hi all",
          ":Ann_{Host}!v@h PRIVMSG Ann_[Host] :$", ":Ann_{Host}!v@h NICK Ann_{Hostess}"})
        r.s.say(line);
    EXPECT_EQ(
        r.shown(u"Hostess"_qs),
        QStringList({u"*** Joined #room as Ann_[Host]."_qs, u"*** Ann_{Host} has joined #room."_qs,
                     u"Ann_{Host}: hi all"_qs, u"ESP from Ann_{Host}: $"_qs,
                     u"*** Ann_{Host} is now known as Ann_{Hostess}."_qs}));
    EXPECT_EQ(r.reports.filter(u"rfc7613"_qs).size(), 1);
}

// On ngircd (a free loopback port), in a channel with a key: joined with the
// key, and without it or with a wrong one the client stops after a few tries.
TEST(IrcClient, JoinsAChannelWithItsKeyAndStopsWithoutTheRightOne)
{
    if (!QFile::exists(QStringLiteral(NGIRCD_EXE)))
        GTEST_SKIP() << "ngircd is not installed (scripts/install-deps.sh installs it)";
    IrcServerProcess server(IrcServerProcess::Kind::Ngircd, QStringLiteral(NGIRCD_EXE),
                            "[Channel]\nName = #room\nModes = +k secret\n");
    ASSERT_TRUE(server.start()) << server.output();
    const quint16 port = server.port();
    for (const QByteArray key : {"", "wrong", "secret"}) {
        IrcSettings set; // the waits between JOINs as short as they go
        std::tie(set.host, set.port, set.channel, set.name, set.channelKey, set.retryMaxMs) =
            std::tuple(u"127.0.0.1"_qs, port, u"#room"_qs, u"Ann "_qs + key, key, 1);
        ChatRoom room(set.name);
        IrcClient c(set, room, IrcClock::system());
        QStringList fatal;
        QObject::connect(&c, &IrcClient::fatal, [&](const QString &why) { fatal << why; });
        c.start();
        EXPECT_TRUE(eventually([&] {
            return key == "secret" ? c.isUp() : fatal.filter(u"--key"_qs).size() == 1;
        })) << key.data();
    }
}

// On InspIRCd with its usual flood limits and no fake lag (ten commands at
// once close the link, PINGs too, and one fades each second), a 20-line
// macro said one request a turn and then a draw's lines said in one turn
// reach a listener whole and in order, and the link stays. The host's lines
// go a second apart, as fast as that server takes them for long.
TEST(IrcClient, SaysAMacroAndADrawOnInspIRCdWithoutExcessFlood)
{
    if (!QFile::exists(QStringLiteral(INSPIRCD_EXE)))
        GTEST_SKIP() << "inspircd is not installed (scripts/install-deps.sh installs it)";
    IrcServerProcess server(IrcServerProcess::Kind::InspIRCd, QStringLiteral(INSPIRCD_EXE));
    ASSERT_TRUE(server.start()) << server.output();
    IrcPeer bo;
    ASSERT_TRUE(bo.join(server.port(), "Bo", "#room"));
    IrcSettings set;
    std::tie(set.host, set.port, set.channel, set.name, set.intervalMs) =
        std::tuple(u"127.0.0.1"_qs, server.port(), u"#room"_qs, u"Ann"_qs, 1000);
    ChatRoom room(set.name);
    IrcClient c(set, room, IrcClock::system());
    c.start();
    ASSERT_TRUE(eventually([&] { return room.textSince(0).contains(u"In #room now"_qs); }));

    QList<std::pair<QString, QString>> lines; // to whom (none: the channel), what
    for (int i = 1; i <= 20; ++i)
        lines.append({{}, u"Macro line %1"_qs.arg(i)});
    lines += {{u"Bo"_qs, u"You are called down."_qs},
              {{}, u"The following players have been selected to play:"_qs},
              {{}, u"1. Bo, come on down!"_qs},
              {{}, u"-o-o-o-"_qs}};
    QByteArray wire;
    QStringList shown;
    for (int i = 0; i < lines.size(); ++i) {
        const auto &[to, text] = lines[i];
        c.communicate(to.isEmpty() ? 0 : 2, to, text);
        if (i < 20)
            QCoreApplication::processEvents(); // the macro's next request comes later
        wire += "PRIVMSG " + (to.isEmpty() ? "#room" : to.toUtf8()) + " :" + text.toUtf8() + '\n';
        if (to.isEmpty())
            shown << u"Ann: "_qs + text;
    }
    // Bo hears them all in order, and never the host's QUIT; the room shows
    // the host's channel lines once the server has answered their PINGs.
    EXPECT_TRUE(waitUntil(
        [&] { return bo.heard.contains("-o-o-o-") || bo.heard.contains(" QUIT "); }, 2 * Patience));
    QByteArray heard;
    for (const QByteArray &line : bo.heard.split('\n'))
        if (line.contains(" PRIVMSG ") || line.contains(" QUIT "))
            heard += line.mid(line.indexOf(' ') + 1) + '\n';
    ASSERT_EQ(heard.toStdString(), wire.toStdString());
    ASSERT_TRUE(eventually([&] { return room.textSince(0).contains(u"Ann: -o-o-o-"_qs); }));
    EXPECT_EQ(room.textSince(0).split(u"\r\n"_qs).filter(u"Ann: "_qs), shown);
}

namespace {

// The outcomes of the host's moderation requests, as they come.
struct ModRig : ClientRig
{
    QStringList outcomes;
    explicit ModRig(const QByteArray &isupport) : ClientRig(u"Ann"_qs)
    {
        s.play({{"USER", ":x 001 Ann :hi\r\n:x 005 Ann " + isupport + " :ok"},
                {"JOIN #room", ":Ann!u@h JOIN #room"}});
        EXPECT_TRUE(eventually([&] { return c->isUp(); }));
        s.say(":Bo!b@bo.example JOIN #room\r\n:x 353 Ann = #room :@Ann Dee");
        later(u"Bo has joined"_qs, 0);
    }
    void ask(ModAction action, const QString &name, int minutes = 0, const QString &reason = {})
    {
        c->moderate({action, name, minutes, reason}, [this](const ModOutcome &o) {
            outcomes << (o.done ? u"done: "_qs : u"refused: "_qs) + o.words;
        });
    }
    // Hears the command, then answers the PING behind it, after an error if one is given.
    void answer(const QByteArray &command, const QByteArray &error = {})
    {
        EXPECT_EQ(s.waitFor(command.left(command.indexOf(' '))), command);
        const QByteArray ping = s.waitFor("PING ");
        s.say((error.isEmpty() ? "" : ":x " + error + "\r\n") + ":x PONG x :" + ping.mid(5));
    }
    QString next()
    {
        EXPECT_TRUE(eventually([&] { return !outcomes.isEmpty(); }));
        return outcomes.isEmpty() ? QString() : outcomes.takeFirst();
    }
};

} // namespace

TEST(IrcClient, KicksBansAndMutesAsOperatorAndSaysTheServersRefusal)
{
    ModRig r("CHANMODES=b,k,l,imnt");
    r.ask(ModAction::Kick, u"Bo"_qs, 0, u"no flooding"_qs);
    r.answer("KICK #room Bo :no flooding");
    EXPECT_EQ(r.next(), u"done: Bo was kicked."_qs);
    // A ban on the host the prefix showed, or on the nick of a name only
    // listed; the server's words when it refuses.
    r.ask(ModAction::Ban, u"Bo"_qs);
    r.ask(ModAction::Ban, u"Dee"_qs);
    r.answer("MODE #room +b *!*@bo.example");
    r.answer("KICK #room Bo", "441 Ann Bo #room :They aren't on that channel");
    r.answer("MODE #room +b Dee!*@*", "482 Ann #room :You're not channel operator");
    r.answer("KICK #room Dee", "482 Ann #room :You're not channel operator");
    EXPECT_EQ(r.next(), u"done: Bo is banned (*!*@bo.example). Not kicked: The IRC server "
                        "refused: They aren't on that channel"_qs);
    EXPECT_EQ(r.next(), u"refused: The IRC server refused: You're not channel operator"_qs);
    r.ask(ModAction::Bans, {});
    EXPECT_EQ(r.next(), u"done: Bans set from here: Bo (*!*@bo.example)."_qs);
    r.ask(ModAction::Unban, u"bo"_qs);
    r.answer("MODE #room -b *!*@bo.example");
    EXPECT_EQ(r.next(), u"done: bo is no longer banned."_qs);
    r.ask(ModAction::Kick, u"Zed"_qs);
    EXPECT_EQ(r.next(), u"refused: No one called Zed is in the room."_qs);

    // No quiet on this server: Bo's lines are hidden here for the minutes given.
    r.ask(ModAction::Mute, u"Bo"_qs, 2);
    EXPECT_EQ(r.next(), u"done: Bo is muted for 2 minutes, but this IRC server has no quiet: "
                        "only the host no longer sees Bo's lines."_qs);
    r.s.say(":Bo!b@bo.example PRIVMSG #room :spam\r\n:Bo!b@bo.example NICK Bob\r\n"
            ":Bob!b@bo.example PRIVMSG Ann :spam\r\n:Dee!d@h PRIVMSG #room :one");
    r.later(u"Dee: one"_qs, 2 * 60000);
    r.s.say(":Bob!b@bo.example PRIVMSG #room :back");
    EXPECT_EQ(r.shown(u"Bob: back"_qs).filter(u"spam"_qs), QStringList());
}

TEST(IrcClient, MutesByTheServersQuietAndTakesItBackWhenTheMinutesAreOver)
{
    ModRig r("CHANMODES=bq,k,l,imnt");
    r.ask(ModAction::Mute, u"Bo"_qs, 1);
    r.answer("MODE #room +q *!*@bo.example");
    EXPECT_EQ(r.next(), u"done: Bo is muted for 1 minute."_qs);
    r.clock.advance(60000);
    EXPECT_EQ(r.s.waitFor("MODE"), "MODE #room -q *!*@bo.example");
}

// On ngircd the first to join a new channel is its operator: the host bans
// there; where another came first, the server's refusal is the outcome.
TEST(IrcClient, BansAsOperatorOnNgircdAndIsRefusedWithout)
{
    if (!QFile::exists(QStringLiteral(NGIRCD_EXE)))
        GTEST_SKIP() << "ngircd is not installed (scripts/install-deps.sh installs it)";
    IrcServerProcess server(IrcServerProcess::Kind::Ngircd, QStringLiteral(NGIRCD_EXE));
    ASSERT_TRUE(server.start()) << server.output();
    for (const bool op : {true, false}) {
        IrcPeer bo;
        if (!op) {
            ASSERT_TRUE(bo.join(server.port(), "Bo", "#other"));
        }
        IrcSettings set;
        std::tie(set.host, set.port, set.channel, set.name) =
            std::tuple(u"127.0.0.1"_qs, server.port(), op ? u"#room"_qs : u"#other"_qs, u"Ann"_qs);
        ChatRoom room(set.name);
        IrcClient c(set, room, IrcClock::system());
        c.start();
        ASSERT_TRUE(eventually([&] { return room.textSince(0).contains(u"In #"_qs); }));
        if (op) {
            ASSERT_TRUE(bo.join(server.port(), "Bo", "#room"));
        }
        ASSERT_TRUE(eventually([&] { return room.textSince(0).contains(u"Bo"_qs); }));
        std::optional<ModOutcome> outcome;
        c.moderate({ModAction::Ban, u"Bo"_qs, 0, u"out"_qs},
                   [&](const ModOutcome &o) { outcome = o; });
        ASSERT_TRUE(eventually([&] { return outcome.has_value(); }));
        EXPECT_TRUE(outcome->done == op &&
                    outcome->words.startsWith(op ? u"Bo is banned (*!*@"_qs
                                                 : u"The IRC server refused: "_qs))
            << outcome->words.toStdString();
        EXPECT_TRUE(!op || !bo.waitFor(" KICK #room Bo :out").isEmpty());
    }
}
