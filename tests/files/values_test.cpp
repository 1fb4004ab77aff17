#include "bytesio.h"
#include "files/values.h"

#include <gtest/gtest.h>

TEST(Values, NumbersRoundHalvesToEvenAndNothingElsePasses)
{
    const auto readInteger = [](const char *text) {
        return Values::readInteger(QString::fromLatin1(text));
    };
    const std::pair<const char *, int> good[] = {
        {" -2.5 ", -2}, {"1e2", 100}, {"-32768", -32768}, {"32767.4", 32767}};
    for (const auto &[text, value] : good)
        EXPECT_EQ(readInteger(text), value) << text;
    for (const char *bad : {"", "   ", "abc", "1x", "inf", "nan", "0x10", "1e", "--1", "."})
        EXPECT_EQ(failureOf([&] { readInteger(bad); }), ErrTypeMismatch) << bad;
    for (const char *big : {"32767.5", "-32769", "1e400"})
        EXPECT_EQ(failureOf([&] { readInteger(big); }), ErrOverflow) << big;
    // Any number but 0 is True, a fraction too.
    EXPECT_TRUE(Values::readBoolean(QStringLiteral(" 0.5 ")));
}
