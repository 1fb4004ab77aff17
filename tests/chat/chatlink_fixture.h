#pragma once

#include "support/fakechat.h"
#include "chat/chatlink.h"
#include "chat/waits.h"
#include "support/scripteddialogs.h"

#include <gtest/gtest.h>

class ChatLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        link.setAnswerLimit(std::chrono::milliseconds(30));
        ASSERT_EQ(link.InitDDE(), 0);
    }
    void TearDown() override { Waits::resetAbandoned(); }

    GameState game;
    ScriptedWadapi wadapi;
    FakeTicks ticks;
    ScriptedDialogs dialogs;
    QString app = QStringLiteral("orvella");
    ChatLink link{game, wadapi, ticks, dialogs, [this] { return app; }};
};
