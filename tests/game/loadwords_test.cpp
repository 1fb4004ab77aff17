#include "gameround.h"

#include "game/loadwords.h"

TEST(LoadWords, ListsTheWordsOrKeepsWhatWasThere)
{
    GameRound r;
    auto shown = [&] { return r.console.caption(Ctl::cmdAsk) + u'|' + r.word(); };
    LoadWords(r.ctx); // nothing scripted: the host cancels
    r.dialogs.files.push_back(r.writeFile(u"blank.txt"_qs, "\r\n\tTAB\r\n  \r\n"));
    r.gs.WordCount = 4;
    LoadWords(r.ctx);
    EXPECT_EQ(std::tuple(r.gs.WordCount, shown()), std::tuple(0, u"|"_qs));

    // Start without words loads them first.
    r.dialogs.files.push_back(r.writeFile(u"words.txt"_qs, " apple pie \r\n\r\n    \r\nkiwi\r\n"));
    cmdAsk_Click(r.ctx);
    EXPECT_EQ(r.gs.WordFile, r.dir.filePath(u"words.txt"_qs));
    EXPECT_EQ(r.gs.Words[1] + u'|' + r.gs.Words[2], u"APPLE PIE|KIWI"_qs);
    EXPECT_EQ(std::tuple(r.gs.WordCount, shown()), std::tuple(2, u"Start|Press Startto Begin"_qs));

    // A shorter list keeps the rest but forgets what was asked.
    r.dialogs.files.push_back(r.writeFile(u"a.txt"_qs, "w1\r\nw2\r\nw3\r\nword4\r\n"));
    LoadWords(r.ctx);
    r.gs.Asked[2] = true;
    r.dialogs.files.push_back(r.writeFile(u"b.txt"_qs, "one\r\ntwo\r\nthree\r\n"));
    LoadWords(r.ctx);
    EXPECT_EQ(std::tuple(r.gs.WordCount, r.gs.Asked[2], r.gs.Words[4]),
              std::tuple(3, false, u"WORD4"_qs));

    // A file that cannot be read is reported; the words stay.
    r.dialogs.files.push_back(r.dir.filePath(u"gone.txt"_qs));
    LoadWords(r.ctx);
    EXPECT_EQ(r.dialogs.messages.at(0).text,
              u"Error = 53\r\nFile not found\r\nProblem with Orvella file."_qs);
    EXPECT_EQ(std::tuple(r.gs.WordCount, shown()), std::tuple(3, u"Start|Press Startto Begin"_qs));
    EXPECT_TRUE(r.console.state().menusEnabled && !r.console.state().busy);

    // The log keeps the word file's path in Windows-1252: one it cannot hold
    // is told at loading, before the game starts.
    r.dialogs.messages.clear();
    for (const QString &name : {u"caf\u00e9.txt"_qs, u"s\u0142owa.txt"_qs}) {
        r.dialogs.files.push_back(r.writeFile(name, "apple\r\n"));
        LoadWords(r.ctx);
        EXPECT_EQ(r.gs.WordCount, 1);
    }
    ASSERT_EQ(r.dialogs.messages.size(), 1u);
    EXPECT_EQ(r.dialogs.messages[0].title, u"Problem with File"_qs);
    EXPECT_TRUE(r.dialogs.messages[0].text.contains(u"\r\n"_qs + r.gs.WordFile + u"\r\n"_qs));
    EXPECT_TRUE(r.dialogs.messages[0].text.contains(u"cannot be resumed"_qs));
}
