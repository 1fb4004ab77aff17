#include "chat/chatlink.h"
#include "chat/moderation.h"
#include "support/fakechat.h"
#include "support/scripteddialogs.h"

#include <gtest/gtest.h>

// What the host types, read as the window reads it: the request, or why not.
TEST(Moderation, CommandsAreReadAndBadInputRefused)
{
    QStringList got;
    for (const char *typed :
         {"/MUTE Ike Banjo 5", "/mute Bo", "/kick \"Ike Banjo\" spam it", "/unban Ike Banjo",
          "/bans", "hello", "/kickBo", "/kick", "/unban \"\"", "/mute Bo 0", "/mute Bo 1441",
          "/mute Bo -5", "/mute Bo 99999999999", "/bans Bo", "/ban B\x01o", "/kick Bo a\u2028b"}) {
        const auto p = parseModCommand(QString::fromUtf8(typed));
        const ModRequest &r = p ? p->request : ModRequest{};
        got << (!p                      ? u"-"_qs
                : !p->refusal.isEmpty() ? u"no"_qs
                                        : modActionWord(r.action) + u'|' + r.name + u'|' +
                                              QString::number(r.minutes) + u'|' + r.reason);
    }
    EXPECT_EQ(got.join(u' ').toStdString(),
              "mute|Ike Banjo|5| mute|Bo|10| kick|Ike Banjo|0|spam it "
              "unban|Ike Banjo|0| bans||0| - - no no no no no no no no no");
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
    link.Moderate(kick);
    link.Moderate({ModAction::Mute, u"Cy"_qs, 5, {}});
    EXPECT_EQ(wadapi.log.filter(u"M "_qs),
              QStringList({u"M kick Bo 0 flood"_qs, u"M mute Cy 5 "_qs}));
    wadapi.callbacks->OnDapiEvent("moderated", 0, "Bo was kicked.");
    wadapi.callbacks->OnDapiEvent("moderated", -1, "No one called Cy is in the room.");
    link.Moderate(kick);
    ASSERT_EQ(link.InitDDE(), 0);
    wadapi.callbacks->OnDapiEvent("moderated", 0, "late");
    EXPECT_EQ(got, QStringList({u"Bo done: Bo was kicked."_qs,
                                u"Cy refused: No one called Cy is in the room."_qs}))
        << "in order; the old link's request died with it";
    EXPECT_FALSE(link.moderationOffered()) << "each link offers anew";
}
