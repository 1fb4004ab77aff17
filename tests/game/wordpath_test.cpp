#include "gamefixture.h"

// The log keeps the word file's path in Windows-1252: one it cannot hold is
// told at loading, before the game starts.
TEST_F(GameTest, AWordFileNameTheLogCannotHoldIsToldAtLoading)
{
    for (const QString &name : {u"caf\u00e9.txt"_qs, u"s\u0142owa.txt"_qs}) {
        dialogs.files.push_back(writeFile(name, "apple\r\n"));
        window().mnuLoad->trigger();
        EXPECT_EQ(gs.GamePhase, 1);
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, u"Problem with File"_qs);
    EXPECT_TRUE(dialogs.messages[0].text.contains(u"\r\n"_qs + gs.WordFile + u"\r\n"_qs));
    EXPECT_TRUE(dialogs.messages[0].text.contains(u"cannot be resumed"_qs));
}
