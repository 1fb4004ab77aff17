#include "room/personrules.h"
#include "room/roomtext.h"

#include <gtest/gtest.h>

#include <utility>

// Names that only look alike are one avatar, whichever way a person comes:
// letter case, runs of spaces, characters a reader cannot see and Unicode's
// confusables (UTS #39) all fold away; a letter more or less does not.
TEST(RoomText, NamesThatOnlyLookAlikeAreTheSameName)
{
    const std::pair<QString, QString> same[] = {
        {u"Ann Lee"_qs, u"aNN lEE"_qs},
        {u"Ann Lee"_qs, u"Ann  Lee"_qs},
        {u"Ann Lee"_qs, u" Ann\u00A0\u3000Lee "_qs},
        {u"Ann Lee"_qs, u"An\u200Bn Lee"_qs},
        {u"Host"_qs, u"Ho\u00ADst"_qs},
        {u"Bill"_qs, u"BiII"_qs},
        {u"Bill"_qs, u"B1ll"_qs},
        {u"Ian"_qs, u"ian"_qs},                   // case holds beside I for l
        {u"Ann Lee"_qs, u"Ann L\u0435\u0435"_qs}, // Cyrillic e's
        {u"Bob"_qs, u"B0B"_qs},
        {u"Kim"_qs, u"Kirn"_qs},
        {u"Strasse"_qs, u"STRA\u00DFE"_qs}};
    for (const auto &[a, b] : same) {
        EXPECT_TRUE(RoomText::sameName(a, b)) << a.toStdString() << " / " << b.toStdString();
        EXPECT_TRUE(PersonRules::hasName({u"Cy"_qs, a}, b)) << b.toStdString();
    }
    const std::pair<QString, QString> different[] = {{u"Bo"_qs, u"Bob"_qs},
                                                     {u"Ann Lee"_qs, u"Ann Le"_qs},
                                                     {u"Ann Lee"_qs, u"AnnLee"_qs},
                                                     {u"Kim"_qs, u"Kin"_qs}};
    for (const auto &[a, b] : different) {
        EXPECT_FALSE(RoomText::sameName(a, b)) << a.toStdString() << " / " << b.toStdString();
        EXPECT_FALSE(PersonRules::hasName({u"Cy"_qs, a}, b)) << b.toStdString();
    }
}
