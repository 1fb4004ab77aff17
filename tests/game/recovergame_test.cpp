#include "turnfixture.h"

#include "files/recovergame.h"
#include "files/recoverylog.h"
#include "game/banner.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>

namespace {

const QString Greeting = u"Lounge: Welcome to the Lounge! Please be nice to each other."_qs;

class RecoverTest : public ::testing::Test, protected TurnSession
{
protected:
    RecoverTest()
    {
        window();
        room.pending << Greeting;
        logged.WordFile = writeFile(u"words.txt"_qs, "apple\r\nkiwi\r\nfig\r\npear\r\nlime\r\n");
        logged.HostName = room.host;
        logged.WordIndex = 4;
        logged.Asked[4] = true;
        logged.Guess = u"P  r"_qs;
        logged.DownCount = 3;
        logged.DownPointer = 2;
        // Out of order, as no log of ours is: the resumed list is sorted.
        logged.PlayerCount = 3;
        const QString names[] = {u"Zoe"_qs, u"Lee, Jr"_qs, u"bob"_qs};
        for (int i = 1; i <= 3; ++i) {
            logged.Down[i].Name = names[i - 1];
            logged.Players[i] = {names[i - 1], {}, float(i * 2), float(i - 1)};
        }
        logged.WinnerCount = 1;
        logged.Winners[1] = {u"Cy"_qs, u"Red"_qs};
    }
    void recover(bool headerOnly = false, const std::function<void(QByteArray &)> &edit = {})
    {
        recoverIn(*this, headerOnly, edit);
    }
    // Writes the log of logged where session keeps its log and resumes it.
    void recoverIn(TurnSession &session, bool headerOnly = false,
                   const std::function<void(QByteArray &)> &edit = {})
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        headerOnly ? writeLogHeader(buffer, logged) : writeLog(buffer, logged);
        QByteArray bytes = buffer.data();
        if (edit)
            edit(bytes);
        QFile f(session.gs.LogFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        session.window().mnuRecover->trigger();
    }
    static QStringList items(QListWidget *list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    QStringList resumeLines(const QStringList &ending) const
    {
        return QStringList{u"Recovery Begun"_qs, titleLine(), versionLine(), contactLine(),
                           u"ESP a $ to Ann Lee to register."_qs} +
               ending;
    }

    GameState logged;
};

} // namespace

TEST_F(RecoverTest, ResumesAtThePlayerWhoseTurnItIs)
{
    QString during;
    room.onFetch = [&](int) { during = window().lblWordOf->text() + window().lblWord->text(); };
    recover();
    frmMain &m = window();
    EXPECT_EQ(room.heard, resumeLines({u"Recovery Complete"_qs}));
    EXPECT_EQ(during, u"RecoveryBegun"_qs);
    EXPECT_EQ(gs.GamePhase, 2);
    EXPECT_TRUE(gs.Asked[1] && gs.Asked[2] && gs.Asked[3] && gs.Asked[4]);
    EXPECT_FALSE(gs.Asked[5]);
    EXPECT_EQ(m.lblWordOf->text() + m.lblWord->text(), u"Word 4 of 5PEAR"_qs);
    EXPECT_EQ(items(m.lstDown), QStringList({u"Zoe"_qs, u"Lee, Jr"_qs, u"bob"_qs}));
    EXPECT_EQ(m.lstDown->currentRow(), 1);
    EXPECT_EQ(items(m.lstPlayers), QStringList({u"bob"_qs, u"Lee, Jr"_qs, u"Zoe"_qs}));
    EXPECT_EQ(gs.Players[1].Level + gs.Players[1].Drawn, 8);
    EXPECT_EQ(m.lblPlayercnt->text(), u"3"_qs);
    EXPECT_TRUE(m.cmdAsk->isEnabled() && !m.vsDrawCnt->isEnabled());
    EXPECT_FALSE(m.mnuRecover->isEnabled() || m.mnuLoad->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The game goes on with the logged pattern.
    m.cmdAsk->click();
    EXPECT_EQ(room.heard.last(), u"Lee, Jr, your word is P -- -- r "_qs);
}

TEST_F(RecoverTest, AHeaderOnlyLogStartsAfresh)
{
    recover(true);
    frmMain &m = window();
    EXPECT_EQ(room.heard,
              resumeLines({u"No Recovery File"_qs, u"Everyone Re-Register, please"_qs}));
    EXPECT_EQ(gs.WordIndex, 1);
    EXPECT_EQ(gs.PlayerCount + gs.DownCount, 0);
    EXPECT_EQ(gs.GamePhase, 2);
    EXPECT_EQ(m.lblWordOf->text() + m.lblWord->text(), u"Word 1 of 5APPLE"_qs);
    EXPECT_EQ(m.cmdAsk->text(), u"Ask"_qs);
    EXPECT_TRUE(!m.cmdAsk->isEnabled() && m.cmdGetRegs->isEnabled());
    EXPECT_FALSE(m.mnuRecover->isEnabled());
}

TEST_F(RecoverTest, TheHostCheck)
{
    // A name that differs in letter case is another host.
    logged.HostName = u"ann lee"_qs;
    recover();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text + dialogs.messages[0].title,
              u"Bad recovery file foundBad Recovery"_qs);
    EXPECT_EQ(room.heard, QStringList({u"Recovery Begun"_qs, titleLine(), u"Recovery Failed"_qs}));
    EXPECT_TRUE(window().cmdAsk->isEnabled());
    EXPECT_EQ(window().lblWord->text(), u"Load Orvellas"_qs);
    EXPECT_EQ(gs.GamePhase, 0);
    EXPECT_EQ(gs.WordCount, 5); // what was read before the check stays
    EXPECT_EQ(gs.PlayerCount, 0);

    // Of two echoes the later counts.
    logged.HostName = room.host;
    room.echo = false;
    room.pending = QStringList{Greeting, u"Ann Lee: "_qs + titleLine(), u"Bo: hello"_qs,
                               u"Mallory: "_qs + titleLine()};
    recover();
    EXPECT_EQ(dialogs.messages.size(), 2u);
    room.pending = QStringList{Greeting, u"Mallory: "_qs + titleLine(), u"Bo: hello"_qs,
                               u"Ann Lee: "_qs + titleLine()};
    recover();
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(gs.GamePhase, 2);
}

TEST_F(RecoverTest, AHostCheckThatCannotSucceedEnds)
{
    // No echo at all: a bounded number of fetches.
    room.echo = false;
    recover();
    EXPECT_EQ(room.fetches, HostCheckFetches);
    EXPECT_EQ(room.heard.last(), u"Recovery Failed"_qs);
    // The echo with too little in front of it: no later text can help.
    room.echo = true;
    room.fetches = 0;
    room.chatter.clear();
    recover();
    EXPECT_EQ(room.fetches, 1);
    EXPECT_EQ(dialogs.messages.size(), 2u);
    // An echo that comes with the next fetch has the earlier text in front.
    room.echo = false;
    room.onFetch = [&](int fetch) {
        room.pending = QStringList(fetch == 2 ? u"Ann Lee: "_qs + titleLine()
                                              : u"Bo: the echo is late today, as it often is"_qs);
    };
    room.fetches = 0;
    recover();
    EXPECT_EQ(room.fetches, 2);
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(gs.GamePhase, 2);

    // Names of 38 characters or more start the echo's line inside the window.
    for (int length : {37, 38}) {
        TurnSession s;
        s.room.host = logged.HostName = QString(length, u'N');
        s.window();
        s.room.pending << Greeting;
        recoverIn(s);
        EXPECT_EQ(s.room.fetches, 1);
        EXPECT_EQ(s.gs.GamePhase, length == 37 ? 2 : 0) << length;
    }
}

TEST_F(RecoverTest, AWordFileThatShrankLeavesTheWordEmpty)
{
    writeFile(u"words.txt"_qs, "apple\r\nkiwi\r\n");
    recover();
    EXPECT_EQ(window().lblWordOf->text() + window().lblWord->text(), u"Word 4 of 2"_qs);
    EXPECT_EQ(room.heard.last(), u"Recovery Complete"_qs);
}

TEST_F(RecoverTest, FilesThatCannotBeReadStopTheRecoveryWhereItStands)
{
    frmMain &m = window();
    m.mnuRecover->trigger(); // no log at all
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              u"File not found\r\n53\r\nError with file: "_qs + gs.LogFile);
    EXPECT_EQ(dialogs.messages[0].title, u"Program Error"_qs);
    EXPECT_EQ(room.heard, QStringList(u"Recovery Begun"_qs));
    EXPECT_EQ(m.lblWordOf->text() + m.lblWord->text(), u"RecoveryBegun"_qs);
    EXPECT_FALSE(m.cmdAsk->isEnabled());
    EXPECT_TRUE(m.mnuFile->menuAction()->isEnabled());

    // A value that does not read: what came before it stays.
    recover(false, [](QByteArray &log) {
        log.replace("Draw= 3 ", "Draw= 6 ");
        log.replace("[Players]\r\nCount= 3 ", "[Players]\r\nCount= 400 ");
    });
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text,
              u"Subscript out of range\r\n9\r\nError with file: "_qs + gs.LogFile);
    EXPECT_EQ(gs.DownCount, 3);
    EXPECT_EQ(m.vsDrawCnt->value(), -6);
    EXPECT_EQ(m.cmdAsk->text(), u"Ask"_qs);
    EXPECT_FALSE(m.cmdAsk->isEnabled());
    EXPECT_EQ(gs.GamePhase, 0);

    // A word file that has gone says nothing; one that cannot be read does.
    const int heard = int(room.heard.size());
    logged.WordFile = dir.filePath(u"gone.txt"_qs);
    recover();
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(room.heard.size(), heard + 1);
    QDir(dir.path()).mkdir(u"folder.txt"_qs);
    logged.WordFile = dir.filePath(u"folder.txt"_qs);
    recover();
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_TRUE(dialogs.messages[2].text.endsWith(u"\r\nError with file: "_qs + logged.WordFile));
    EXPECT_EQ(gs.GamePhase, 0);
}
