#include "chat/gamestatus.h"

#include <gtest/gtest.h>

TEST(GameStatusText, RoundTripsAndCutsWhatNoFrameMayCarry)
{
    const GameStatus s(GameStatus::Phase::Playing, 3, 10, u"_ \u00c9 _"_qs,
                       {u"Al"_qs, u"Bo\tBad\r\nphase=over"_qs}, 1, 7, 30,
                       {{u"Cy"_qs, u"Red"_qs}, {u"Di"_qs, {}}}, {{u"Al"_qs, 4}});
    const QByteArray text = encodeGameStatus(s);
    EXPECT_EQ(text, "phase=playing\r\nword=3\r\nwords=10\r\npattern=_ \xc9 _\r\ncalled=Al\r\n"
                    "called=Bo Bad  phase=over\r\nup=1\r\nseconds=7\r\nfrom=30\r\n"
                    "winner=Cy\tRed\r\nwinner=Di\t\r\nleader=Al\t4\r\n");
    GameStatus back = s;
    back.called[1] = u"Bo Bad  phase=over"_qs;
    EXPECT_EQ(decodeGameStatus(text), back);

    GameStatus big;
    big.phase = GameStatus::Phase::Open;
    for (int i = 0; i < 50; ++i)
        big.called << QString(500, u'x');
    big.up = 40; // beyond the called-down players sent
    const auto cut = decodeGameStatus(encodeGameStatus(big));
    ASSERT_TRUE(cut);
    EXPECT_EQ(std::tuple(cut->called.size(), cut->called[0].size(), cut->up),
              std::tuple(GameStatusCap::Called, GameStatusCap::Text, -1));
}

TEST(GameStatusText, RefusesMalformedOrOversizedTextAndSkipsUnknownKeys)
{
    const auto parsed = decodeGameStatus("phase=won\r\nnews=later\r\nword=2\r\n");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->word, 2);
    for (const QByteArray &bad :
         {QByteArray("word=2\r\n"), QByteArray("phase=lost\r\n"), QByteArray("phase=won"),
          QByteArray("phase=won\r\nword=-1\r\n"), QByteArray("phase=won\r\nword=99999\r\n"),
          QByteArray("phase=won\r\nword\r\n"), QByteArray("phase=won\r\ncalled=A\r\nup=1\r\n"),
          QByteArray("phase=won\r\ncalled=A\tB\r\n"), QByteArray("phase=won\r\nleader=A\r\n"),
          QByteArray("phase=won\r\nleader=A\tx\r\n"), QByteArray("phase=won\r\npattern=a\x01\r\n"),
          QByteArray("phase=won\r\ncalled=") + QByteArray(65, 'a') + "\r\n",
          QByteArray("phase=won\r\n") + QByteArray(5000, 'x') + "=1\r\n"})
        EXPECT_FALSE(decodeGameStatus(bad)) << bad.left(60).toStdString();
}
