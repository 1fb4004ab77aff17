#include "files/values.h"
#include "game/failure.h"

#include <gtest/gtest.h>

namespace {
int failureOf(auto &&f)
{
    try {
        f();
    } catch (const Failure &e) {
        return e.number();
    }
    return 0;
}
} // namespace

TEST(Values, IntegersRoundHalvesToEvenAndIgnoreSpaces)
{
    EXPECT_EQ(Values::readInteger(QStringLiteral(" 5 ")), 5);
    EXPECT_EQ(Values::readInteger(QStringLiteral("2.5")), 2);
    EXPECT_EQ(Values::readInteger(QStringLiteral("3.5")), 4);
    EXPECT_EQ(Values::readInteger(QStringLiteral("-2.5")), -2);
    EXPECT_EQ(Values::readInteger(QStringLiteral("-32768")), -32768);
    EXPECT_EQ(Values::readInteger(QStringLiteral("32767.4")), 32767);
    EXPECT_EQ(Values::readInteger(QStringLiteral("1e2")), 100);
}

TEST(Values, BadIntegersFailWithTheirNumbers)
{
    for (const char *bad : {"", "   ", "abc", "1x", "inf", "nan", "0x10", "1e", "--1", "."})
        EXPECT_EQ(failureOf([&] { Values::readInteger(QString::fromLatin1(bad)); }), ErrTypeMismatch)
            << bad;
    for (const char *big : {"32767.5", "-32769", "40000", "1e400"})
        EXPECT_EQ(failureOf([&] { Values::readInteger(QString::fromLatin1(big)); }), ErrOverflow)
            << big;
}

TEST(Values, Booleans)
{
    EXPECT_TRUE(Values::readBoolean(QStringLiteral("TRUE")));
    EXPECT_FALSE(Values::readBoolean(QStringLiteral("false")));
    EXPECT_TRUE(Values::readBoolean(QStringLiteral("-1")));
    EXPECT_TRUE(Values::readBoolean(QStringLiteral(" 7 ")));
    EXPECT_FALSE(Values::readBoolean(QStringLiteral("0")));
    EXPECT_EQ(failureOf([] { Values::readBoolean(QStringLiteral("yes")); }), ErrTypeMismatch);
    EXPECT_EQ(failureOf([] { Values::readBoolean(QString()); }), ErrTypeMismatch);
}

TEST(Values, WrittenForms)
{
    EXPECT_EQ(Values::writeNumber(5), QStringLiteral(" 5 "));
    EXPECT_EQ(Values::writeNumber(-1), QStringLiteral("-1 "));
    EXPECT_EQ(Values::writeNumber(0), QStringLiteral(" 0 "));
    EXPECT_EQ(Values::writeNumber(1.5), QStringLiteral(" 1.5 "));
    EXPECT_EQ(Values::writePlain(2), QStringLiteral("2"));
    EXPECT_EQ(Values::writePlain(1.5), QStringLiteral("1.5"));
    EXPECT_EQ(Values::writePlain(-1), QStringLiteral("-1"));
    EXPECT_EQ(Values::writePlain(0.1f), QStringLiteral("0.1"));
    EXPECT_EQ(Values::writeBoolean(true), QStringLiteral("True"));
    EXPECT_EQ(Values::writeBoolean(false), QStringLiteral("False"));
}
