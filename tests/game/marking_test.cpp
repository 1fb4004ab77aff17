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

// Only the first of each placeholder, the name's in any case, the word's in
// lower case; a name holding the word placeholder is filled in turn.
TEST(FillTemplate, FirstPlaceholdersOnly)
{
    const QString cases[][3] = {
        {u"Sorry %player%.  %word% is not a match"_qs, u"Bob"_qs,
         u"Sorry Bob.  PEAR is not a match"_qs},
        {u"WTG %PLAYER%! %WORD%"_qs, u"Bob"_qs, u"WTG Bob! %WORD%"_qs},
        {u"%player% %player% %word% %word%"_qs, u"Bob"_qs, u"Bob %player% PEAR %word%"_qs},
        {u"%player%!"_qs, u"%word%"_qs, u"PEAR!"_qs},
        {u"\u0130 %player%"_qs, u"Bob"_qs, u"\u0130 Bob"_qs},
    };
    for (const auto &[text, name, filled] : cases)
        EXPECT_EQ(FillTemplate(text, name, u"PEAR"_qs), filled) << text.toStdString();
}
