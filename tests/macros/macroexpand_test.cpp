#include "game/gamestate.h"
#include "macros/macroexpand.h"

#include <gtest/gtest.h>

TEST(MacroExpand, PlaceholdersInAnyCaseSubstitutionsInTurnStrayPercentsStay)
{
    GameState gs;
    gs.HostName = QStringLiteral("Ann");
    gs.RegChar = QStringLiteral("$");
    gs.WordCount = 7;
    gs.Down[2].Name = QStringLiteral("Bob");
    gs.DownPointer = 2;
    gs.Subs[0] = QStringLiteral("Hello %player%");
    gs.Subs[1] = QStringLiteral("x%sub1%");
    const std::pair<const char *, QString> cases[] = {
        {"ESP %REG% to %Host%'s, %words% words, %player%", "ESP $ to Ann's, 7 words, Bob"},
        {"% host%", "% host%"},
        {"%sub0%! [%sub3%]", "Hello Bob! []"},
        {"50% off for %host%", "50% off for Ann"},
        {"%name% and %sub10% and %host% 100%", "%name% and %sub10% and Ann 100%"},
        {"%sub1%", QString(100, u'x') + "%sub1%"}, // a self-reference stops
    };
    for (const auto &[line, expanded] : cases)
        EXPECT_EQ(expandMacroLine(QString::fromLatin1(line), gs), expanded) << line;
}
