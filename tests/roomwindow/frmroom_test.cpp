#include "roomwindow/frmroom.h"
#include "support/gamecontextrig.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>

namespace {

// The window over a link to a room whose client offers the live copy.
struct RoomRig : RigBase
{
    ChatLink link{room, ticks, dialogs, [] { return u"orvella"_qs; }};
    int settingsWritten = 0;
    std::vector<HostLine> sent;
    std::vector<ModRequest> moderated;
    std::unique_ptr<frmRoom> window;

    RoomRig()
    {
        room.offers = true;
        EXPECT_EQ(link.InitDDE(), 0);
        std::tie(gs.RoomLeft, gs.RoomTop, gs.RoomWidth, gs.RoomHeight) =
            std::tuple(1440, 720, 7200, 5760);
        ChildContext child{gs, dialogs, {}, [this] { ++settingsWritten; }, [this] { return &link; },
                           {}};
        window = std::make_unique<frmRoom>(
            RoomContext{child, [this](const HostLine &l) { sent.push_back(l); },
                        [] { return QStringLiteral("Host"); },
                        [this](const ModRequest &r) { moderated.push_back(r); }});
        window->show();
    }
    QPlainTextEdit *text() { return window->findChild<QPlainTextEdit *>(u"txtRoom"_qs); }
    QLineEdit *say() { return window->findChild<QLineEdit *>(u"txtSay"_qs); }
    QLabel *note() { return window->findChild<QLabel *>(u"lblNote"_qs); }
};

} // namespace

// The live copy as the link hands it over; the note follows each link's offer.
TEST(RoomWindow, ShowsTheRoomAsTextMarkedByWhoseLineItIs)
{
    RoomRig rig;
    rig.room.callbacks->OnDapiLive("Ann: hi\r\nESP from Bo: $\r\nHost: Word 1\r\nESP to Bo: ok\r\n"
                                   "Cy: <b>bold</b> <a href=\"x\">link</a>\r\n"
                                   "Dee: one\x0btwo\x7fthree\r\n");
    EXPECT_TRUE(rig.text()->toPlainText().isEmpty()) << "drawn in the next turn, together";
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.text()->toPlainText(),
              u"Ann: hi\nESP from Bo: $\nHost: Word 1\nESP to Bo: ok\n"
              u"Cy: <b>bold</b> <a href=\"x\">link</a>\nDee: one two three"_qs);
    const QTextDocument *doc = rig.text()->document();
    const auto format = [&](int row) {
        return doc->findBlockByNumber(row).begin().fragment().charFormat();
    };
    EXPECT_EQ(std::tuple(format(0).fontWeight(), format(1).fontWeight(), format(2).fontWeight()),
              std::tuple(QFont::Normal, QFont::Bold, QFont::Bold));
    EXPECT_NE(format(1).foreground(), format(2).foreground());
    EXPECT_TRUE(format(3).fontItalic());
    EXPECT_FALSE(format(4).isAnchor());
    for (const bool offers : {false, true, false}) {
        rig.room.offers = offers;
        ASSERT_EQ(rig.link.InitDDE(), 0);
        EXPECT_EQ(rig.note()->isHidden(), offers);
    }
    rig.room.callbacks->OnDapiEvent("live", 0, {}); // offered late
    EXPECT_TRUE(rig.note()->isHidden());
}

