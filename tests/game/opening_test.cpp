#include "roundfixture.h"

#include "files/recoverylog.h"
#include "game/opening.h"

#include <QTimer>

using OpeningTest = RoundTest;

TEST(HostEcho, TheNameIsTakenOnlyWhereTheWindowShowsItWhole)
{
    const QString lf = QStringLiteral("\r\n"), title = titleLine();
    auto x = [](int n, char16_t c = u'x') { return QString(n, QChar(c)); };
    QString wrongCase = title;
    wrongCase.replace(QStringLiteral("Orvella"), QStringLiteral("ORVELLA"));
    // Text, then the name found; "-" where no cut is made.
    const std::vector<std::pair<QString, QString>> cases = {
        {x(60) + lf + QStringLiteral("Ann Lee: ") + title, QStringLiteral("Ann Lee")},
        {x(29) + lf + QStringLiteral("Ann Lee: ") + title, QStringLiteral("Ann Lee")}, // at 41
        {x(28) + lf + QStringLiteral("Ann Lee: ") + title, QStringLiteral("-")},
        {x(50) + lf + QStringLiteral("Z: ") + title + lf + QStringLiteral("Bo: hi"),
         QStringLiteral("Z")},
        {x(50) + lf + QStringLiteral("Bob: ") + title + lf + x(40) + lf + QStringLiteral("Al: ") +
             title,
         QStringLiteral("Al")},
        {x(50) + lf + x(37, u'n') + QStringLiteral(": ") + title, x(37, u'n')},
        {x(50) + lf + x(38, u'n') + QStringLiteral(": ") + title, QString()}, // runs off the window
        {x(60) + lf + QStringLiteral("Ann Lee says ") + title, QString()},
        {x(38) + QStringLiteral(": ") + title, QString()},
        {x(60) + lf + QStringLiteral("Ann Lee: ") + wrongCase, QStringLiteral("-")},
        {x(60) + lf + QStringLiteral("Ann Lee: ") + versionLine(), QStringLiteral("-")},
    };
    for (const auto &[text, name] : cases) {
        const auto found = findHostEcho(text);
        ASSERT_EQ(bool(found), name != u"-") << text.toStdString();
        if (found) {
            EXPECT_EQ(found->name, name);
            EXPECT_EQ(found->cut, text.mid(text.lastIndexOf(title) - 40));
        }
    }
}

TEST_F(OpeningTest, OpeningAnnouncesLearnsTheHostAndStartsTheLog)
{
    frmMain &w = window();
    gs.RegChar = QStringLiteral("\u00b0");
    gs.Delay = 2;
    loadWords("w1\r\nw2\r\nw3\r\nw4\r\nw5\r\nw6\r\nw7\r\n");
    QStringList hostWhileFetching;
    chat.onFetch = [&] { hostWhileFetching << gs.HostName; };
    chat.blocks = {echo(QStringLiteral("Ann Lee")), // too early in the text: fetch again
                   Greeting + CrLf + echo(QStringLiteral("Ann Lee")) + CrLf +
                       QStringLiteral("Bo: hi")};
    w.cmdAsk->click();

    EXPECT_EQ(chat.room(), QStringList({titleLine(), versionLine(), contactLine(),
                                        QStringLiteral("ESP a \u00b0 to Ann Lee to register.")}));
    EXPECT_EQ(hostWhileFetching, QStringList(2, QStringLiteral("Unknown")));
    EXPECT_EQ(ticks.delivered, 3 + 3 * 5); // My_Wait(1) after the title, Delay after the rest
    EXPECT_EQ(gs.HostName, QStringLiteral("Ann Lee"));
    EXPECT_EQ(gs.ChatText.indexOf(titleLine()), 40);
    EXPECT_EQ(gs.WordIndex, 1);
    EXPECT_EQ(w.lblWordOf->text(), QStringLiteral("Word 1 of 7"));
    EXPECT_EQ(w.lblWord->text(), QStringLiteral("W1"));
    EXPECT_EQ(gs.GamePhase, 2);
    EXPECT_EQ(w.cmdAsk->text(), QStringLiteral("Ask"));
    EXPECT_FALSE(w.cmdAsk->isEnabled() || w.mnuLoad->isEnabled());
    EXPECT_TRUE(w.cmdGetRegs->isEnabled() && w.cmdList->isEnabled() && w.cmdDraw->isEnabled());
    EXPECT_LE(gs.GameStart.secsTo(QDateTime::currentDateTime()), 5);
    EXPECT_EQ(logBytes(), Ansi::encode(titleLine() + CrLf + versionLine() + CrLf +
                                       formatGameStart(gs.GameStart) + CrLf + gs.WordFile + CrLf +
                                       QStringLiteral("Host=Ann Lee") + CrLf + CrLf));
}

TEST_F(OpeningTest, ALogThatCannotBeCreatedIsSkippedSilently)
{
    window();
    gs.LogFile = dir.filePath(QStringLiteral("no/folder/Orvella.log"));
    openGame();
    EXPECT_EQ(gs.HostName, QStringLiteral("Ann Lee"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(OpeningTest, ClosingTheWindowWhileTheOpeningWaitsEndsCleanly)
{
    frmMain &w = window();
    w.show();
    loadWords("tiger\r\n");
    // The room never shows the echo; the window goes on working until the
    // host closes it, but starts no second step meanwhile.
    chat.whenDry = [&] {
        QTimer::singleShot(0, &w, [&] {
            w.mnuLoad->trigger();
            QTimer::singleShot(0, &w, [&] { w.close(); });
        });
    };
    w.cmdAsk->click();
    EXPECT_EQ(dialogs.filters.size(), 1);
    EXPECT_EQ(chat.fetches, 1);
    EXPECT_EQ(gs.GamePhase, 1);
    EXPECT_EQ(chat.client.log.last(), QStringLiteral("K"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("orvella.ini"))));
}
