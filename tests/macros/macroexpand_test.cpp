#include "game/gamestate.h"
#include "macros/macroexpand.h"

#include <gtest/gtest.h>

namespace {
GameState sample()
{
    GameState gs;
    gs.HostName = QStringLiteral("Ann");
    gs.RegChar = QStringLiteral("$");
    gs.WordCount = 7;
    gs.Down[2].Name = QStringLiteral("Bob");
    gs.DownPointer = 2;
    return gs;
}
} // namespace

TEST(MacroExpand, PlaceholdersInAnyLetterCase)
{
    const GameState gs = sample();
    EXPECT_EQ(expandMacroLine(QStringLiteral("Welcome to %host%'s game!"), gs),
              QStringLiteral("Welcome to Ann's game!"));
    EXPECT_EQ(expandMacroLine(QStringLiteral("ESP %REG% to %Host%, %words% words, %player%"), gs),
              QStringLiteral("ESP $ to Ann, 7 words, Bob"));
    EXPECT_EQ(expandMacroLine(QStringLiteral("% host%"), gs), QStringLiteral("% host%"));
}

TEST(MacroExpand, SubstitutionsExpandInTurn)
{
    GameState gs = sample();
    gs.Subs[0] = QStringLiteral("Hello %player%");
    gs.Subs[3] = QString();
    EXPECT_EQ(expandMacroLine(QStringLiteral("%sub0%!"), gs), QStringLiteral("Hello Bob!"));
    EXPECT_EQ(expandMacroLine(QStringLiteral("%sub3%"), gs), QString());
    gs.DownPointer = 0;
    EXPECT_EQ(expandMacroLine(QStringLiteral("[%player%]"), gs), QStringLiteral("[]"));
}

TEST(MacroExpand, UnknownPercentsStayAndLaterPlaceholdersStillExpand)
{
    const GameState gs = sample();
    EXPECT_EQ(expandMacroLine(QStringLiteral("50% off for %host%"), gs),
              QStringLiteral("50% off for Ann"));
    EXPECT_EQ(expandMacroLine(QStringLiteral("%name% and %sub10% and %host%"), gs),
              QStringLiteral("%name% and %sub10% and Ann"));
    EXPECT_EQ(expandMacroLine(QStringLiteral("100%"), gs), QStringLiteral("100%"));
}

TEST(MacroExpand, SelfReferenceStopsAfterABoundedNumberOfReplacements)
{
    GameState gs = sample();
    gs.Subs[1] = QStringLiteral("x%sub1%");
    const QString out = expandMacroLine(QStringLiteral("%sub1%"), gs);
    EXPECT_EQ(out, QString(100, u'x') + QStringLiteral("%sub1%"));
    // A host name holding percent signs is inserted as it is.
    gs.HostName = QStringLiteral("A%B");
    EXPECT_EQ(expandMacroLine(QStringLiteral("%host% %reg%"), gs), QStringLiteral("A%B $"));
}
