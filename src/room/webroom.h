#pragma once

#include "room/pagesocket.h"
#include "room/webfront.h"
#include "room/webpeople.h"

#include <QStringList>

#include <memory>

class ChatRoom;
class WadapiServer;

// The room's web page as orvella-room's options ask for it.
struct WebOptions
{
    QString listen; // [ADDRESS:]PORT
    QString code;   // empty: a new one
    QString cert;
    QString key;
    QStringList trustProxies; // addresses whose forwarded headers name the client
    QStringList origins;      // public origins a proxy serves the page under
};

struct WebRoom
{
    WebFront front;
    WebPeople people;

    WebRoom(ChatRoom &room, const QString &code) : people(room, code)
    {
        QObject::connect(&front, &WebFront::personArrived, &people, &WebPeople::take);
    }
    // Takes what the program tells the room's clients: the host's private
    // messages, the registration character, the game's status.
    void follow(WadapiServer &server);
    // Where a browser opens the page, the code in its fragment.
    QString url() const;
    // What the console prints at start: the address to open (the code in
    // it), the code, the QR code of the address.
    QStringList banner() const;
};

// The web room listening as options say, or null with *error said.
std::unique_ptr<WebRoom> openWebRoom(ChatRoom &room, const WebOptions &options, QString *error);
