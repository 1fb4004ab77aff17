#include "files/values.h"
#include "support/bytesio.h"

#include <gtest/gtest.h>

TEST(Values, NumbersRoundHalvesToEvenAndNothingElsePasses)
{
    const std::pair<const char *, int> good[] = {
        {" -2.5 ", -2}, {"1e2", 100}, {"-32768", -32768}, {"32767.4", 32767}};
    for (const auto &[text, value] : good)
        EXPECT_EQ(Values::readInteger(QLatin1String(text)), value) << text;
    for (const char *bad : {"", "   ", "abc", "1x", "inf", "nan", "0x10", "1e", "--1", "."})
        EXPECT_EQ(failureOf([&] { Values::readInteger(QLatin1String(bad)); }), ErrTypeMismatch)
            << bad;
    for (const char *big : {"32767.5", "-32769", "1e400"})
        EXPECT_EQ(failureOf([&] { Values::readInteger(QLatin1String(big)); }), ErrOverflow) << big;
    // Any number but 0 is True, a fraction too.
    EXPECT_TRUE(Values::readBoolean(u" 0.5 "_qs));
}
