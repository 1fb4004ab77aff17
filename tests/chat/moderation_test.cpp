#include "chat/moderation.h"

#include <QStringList>

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
