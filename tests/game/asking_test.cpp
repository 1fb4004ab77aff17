#include "game/asking.h"
#include "support/gamecontextrig.h"

// Get takes the asked player's last line in the chat text, whatever its shape.
TEST(Asking, GetTakesTheAskedPlayersLastLineWhateverItsShape)
{
    const std::pair<QString, QString> cases[] = {
        {u"Bob: paper"_qs, u"PAPER"_qs},
        {u"Bob:   two words  "_qs, u"TWO WORDS"_qs},
        {u"Bob:"_qs, QString()},
        {u"Bob: a: b"_qs, u"A: B"_qs},
        {u"Bob: caf\u00e9"_qs, u"CAF\u00c9"_qs},
        {u"Bob: one\r\nCy: hi\r\nBob: two\r\nCy: x"_qs, u"TWO"_qs},
        {u"ESP from Bob: psst"_qs, u"PSST"_qs},
        {u"Al Bob: late"_qs, u"-"_qs}, // a name ending in his is someone else
        {u"Bobby: no"_qs, u"-"_qs},    // not his: nothing changes
        {u"Bob says: no"_qs, u"-"_qs},
        {u"bob: no"_qs, u"-"_qs},
        // Only lines the client shows as his: no quotes, no look-alike names.
        {u"Bob: pear\r\nxBob: apple\r\nZed: Bob: apple\r\nZed: ESP from Bob: apple"_qs, u"PEAR"_qs},
        {u"Bob: pear\r\nBob: I said Bob: plum "_qs, u"I SAID BOB: PLUM"_qs},
        {u"Bob: pear\r\n\r\nESP from Bob: <wave>\r\nZed: hi"_qs, u"<WAVE>"_qs},
        {u"xBob: apple\r\nZed: I am Bob: apple"_qs, u"-"_qs},
    };
    for (const auto &[text, response] : cases) {
        GameContextRig r;
        std::tie(r.gs.Down[1].Name, r.gs.Down[1].Response, r.gs.DownCount, r.gs.DownPointer,
                 r.room.pending) = std::tuple(u"Bob"_qs, u"-"_qs, 1, 1, QStringList(text));
        r.console.setControlEnabled(Ctl::cmdCheck, false);
        cmdGet_Click(r.ctx);
        EXPECT_EQ(r.gs.Down[1].Response, response) << text.toStdString();
        EXPECT_EQ(r.console.controlEnabled(Ctl::cmdCheck), response != u"-"_qs);
    }
}