TEST(RoomWindow, TypedLinesGoToTheRoomOrAsAnEsp)
{
    RoomRig rig;
    struct Case
    {
        QString typed;
        HostLine::Kind kind;
        QString target, text;
    } cases[] = {
        {u"hello all"_qs, HostLine::Kind::Room, {}, u"hello all"_qs},
        {u"/msg Bob hi there"_qs, HostLine::Kind::Private, u"Bob"_qs, u"hi there"_qs},
        {u"/MSG  Bob   hi"_qs, HostLine::Kind::Private, u"Bob"_qs, u"hi"_qs},
        {u"/msgs are fun"_qs, HostLine::Kind::Room, {}, u"/msgs are fun"_qs},
        {u"a\tb\x7f\u2028c"_qs, HostLine::Kind::Room, {}, u"a b  c"_qs},
        {u"/msg Bob"_qs, HostLine::Kind::Malformed, {}, {}},
        {u"/msg "_qs, HostLine::Kind::Malformed, {}, {}},
        {u"   "_qs, HostLine::Kind::Nothing, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        const HostLine p = parseHostLine(c.typed);
        EXPECT_EQ(std::tie(p.kind, p.target, p.text), std::tie(c.kind, c.target, c.text));
    }
    EXPECT_EQ(parseHostLine(QString(1000, u'x')).text.size(), MaxHostLine);

    rig.say()->setText(u"/msg Bob"_qs);
    QTest::keyClick(rig.say(), Qt::Key_Return);
    EXPECT_EQ(rig.say()->text(), u"/msg Bob"_qs) << "a malformed ESP stays to be mended";
    EXPECT_FALSE(rig.note()->isHidden());
    rig.window->startEsp(u"Cy"_qs);
    QTest::keyClicks(rig.say(), u"psst"_qs);
    QTest::keyClick(rig.say(), Qt::Key_Return);
    ASSERT_EQ(rig.sent.size(), 1u);
    EXPECT_EQ(std::tie(rig.sent[0].target, rig.sent[0].text), std::tuple(u"Cy"_qs, u"psst"_qs));
    EXPECT_TRUE(rig.say()->text().isEmpty());
}

TEST(RoomWindow, AFloodKeepsTheNewestLinesOnlyAndThePlaceIsKept)
{
    RoomRig rig;
    const QSize placed = rig.window->size();
    for (int chunk = 0; chunk < 100; ++chunk) {
        QString text;
        for (int i = 0; i < 1000; ++i)
            text += u"P%1: line %2\r\n"_qs.arg(chunk).arg(i);
        rig.window->addText(text);
        if (chunk % 10 == 0)
            QCoreApplication::processEvents();
    }
    rig.window->addText(QString(100000, u'y'));
    QCoreApplication::processEvents();
    const QTextDocument *doc = rig.text()->document();
    EXPECT_EQ(doc->blockCount(), frmRoom::MaxLines);
    EXPECT_EQ(doc->lastBlock().text().size(), frmRoom::MaxLineLength);
    EXPECT_EQ(doc->lastBlock().previous().text(), u"P99: line 999"_qs);

    rig.window->resize(placed + QSize(40, 30));
    rig.window->close();
    rig.window->close();
    EXPECT_EQ(rig.settingsWritten, 1);
    EXPECT_TRUE(rig.gs.RoomWidth > 7200 && rig.gs.RoomHeight > 5760);
}

// Moderation commands go out as requests, never as room lines; bad input is
// refused in a line of the window's own, marked apart from the room's text,
// and nothing from the room can moderate.
TEST(RoomWindow, ModerationCommandsAreRequestsAndBadOnesAreRefusedInPlace)
{
    RoomRig rig;
    rig.room.callbacks->OnDapiLive("Cy: /kick Bo\r\nESP from Cy: /ban Bo\r\n");
    for (const QString &typed : {u"/kick Bo spamming"_qs, u"/ban  host"_qs}) {
        rig.say()->setText(typed);
        QTest::keyClick(rig.say(), Qt::Key_Return);
    }
    ASSERT_EQ(rig.moderated.size(), 1u);
    EXPECT_EQ(rig.moderated[0], (ModRequest{ModAction::Kick, u"Bo"_qs, 0, u"spamming"_qs}));
    EXPECT_TRUE(rig.sent.empty());
    QStringList outcomes;
    for (QTextBlock b = rig.text()->document()->begin(); b.isValid(); b = b.next())
        outcomes << (b.userState() == frmRoom::OutcomeState ? u"> "_qs : QString()) + b.text();
    EXPECT_EQ(outcomes, QStringList({u"Cy: /kick Bo"_qs, u"ESP from Cy: /ban Bo"_qs,
                                     u"> \u00BB Host is the host, whom no one can ban."_qs}));
}
