#include "files/ansi.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

// ICU's windows-1252 tables are the reference; its decoder leaves the five
// undefined bytes out, where Windows (and we) map them to C1 controls.
TEST(Ansi, AllBytesMatchAnIndependentTable)
{
    QStringDecoder reference("windows-1252");
    ASSERT_TRUE(reference.isValid());
    const QList<int> undefined = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, static_cast<char>(b));
        const QString ours = Ansi::decode(one);
        ASSERT_EQ(ours.size(), 1) << b;
        if (undefined.contains(b)) {
            EXPECT_EQ(ours.at(0).unicode(), b);
        } else {
            const QString theirs = reference.decode(one);
            EXPECT_EQ(ours, theirs) << "byte " << b;
        }
        EXPECT_EQ(Ansi::encode(ours), one) << "byte " << b;
    }
}

TEST(Ansi, CharactersWithoutAByteBecomeQuestionMarks)
{
    const QString text = QStringLiteral("a\u0100b\u4E2D") + QString::fromUcs4(U"\U0001F600");
    EXPECT_EQ(Ansi::encode(text), QByteArray("a?b??"));
    EXPECT_FALSE(Ansi::canEncode(text));
    EXPECT_TRUE(Ansi::canEncode(QStringLiteral("«»«» °±²³´µ¶·¸¹ €")));
}

TEST(Ansi, KeepsNulAndGameCharacters)
{
    const QByteArray bytes("x\0y\xAB\xBB\xB0\x80", 7);
    const QString text = Ansi::decode(bytes);
    EXPECT_EQ(text, QStringLiteral("x") + QChar(0) + QStringLiteral("y«»°€"));
    EXPECT_EQ(Ansi::encode(text), bytes);
}

TEST(Ansi, UpperKeepsWhatThePageCannotHold)
{
    EXPECT_EQ(Ansi::upper(QStringLiteral("apple pie àéÿ")), QStringLiteral("APPLE PIE ÀÉŸ"));
    EXPECT_EQ(Ansi::upper(QStringLiteral("µß")), QStringLiteral("µß"));
}
