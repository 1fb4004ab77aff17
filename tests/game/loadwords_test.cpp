#include "roundfixture.h"

using LoadWordsTest = RoundTest;

TEST_F(LoadWordsTest, LoadingReadiesTheGameAndAShorterListKeepsTheRest)
{
    frmMain &w = window();
    loadWords(" apple pie \r\n\r\n    \r\nkiwi\r\n");
    EXPECT_EQ(dialogs.filters.value(0),
              QStringLiteral("Orvella (*.TXT)|*.txt|All Files (*.*)|*.*"));
    EXPECT_EQ(gs.WordFile, dir.filePath(QStringLiteral("words.txt")));
    EXPECT_EQ(gs.WordCount, 2);
    EXPECT_EQ(gs.Words[1], QStringLiteral("APPLE PIE"));
    EXPECT_EQ(gs.Words[2], QStringLiteral("KIWI"));
    EXPECT_EQ(gs.GamePhase, 1);
    EXPECT_EQ(w.cmdAsk->text(), QStringLiteral("Start"));
    EXPECT_EQ(w.lblWordOf->text(), QStringLiteral("Press Start"));
    EXPECT_EQ(w.lblWord->text(), QStringLiteral("to Begin"));
    EXPECT_TRUE(w.cmdAsk->isEnabled() && w.mnuFile->menuAction()->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    QByteArray twelve;
    for (int i = 1; i <= 12; ++i)
        twelve += "word" + QByteArray::number(i) + "\r\n";
    dialogs.files.push_back(writeWords(twelve));
    w.mnuLoad->trigger();
    EXPECT_EQ(gs.WordCount, 10);
    gs.Asked[2] = true;
    dialogs.files.push_back(writeWords("one\r\ntwo\r\nthree\r\n", QStringLiteral("b.txt")));
    w.mnuLoad->trigger();
    EXPECT_EQ(gs.WordCount, 3);
    EXPECT_FALSE(gs.Asked[2]);
    EXPECT_EQ(gs.Words[4], QStringLiteral("WORD4"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(LoadWordsTest, CancelNoWordsAndAnUnreadableFileChangeNothingShown)
{
    frmMain &w = window();
    w.mnuLoad->trigger(); // nothing scripted: the host cancels
    EXPECT_TRUE(gs.WordFile.isEmpty());
    dialogs.files.push_back(writeWords("\r\n\tTAB\r\n  \r\n"));
    gs.WordCount = 4;
    w.mnuLoad->trigger();
    EXPECT_EQ(gs.WordCount, 0);
    EXPECT_EQ(gs.GamePhase, 0);
    EXPECT_EQ(w.cmdAsk->text(), QStringLiteral("Load"));
    EXPECT_EQ(w.lblWord->text(), QStringLiteral("Load Orvellas"));

    loadWords("cat\r\ndog\r\n");
    const QString missing = dir.filePath(QStringLiteral("gone.txt"));
    dialogs.files.push_back(missing);
    w.mnuLoad->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Problem with File"));
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Error = 53\r\nFile not found\r\nProblem with Orvella file."));
    EXPECT_EQ(gs.WordFile, missing);
    EXPECT_EQ(gs.WordCount, 2);
    EXPECT_EQ(w.lblWordOf->text(), QStringLiteral("Press Start"));
    EXPECT_TRUE(w.mnuFile->menuAction()->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
