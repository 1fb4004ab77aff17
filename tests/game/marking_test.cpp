#include "game/marking.h"
#include "game/template.h"

#include <gtest/gtest.h>

#include <random>

namespace {

QString mark(const QString &word, const QString &answer)
{
    return MarkTable::mark(word, answer).marks();
}

// The marking rules read a second time, as literally as they are written:
// one-character strings, empty past the end of the answer, and duplicates
// counted pair by pair.
QString markLiterally(const QString &W, const QString &R)
{
    struct Row
    {
        QString wc, gc;
        int wn = 0, gn = 0;
        QString mark = u" "_qs;
    };
    const int n = int(W.size()), L = int(std::min(W.size(), R.size()));
    std::vector<Row> t(n + 1);
    for (int i = 1; i <= n; ++i) {
        t[i].wc = W.mid(i - 1, 1);
        t[i].wn = 1;
        t[i].gc = i <= L ? R.mid(i - 1, 1) : QString();
        t[i].gn = i <= L ? 1 : 0;
    }
    for (int i = 1; i < n; ++i)
        for (int j = i + 1; j <= n; ++j) {
            if (t[i].wc == t[j].wc)
                ++t[i].wn, ++t[j].wn;
            if (t[i].gc == t[j].gc)
                ++t[i].gn, ++t[j].gn;
        }
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= L; ++j) {
            if (t[j].gc != t[i].wc)
                continue;
            if (i == j) {
                t[j].mark = t[j].gc;
            } else if (t[i].wn >= t[j].gn) {
                if (t[j].mark == u" ")
                    t[j].mark = t[j].gc.toLower();
            } else if (t[i].wn > 0 && t[i].wc != t[i].gc && t[j].mark == u" ") {
                t[j].mark = t[j].gc.toLower();
                for (int k = i; k <= n; ++k)
                    if (t[k].wc == t[i].wc)
                        t[k].wn -= 2;
            }
        }
    QString marks;
    for (int i = 1; i <= n; ++i)
        marks += t[i].mark;
    return marks;
}

} // namespace

TEST(Marking, WorkedExamples)
{
    EXPECT_EQ(mark(u"APPLE"_qs, u"PAPER"_qs), u"paPe "_qs);
    EXPECT_EQ(mark(u"APPLE"_qs, u"APPLES"_qs), u"APPLE"_qs);
    EXPECT_EQ(mark(u"CAT"_qs, u"AAA"_qs), u" A "_qs);
    EXPECT_EQ(mark(u"CAT"_qs, u"TAC"_qs), u"tAc"_qs);
    EXPECT_EQ(mark(u"LETTER"_qs, u"TTTTTT"_qs), u"  TT  "_qs);
    EXPECT_EQ(mark(u"BANANA"_qs, u"NANABA"_qs), u"nANAbA"_qs);
    EXPECT_EQ(mark(u"CAT"_qs, QString()), u"   "_qs);
    EXPECT_EQ(mark(QString(), u"CAT"_qs), QString());
}

TEST(Marking, AgreesWithALiteralReadingOnRandomWords)
{
    std::mt19937 rng(20240601);
    const QString letters = u"ABCA D"_qs;
    auto randomText = [&](int maxLength) {
        QString text;
        for (int i = int(rng() % (maxLength + 1)); i > 0; --i)
            text += letters[rng() % letters.size()];
        return text;
    };
    // Mostly short, so repeated letters are the rule; past 20 characters
    // the table grows with the word.
    for (int round = 0; round < 20000; ++round) {
        const int longest = round % 100 == 0 ? 60 : 12;
        const QString word = randomText(longest), answer = randomText(longest + 2);
        ASSERT_EQ(mark(word, answer), markLiterally(word, answer))
            << word.toStdString() << " / " << answer.toStdString();
    }
    // A long answer costs no more than the word's length.
    EXPECT_EQ(mark(u"APPLE"_qs, QString(500000, u'E')), u"    E"_qs);
}

TEST(FillTemplate, FirstPlaceholdersOnlyNameInAnyCaseWordInLowerCase)
{
    const auto fill = [](const char *t) {
        return FillTemplate(QString::fromUtf8(t), QStringLiteral("Bob"), QStringLiteral("PEAR"));
    };
    EXPECT_EQ(fill("Sorry %player%.  %word% is not a match"),
              QStringLiteral("Sorry Bob.  PEAR is not a match"));
    EXPECT_EQ(fill("WTG %PLAYER%! %WORD%"), QStringLiteral("WTG Bob! %WORD%"));
    EXPECT_EQ(fill("%player% %player% %word% %word%"), QStringLiteral("Bob %player% PEAR %word%"));
    // A name holding the word placeholder is filled in turn, as the text is
    // searched after the name went in.
    EXPECT_EQ(
        FillTemplate(QStringLiteral("%player%!"), QStringLiteral("%word%"), QStringLiteral("X")),
        QStringLiteral("X!"));
    EXPECT_EQ(fill("İ %player%"), QStringLiteral("İ Bob"));
}
