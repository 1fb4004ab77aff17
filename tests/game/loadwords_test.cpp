#include "gamefixture.h"

TEST_F(GameTest, LoadingWords)
{
    frmMain &m = window();
    m.mnuLoad->trigger(); // nothing scripted: the host cancels
    dialogs.files.push_back(writeFile(u"blank.txt"_qs, "\r\n\tTAB\r\n  \r\n"));
    gs.WordCount = 4;
    m.mnuLoad->trigger();
    EXPECT_EQ(gs.WordCount, 0);
    EXPECT_EQ(m.cmdAsk->text() + m.lblWord->text(), u"LoadLoad Orvellas"_qs);

    dialogs.files.push_back(writeFile(u"words.txt"_qs, " apple pie \r\n\r\n    \r\nkiwi\r\n"));
    m.cmdAsk->click();
    EXPECT_EQ(dialogs.filters.value(0), u"Orvella (*.TXT)|*.txt|All Files (*.*)|*.*"_qs);
    EXPECT_EQ(gs.WordFile, path(u"words.txt"_qs));
    EXPECT_EQ(gs.WordCount, 2);
    EXPECT_EQ(gs.Words[1] + u'|' + gs.Words[2], u"APPLE PIE|KIWI"_qs);
    EXPECT_EQ(m.cmdAsk->text() + m.lblWordOf->text() + m.lblWord->text(),
              u"StartPress Startto Begin"_qs);

    // At most ten words; a shorter list keeps the rest but forgets what was asked.
    QByteArray twelve;
    for (int i = 1; i <= 12; ++i)
        twelve += "word" + QByteArray::number(i) + "\r\n";
    dialogs.files.push_back(writeFile(u"a.txt"_qs, twelve));
    m.mnuLoad->trigger();
    EXPECT_EQ(gs.WordCount, 10);
    gs.Asked[2] = true;
    dialogs.files.push_back(writeFile(u"b.txt"_qs, "one\r\ntwo\r\nthree\r\n"));
    m.mnuLoad->trigger();
    EXPECT_EQ(gs.WordCount, 3);
    EXPECT_FALSE(gs.Asked[2]);
    EXPECT_EQ(gs.Words[4], u"WORD4"_qs);

    // A file that cannot be read is reported; the words stay.
    dialogs.files.push_back(path(u"gone.txt"_qs));
    m.mnuLoad->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text + dialogs.messages[0].title,
              u"Error = 53\r\nFile not found\r\nProblem with Orvella file.Problem with File"_qs);
    EXPECT_EQ(gs.WordCount, 3);
    EXPECT_EQ(m.lblWordOf->text(), u"Press Start"_qs);
    EXPECT_TRUE(m.mnuFile->menuAction()->isEnabled());
}
