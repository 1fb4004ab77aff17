#include "chat/chatlink.h"
#include "chat/moderation.h"
#include "support/fakechat.h"
#include "support/scripteddialogs.h"

#include <gtest/gtest.h>

// What the host types, read as the window reads it: the request, or why not.
TEST(Moderation, CommandsAreReadAndBadInputRefused)
{
    const auto read = [](const char *typed) {
        const auto p = parseModCommand(QString::fromUtf8(typed));
        return p && p->refusal.isEmpty() ? p->request : ModRequest{ModAction::Bans, {}, -9, {}};
    };
    EXPECT_EQ(read("/MUTE Ike Banjo 5"), (ModRequest{ModAction::Mute, u"Ike Banjo"_qs, 5, {}}));
    EXPECT_EQ(read("/mute Bo").minutes, 10);
    EXPECT_EQ(read("/kick \"Ike Banjo\" spam and flood"),
              (ModRequest{ModAction::Kick, u"Ike Banjo"_qs, 0, u"spam and flood"_qs}));
    EXPECT_EQ(read("/unban Ike Banjo").name, u"Ike Banjo"_qs);
    EXPECT_EQ(read("/bans").minutes, 0);
    for (const char *other : {"hello", "/msg Bo hi", "/kickBo"})
        EXPECT_FALSE(parseModCommand(QString::fromUtf8(other))) << other;
    for (const char *bad : {"/kick", "/unban \"\"", "/mute Bo 0", "/mute Bo 1441", "/mute Bo -5",
                            "/mute Bo 99999999999", "/bans Bo", "/ban B\x01o", "/kick Bo a\u2028b"})
        EXPECT_EQ(read(bad).minutes, -9) << bad;
    EXPECT_FALSE(modRefusal({ModAction::Ban, u"Bo"_qs, 0, QString(201, u'x')}, {}).isEmpty());
    EXPECT_EQ(modRefusal({ModAction::Kick, u" ann   LEE"_qs, 0, {}}, u"Ann Lee"_qs),
              u"Ann Lee is the host, whom no one can kick."_qs);
}

// Only a client that offered is sent a request; its outcomes meet their
// requests in order, and a new link owes nothing of the old one's.
TEST(Moderation, TheLinkSendsOnlyWhenOfferedAndMatchesOutcomesInOrder)
{
    ScriptedWadapi wadapi;
    FakeTicks ticks;
    ScriptedDialogs dialogs;
    ChatLink link(wadapi, ticks, dialogs, [] { return u"orvella"_qs; });
    ASSERT_EQ(link.InitDDE(), 0);
    QStringList got;
    link.setModerationHook([&](const ModRequest &r, bool done, const QString &words) {
        got << r.name + (done ? u" done: "_qs : u" refused: "_qs) + words;
    });
    const ModRequest kick{ModAction::Kick, u"Bo"_qs, 0, u"flood"_qs};
    EXPECT_EQ(link.Moderate(kick), u"This chat client cannot moderate."_qs);
    wadapi.callbacks->OnDapiEvent("moderated", 0, "unasked");
    wadapi.callbacks->OnDapiEvent("moderate", 0, {});
    EXPECT_TRUE(link.Moderate(kick).isEmpty());
    EXPECT_TRUE(link.Moderate({ModAction::Mute, u"Cy"_qs, 5, {}}).isEmpty());
    EXPECT_EQ(wadapi.log.filter(u"M "_qs),
              QStringList({u"M kick Bo 0 flood"_qs, u"M mute Cy 5 "_qs}));
    wadapi.callbacks->OnDapiEvent("moderated", 0, "Bo was kicked.");
    wadapi.callbacks->OnDapiEvent("moderated", -1, "No one called Cy is in the room.");
    EXPECT_EQ(got, QStringList({u"Bo done: Bo was kicked."_qs,
                                u"Cy refused: No one called Cy is in the room."_qs}));

    EXPECT_TRUE(link.Moderate(kick).isEmpty());
    ASSERT_EQ(link.InitDDE(), 0);
    EXPECT_FALSE(link.moderationOffered()) << "each link offers anew";
    wadapi.callbacks->OnDapiEvent("moderate", 0, {});
    wadapi.callbacks->OnDapiEvent("moderated", 0, "late");
    EXPECT_EQ(got.size(), 2) << "the old link's request died with it";
    for (std::size_t i = 0; i < ChatLink::MaxModPending; ++i)
        link.Moderate(kick);
    EXPECT_FALSE(link.Moderate(kick).isEmpty()) << "a silent client holds a bounded queue";
}
