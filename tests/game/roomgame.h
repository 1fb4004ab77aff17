#pragma once

#include "chat/socketwadapi.h"
#include "game/gamefixture.h"
#include "support/roomprocess.h"

// A game in the main window against the stand-in chat client in a child
// process, over the real socket; the host is Ann Lee.
class RoomGame : public ::testing::Test, protected GameSession
{
protected:
    RoomProcess client;
    std::unique_ptr<SocketWadapi> wadapi;

    void SetUp() override
    {
        ASSERT_TRUE(client.start(path(u"wadapi.sock"_qs), {u"--host"_qs, u"Ann Lee"_qs}));
        wadapi = std::make_unique<SocketWadapi>(path(u"wadapi.sock"_qs));
        chat = wadapi.get();
    }
    bool heard(const QString &line) { return client.waitForLine(u"Ann Lee: "_qs + line); }
};
