#include "files/settingsfile.h"
#include "support/bytesio.h"

#include <gtest/gtest.h>

namespace {

int read(
    const QByteArray &bytes, SettingsRecord &gs, const std::function<void()> &onMacroFile = [] {})
{
    BytesIn in(bytes);
    return failureOf([&] { readSettings(in, gs, onMacroFile); });
}

QByteArray written(const SettingsRecord &gs, double left, double top)
{
    return writtenBy([&](QIODevice &out) { writeSettings(out, gs, left, top); });
}

} // namespace

TEST(SettingsFile, ReadingRulesTheWrittenBytesAndBadFiles)
{
    SettingsRecord gs;
    std::tie(gs.Auto, gs.MacroFile, gs.Boxes[5]) = std::tuple(30, u"old"_qs, true);
    // The macro file is read when its line is: the lines after it are not read yet.
    QString macroFileRead;
    const auto onMacroFile = [&] {
        macroFileRead += gs.MacroFile + u'|' + QString::number(gs.BoxTop);
    };
    const QByteArray file =
        "[Setting]\r\ndelay=1\r\n\r\n" // not a header
        "[SETTINGS] anything here\r\nDELAY=1\r\n"
        "TopX-5\r\n" // any separator, even a letter
        "RegChar=\xB0?\r\nCalldownMSG=Go\r\ncalldown=-1\r\nsorry=  a = \xB5 \r\n"
        "   \r\n" // not empty
        "ontop=TRUE\r\nmacrofile=C:\\m.txt\r\nboxtop= 3.5 \r\nboxleft=-120\r\n"
        "delay=2\r\n\r\n"
        "[other]\r\nauto=15\r\n" // skipped
        "[Boxes] x\r\n 3 =True\r\n0=-1\r\nno equals sign\r\n9=1\r\n5=false\r\n\r\n";
    ASSERT_EQ(read(file, gs, onMacroFile), 0);
    EXPECT_EQ(macroFileRead, u"C:\\m.txt|0"_qs);
    EXPECT_EQ(gs.Top, -5);
    // The window's edges are written, not the edges read.
    const QByteArray bytes = written(gs, 1234.5, 100000);
    EXPECT_EQ(bytes,
              "[Settings]\r\nDelay= 2 \r\nAuto= 0 \r\nLeft= 1234.5 \r\nTop= 32767 \r\n"
              "OnTop=True\r\nBoxLeft=-120 \r\nBoxTop= 4 \r\nRegChar=\xB0\r\nConfirm=True\r\n"
              "Sorry=  a = \xB5 \r\nWTG=WTG %player%! %word% is a match\r\nCalldownMSG=Go\r\n"
              "Calldown=True\r\nMacroFile=C:\\m.txt\r\n\r\n[Boxes]\r\n 0 =True\r\n 1 =False\r\n"
              " 2 =False\r\n 3 =True\r\n 4 =False\r\n 5 =False\r\n 6 =False\r\n 7 =False\r\n"
              " 8 =False\r\n 9 =True\r\n\r\n");
    EXPECT_TRUE(written(gs, -40000.25, 32767.75).contains("\nLeft=-32768 \r\nTop= 32767 \r\n"));
    // The Room window's lines come only once it has a place, and read back.
    ASSERT_EQ(read(file + "[settings]\r\nroomleft=-15\r\nRoomTop=3\r\nroomwidth=7200\r\n"
                          "roomheight=4000\r\n\r\n",
                   gs),
              0);
    EXPECT_TRUE(written(gs, 0, 0).contains("MacroFile=\r\nRoomLeft=-15 \r\nRoomTop= 3 \r\n"
                                           "RoomWidth= 7200 \r\nRoomHeight= 4000 \r\n\r\n[Boxes]"));

    // No [settings] section: no defaults. LF alone ends lines.
    SettingsRecord bare;
    ASSERT_EQ(read("[boxes]\n1=1\n\n", bare), 0);
    EXPECT_TRUE(bare.Boxes[1] == true && !bare.Boxes[2]);
    EXPECT_TRUE(bare.RegChar.isEmpty() && !bare.Confirm && bare.Sorry.isEmpty());
    bare.MacroFile = u"old.mac"_qs; // the defaults name no macro file
    ASSERT_EQ(read("[settings]\nregchar=\n\n", bare), 0);
    EXPECT_TRUE(bare.RegChar.isEmpty() && bare.MacroFile.isEmpty());

    // Bad files fail; bytes before any header are skipped.
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 131 + 7) % 256);
    const std::pair<QByteArray, int> cases[] = {
        {"[settings]\r\ndelay=3\r\n", ErrInputPastEnd},
        {"[settings]\r\ndelay\r\n\r\n", ErrTypeMismatch},
        {"[boxes]\r\n10=True\r\n\r\n", ErrSubscript},
        {"[boxes]\r\n-1=True\r\n\r\n", ErrSubscript},
        {junk, 0},
    };
    for (const auto &[bytes, number] : cases)
        EXPECT_EQ(read(bytes, bare), number) << bytes.left(40).toStdString();
}
