#include "files/macrofile.h"
#include "support/bytesio.h"

#include <gtest/gtest.h>

namespace {

// Runs the reader over bytes; the failure's number, or 0.
int read(const QByteArray &bytes, MacroFileRecord &gs)
{
    BytesIn in(bytes);
    return failureOf([&] { readMacros(in, gs); });
}

QByteArray written(const MacroFileRecord &gs)
{
    return writtenBy([&](QIODevice &out) { writeMacros(out, gs); });
}

} // namespace

TEST(MacroFile, ReadingRulesTheWrittenBytesTheStarterMacrosAndBadFiles)
{
    MacroFileRecord gs;
    gs.macros[4] = {u"keep"_qs, u"kept\r\n"_qs};
    gs.macros[7] = {u"old"_qs, u"old text"_qs};
    gs.subs[2] = u"kept"_qs;
    ASSERT_EQ(read("junk\r\n[substitutions] x\r\n%sub0%=a = b \r\n%SUB4%:colon\r\n%sub10%=no\r\n"
                   "   \r\n%sub9%\r\n\r\n%sub1%=outside\r\n"
                   "[Macro 3]\r\nGreeting\r\nHello\r\nall\r\n\r\n"
                   "[macro  7 ]\r\n\r\n"                             // no name: no text
                   "[Macro 0]\r\nZero\r\nz\r\n\r\n"                  // accepted, has no button
                   "[Macro 9]\r\nCut\r\nfirst\r\n\r\nsecond\r\n"     // scanned as structure
                   "[macro 21]\r\n[Macro 10]\r\nTen\r\nt\r\n\r\n"    // 21 ends the section
                   "[End]\r\n[Substitutions]\r\n%sub2%=lost\r\n\r\n" // "[end" takes a line along
                   "[Macro 20]\r\nT\r\nt\r\n\r\n[Macro 5]\r\nFive\r\nf\r\n\r\n", // 20 ends it too
                   gs),
              0);
    EXPECT_EQ(gs.macros[0].name, u"Zero"_qs);
    EXPECT_EQ(gs.macros[7].name, u"Macro 7"_qs);
    // What no file gives: the writer names a nameless text and leaves out
    // texts that would not read back and macro 0.
    gs.macros[1] = {QString(), u"\u00B0 there\r\n"_qs};
    gs.macros[6] = {u"Space"_qs, u" "_qs};
    gs.macros[8] = {u"Lead"_qs, u"\r\nhidden"_qs};
    gs.macros[12] = {u"[macro 5]"_qs, u"[end]\r\n"_qs};
    const QByteArray bytes = written(gs);
    EXPECT_EQ(bytes,
              "[Substitutions]\r\n%sub0%=a = b \r\n%sub1%=\r\n%sub2%=kept\r\n%sub3%=\r\n"
              "%sub4%=colon\r\n%sub5%=\r\n%sub6%=\r\n%sub7%=\r\n%sub8%=\r\n%sub9%=\r\n\r\n"
              "[Macro  1 ]\r\nMacro 1\r\n\xB0 there\r\n\r\n\r\n[Macro  2 ]\r\n\r\n"
              "[Macro  3 ]\r\nGreeting\r\nHello\r\nall\r\n\r\n\r\n[Macro  4 ]\r\nkeep\r\nkept\r\n"
              "\r\n\r\n[Macro  5 ]\r\n\r\n[Macro  6 ]\r\n\r\n[Macro  7 ]\r\n\r\n[Macro  8 ]\r\n\r\n"
              "[Macro  9 ]\r\nCut\r\nfirst\r\n\r\n\r\n[Macro  10 ]\r\nTen\r\nt\r\n\r\n\r\n"
              "[Macro  11 ]\r\n\r\n[Macro  12 ]\r\n[macro 5]\r\n[end]\r\n\r\n\r\n"
              "[Macro  13 ]\r\n\r\n[Macro  14 ]\r\n\r\n[Macro  15 ]\r\n\r\n[Macro  16 ]\r\n\r\n"
              "[Macro  17 ]\r\n\r\n[Macro  18 ]\r\n\r\n[Macro  19 ]\r\n\r\n"
              "[Macro  20 ]\r\nT\r\nt\r\n\r\n\r\n[End Macros]\r\n\r\n");
    MacroFileRecord back;
    ASSERT_EQ(read(bytes, back), 0);
    EXPECT_EQ(written(back), bytes);

    // The starter macros the project ships are written back byte for byte.
    const QByteArray starter =
        bytesOf(QStringLiteral(ORVELLA_SOURCE_DIR "/data/macros/starter.txt"));
    MacroFileRecord shipped;
    ASSERT_EQ(read(starter, shipped), 0);
    EXPECT_EQ(written(shipped), starter);

    // Bad files: reading stops at the fault, and what came before it stays read.
    const std::tuple<QByteArray, int, QString> cases[] = {
        {"[Macro 3\r\nA\r\n\r\n", 5, QString()},
        {"[Macros]\r\nA\r\n\r\n", ErrTypeMismatch, QString()},
        {"[Macro -1]\r\nA\r\n\r\n", ErrSubscript, QString()},
        {"[Macro 99999]\r\nA\r\n\r\n", ErrOverflow, QString()},
        {"[Macro 1]\r\nA\r\na\r\n\r\n", ErrInputPastEnd, QString()},
        {"[Substitutions]\r\n%sub0%=a\r\n[Macro 1]\r\nB\r\nb", ErrInputPastEnd, u"a"_qs},
    };
    for (const auto &[bytes, number, sub0] : cases) {
        MacroFileRecord gs;
        EXPECT_EQ(read(bytes, gs), number) << bytes.toStdString();
        EXPECT_EQ(gs.subs[0], sub0);
    }
}
