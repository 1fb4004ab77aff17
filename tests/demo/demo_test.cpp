#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// One game as the room heard it: everyone registered, every turn ended in a
// verdict on the asked player's answer, and both words were won in order.
void checkGame(const QString &heard)
{
    static const QRegularExpression indent(u"^  "_qs);
    QStringList room = heard.split(u'\n').filter(indent);
    room.replaceInStrings(indent, QString());
    const QString host = u"Ann Lee: "_qs;
    const qsizetype invited =
        room.indexOf(host + u"ESP a "_qs + QChar(0xB0) + u" to Ann Lee to register."_qs);
    ASSERT_GE(invited, 0) << heard.toStdString();
    EXPECT_EQ(room.mid(invited).filter(QRegularExpression(u"^ESP from .*: <relax>$"_qs)).size(), 4);

    // Every turn ends in the program's verdict on the answer the asked
    // player gave, or in the countdown when none came.
    static const QRegularExpression asked(u"^Ann Lee: (.+), your word is "_qs);
    QStringList won;
    for (qsizetype i = 0; i < room.size(); ++i) {
        const QRegularExpressionMatch m = asked.match(room[i]);
        if (!m.hasMatch())
            continue;
        const QString p = m.captured(1);
        QString answer;
        qsizetype j = i + 1;
        for (; j < room.size(); ++j) {
            if (room[j].startsWith(p + u": "_qs))
                answer = room[j].mid(p.size() + 2).trimmed().toUpper();
            if (room[j].startsWith(host + u"WTG "_qs + p + u'!') ||
                room[j].startsWith(host + u"Sorry "_qs + p))
                break;
        }
        ASSERT_LT(j, room.size()) << "no verdict for " << p.toStdString();
        const QString verdict = room[j].mid(host.size());
        if (verdict == u"Sorry "_qs + p + u", time ran out"_qs)
            continue;
        EXPECT_TRUE(verdict.contains(u' ' + answer + u" is "_qs)) << verdict.toStdString();
        if (verdict.startsWith(u"WTG"_qs))
            won << answer;
    }
    EXPECT_EQ(won, QStringList({u"LANTERN"_qs, u"MAPLE SYRUP"_qs}));
}

} // namespace

// Two whole games of two words in one process: the real main window, clicked
// by the demo driver at full speed, against four scripted players in the
// room; the second game in a new window, as after a new start.
TEST(Demo, TwoWholeGamesWithScriptedPlayers)
{
    QTemporaryDir dir;
    const QString words = dir.filePath(u"words.txt"_qs);
    QFile f(words);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("lantern\r\nmaple syrup\r\n") > 0);
    f.close();

    QProcess demo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TMPDIR"_qs, dir.path());
    env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
    demo.setProcessEnvironment(env);
    demo.start(QStringLiteral(ORVELLA_DEMO_EXE),
               {u"--speed"_qs, u"30"_qs, u"--players"_qs, u"4"_qs, u"--seed"_qs, u"5"_qs,
                u"--words"_qs, words, u"--games"_qs, u"2"_qs});
    ASSERT_TRUE(demo.waitForFinished(200000));
    const QString out = QString::fromUtf8(demo.readAllStandardOutput());
    ASSERT_EQ(demo.exitCode(), 0) << out.toStdString();
    EXPECT_EQ(out.count(u"File > Scores"_qs), 2);
    for (const QString &game : {u"Game 1 of 2"_qs, u"Game 2 of 2"_qs}) {
        EXPECT_TRUE(out.contains(
            QRegularExpression(game + u" is over: \\d+ kB resident, \\d+ open descriptors\n"_qs)))
            << out.toStdString();
    }
    for (const QString &heard :
         {u"What the room heard in game 1:\n"_qs, u"What the room heard in game 2:\n"_qs})
        checkGame(out.section(heard, 1).section(u"\nWhat the room heard"_qs, 0, 0));
}

// Help, and numbers out of range, are told before a display is needed.
TEST(Demo, HelpAndBadNumbersNeedNoDisplay)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"DISPLAY"_qs, u"QT_QPA_PLATFORM"_qs, u"WAYLAND_DISPLAY"_qs})
        env.remove(name);
    QProcess demo;
    demo.setProcessEnvironment(env);
    demo.start(QStringLiteral(ORVELLA_DEMO_EXE), {u"--help"_qs});
    ASSERT_TRUE(demo.waitForFinished(30000));
    const QString out = QString::fromUtf8(demo.readAllStandardOutput());
    EXPECT_TRUE(demo.exitStatus() == QProcess::NormalExit && demo.exitCode() == 0);
    EXPECT_TRUE(out.startsWith(u"Usage: "_qs) && out.contains(u"--players <N>"_qs) &&
                out.contains(u"--games <N>"_qs))
        << out.toStdString();

    for (const QString &games : {u"0"_qs, u"-2"_qs, u"two"_qs, u"1001"_qs, u"99999999999"_qs}) {
        demo.start(QStringLiteral(ORVELLA_DEMO_EXE), {u"--games"_qs, games});
        ASSERT_TRUE(demo.waitForFinished(30000));
        EXPECT_EQ(demo.exitCode(), 2) << games.toStdString();
        EXPECT_TRUE(demo.readAllStandardError().contains("--games 1 to 1000"))
            << games.toStdString();
    }
}
