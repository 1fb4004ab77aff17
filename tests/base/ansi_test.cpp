#include "base/ansi.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

// ICU's windows-1252 tables are the reference; its decoder leaves the five
// undefined bytes out, where Windows (and we) map them to C1 controls. A
// long block decodes as its bytes one by one, wherever in a run of plain
// text the other bytes fall.
TEST(Ansi, AllBytesMatchAnIndependentTableAloneAndInABlock)
{
    QStringDecoder reference("windows-1252");
    ASSERT_TRUE(reference.isValid());
    const QByteArray undefined("\x81\x8D\x8F\x90\x9D");
    QByteArray block;
    QString expected;
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, static_cast<char>(b));
        const QString ours = Ansi::decode(one);
        ASSERT_EQ(ours.size(), 1) << b;
        if (undefined.contains(char(b)))
            EXPECT_EQ(ours.at(0).unicode(), b);
        else
            EXPECT_EQ(ours, reference.decode(one)) << "byte " << b;
        EXPECT_EQ(Ansi::encode(ours), one) << "byte " << b;
        block += QByteArray("plain text").left(b % 11) + one;
        expected += u"plain text"_qs.left(b % 11) + ours;
    }
    EXPECT_EQ(Ansi::decode(block), expected);
}

// A surrogate pair is one character off the page, as is a lone half.
TEST(Ansi, EachCharacterOffThePageBecomesOneQuestionMark)
{
    const QString text = u"a\U0001F600b\u20AC"_qs + QChar(0xDC00) + u"c"_qs + QChar(0xD83D);
    EXPECT_EQ(Ansi::encode(text), QByteArray("a?b\x80?c?"));
    EXPECT_FALSE(Ansi::canEncode(text));
    EXPECT_TRUE(Ansi::canEncode(u"caf\u00E9 \u20AC \u0081"_qs));
}
