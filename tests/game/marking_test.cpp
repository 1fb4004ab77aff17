#include "game/marking.h"
#include "game/template.h"

#include <gtest/gtest.h>

// Word, answer, marks: the duplicate-letter rules, and words longer than the
// twenty letters a fixed table would hold.
TEST(Marking, WorkedExamples)
{
    const QString cases[][3] = {
        {u"APPLE"_qs, u"PAPER"_qs, u"paPe "_qs},
        {u"APPLE"_qs, u"APPLES"_qs, u"APPLE"_qs},
        {u"CAT"_qs, u"AAA"_qs, u" A "_qs},
        {u"CAT"_qs, u"TAC"_qs, u"tAc"_qs},
        {u"LETTER"_qs, u"TTTTTT"_qs, u"  TT  "_qs},
        {u"BANANA"_qs, u"NANABA"_qs, u"nANAbA"_qs},
        {u"ABBA"_qs, u"BABB"_qs, u"baB "_qs},
        {u"AABAA"_qs, u"BAAAB"_qs, u"bAaA "_qs},
        {u"DCBAD"_qs, u"DDDAA"_qs, u"Dd A "_qs},
        {u"A A"_qs, u"AA "_qs, u"Aa "_qs},
        {u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"_qs, u"ZBCDEFGHIJKLMNOPQRSTUVWXYA"_qs,
         u"zBCDEFGHIJKLMNOPQRSTUVWXYa"_qs},
        {u"ABRACADABRA ABRACADABRA"_qs, u"AARDVARK CABARET BANANA"_qs,
         u"AaRd Ar  cAbAr   ba a A"_qs},
        {u"CAT"_qs, QString(), u"   "_qs},
        {QString(), u"CAT"_qs, QString()},
        // A long answer costs no more than the word's length.
        {u"APPLE"_qs, QString(500000, u'E'), u"    E"_qs},
    };
    for (const auto &[word, answer, marks] : cases)
        EXPECT_EQ(MarkTable::mark(word, answer).marks(), marks) << word.toStdString();
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
