#include "game/gamestate.h"
#include "game/resultsrecorder.h"
#include "macros/macroexpand.h"

#include <QHash>

#include <gtest/gtest.h>

#include <random>

namespace {

GameState sampleState()
{
    GameState gs;
    std::tie(gs.HostName, gs.RegChar, gs.WordCount, gs.Down[2].Name, gs.DownPointer) =
        std::tuple(u"Ann"_qs, u"$"_qs, 7, u"Bob"_qs, 2);
    std::tie(gs.Subs[0], gs.Subs[1]) = std::pair(u"Hello %player%"_qs, u"x%sub1%"_qs);
    return gs;
}

// The expansion as first written, which starts over after each replacement:
// quadratic, but plainly what the rules say.
QString expandedFromTheStart(QString text, const GameState &gs)
{
    QHash<QString, QString> values{{"host", gs.HostName},
                                   {"reg", gs.RegChar},
                                   {"words", QString::number(gs.WordCount)},
                                   {"player", gs.Down[gs.DownPointer].Name}};
    for (int i = 0; i < 10; ++i)
        values.insert(u"sub%1"_qs.arg(i), gs.Subs[i]);
    for (qsizetype done = 0, from = 0, a, b; done < 100 && (a = text.indexOf(u'%', from)) >= 0 &&
                                             (b = text.indexOf(u'%', a + 1)) >= 0;) {
        const auto value = values.constFind(text.mid(a + 1, b - a - 1).toLower());
        from = value == values.cend() ? a + 1 : 0;
        if (value != values.cend())
            text.replace(a, b - a + 1, *value), ++done;
    }
    return text;
}

} // namespace

// Placeholders formed across a value's edges, values holding placeholders,
// the bound and runs of "%" come out as when the search started over.
TEST(MacroExpand, ReadingOnceGivesWhatStartingOverGave)
{
    GameState gs = sampleState();
    const char *pieces[] = {"%",   "%%", "ho",   "st%",    "%ho",  "%sub", "0%",
                            "1%",  "2%", "%SuB", "%Host%", "%reg", "%",    "x",
                            "% h", "é",  "ſ",    "%pLa",   "yer%"};
    std::mt19937 random(17);
    const auto made = [&](int most) {
        QString text;
        for (int n = int(random() % (most + 1)); n > 0; --n)
            text += QString::fromUtf8(pieces[random() % std::size(pieces)]);
        return text;
    };
    for (int round = 0; round < 3000; ++round) {
        for (int i = 0; i < 3; ++i)
            gs.Subs[i] = made(4);
        const QString line = made(12);
        ASSERT_EQ(expandMacroLine(line, gs).toStdString(),
                  expandedFromTheStart(line, gs).toStdString())
            << qPrintable(line) << " | " << qPrintable(gs.Subs[0]) << " | "
            << qPrintable(gs.Subs[1]) << " | " << qPrintable(gs.Subs[2]);
    }
    gs.Subs[0] = QString(301, u'%') + "ho"; // "%host%" once the line's "st%" follows
    const QString line = QStringLiteral("%sub0%st%").repeated(60);
    EXPECT_EQ(expandMacroLine(line, gs), expandedFromTheStart(line, gs));
}

namespace {

// The store's answers; the names are room text that looks like placeholders.
struct Figures final : ScoreFigures
{
    QString leaders() override { return u"Kit%host% 5, %sub1 3, Al 100%"_qs; }
    QList<GameStatus::Leader> topWinners(int) override { return {}; }
    int wins(const QString &player) override { return player == u"Bob"_qs ? 4 : 0; }
};

} // namespace

// Placeholders in any case, substitutions in turn, stray percents stay.
// %leaders% and %wins% say the store's figures as they are: a name in them
// never expands, alone, beside a placeholder or across a value's edge. A
// value the game has not got drops the line; an empty substitution does not.
TEST(MacroExpand, PlaceholdersInAnyCaseAndScoresAsTheyAre)
{
    GameState gs = sampleState();
    std::tie(gs.Subs[2], gs.Subs[4]) = std::pair(u"sub0%"_qs, u"Good luck, %player%!"_qs);
    Figures figures;
    const std::pair<QString, QString> cases[] = {
        {u"ESP %REG% to %Host%'s, %words% words, %player%"_qs, u"ESP $ to Ann's, 7 words, Bob"_qs},
        {u"% host% [%\0host%]"_qs, u"% host% [%\0host%]"_qs},
        {u"%sub0%! [%sub3%]"_qs, u"Hello Bob! []"_qs},
        {u"50% off for %host%"_qs, u"50% off for Ann"_qs},
        {u"%name% and %sub10% and %host% 100%"_qs, u"%name% and %sub10% and Ann 100%"_qs},
        {u"%sub1%"_qs, QString(100, u'x') + "%sub1%"}, // a self-reference stops
        {u"Leaders: %LEADERS%; %player% has %Wins%"_qs,
         u"Leaders: Kit%host% 5, %sub1 3, Al 100%; Bob has 4"_qs},
        {u"%leaders%%sub2%"_qs, u"Kit%host% 5, %sub1 3, Al 100%sub0%"_qs},
    };
    for (const auto &[line, expanded] : cases)
        EXPECT_EQ(expandMacroLine(line, gs, &figures), expanded) << qPrintable(line);
    EXPECT_EQ(expandMacroLine(u"Leaders: %leaders%"_qs, gs), QString()); // no store
    std::tie(gs.DownPointer, gs.RegChar) = std::pair(0, QString());
    for (const char *line : {"[%wins%]", "%sub4%", "ESP %reg% to %host%"})
        EXPECT_EQ(expandMacroLine(QString::fromLatin1(line), gs, &figures), QString()) << line;
}
