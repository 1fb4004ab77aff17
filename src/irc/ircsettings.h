#pragma once

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QString>

// How the host's chat client reaches its IRC network and speaks there.
struct IrcSettings
{
    QString host;
    quint16 port = 6667;
    bool tls = false;
    // Trusted besides the system's authorities.
    QList<QSslCertificate> caCertificates;
    // When set, the one certificate (its SHA-256 digest) the server must show.
    QByteArray pinnedSha256;
    QString channel;
    QByteArray channelKey; // the channel's key (+k), if it has one
    QString name;          // the host's avatar name; the nick comes from it
    QByteArray password;
    QByteArray saslUser;
    QByteArray saslPassword;
    // Pacing: burst lines at once, then one each interval.
    int burst = 5;
    int intervalMs = 2000;
    // A line of the host's that the server has neither taken nor refused
    // after this long no longer holds back the room. A server without
    // echo-message that meters commands (ircd-hybrid) answers the PING behind
    // a batch up to 2.3 s late; four times that spares the host warnings
    // about lines that were said, and a server that swallows a line still
    // holds the room back only a few seconds more.
    int confirmMs = 10000;
    // Out of the channel (the server lost, or kicked), the host's lines wait
    // this long for the client to be back; then they are given up and the
    // program is told they were not said.
    int holdMs = 30000;
    // Quiet this long, the server is pinged; no answer within answerMs (or
    // no first byte within it after connecting) means the link is dead.
    int idleMs = 90000;
    int answerMs = 60000;
    // The server's welcome must come this long after connecting.
    int loginMs = 60000;
    // Waits before reconnecting: from retryMinMs, doubling, up to retryMaxMs.
    int retryMinMs = 1000;
    int retryMaxMs = 60000;
    // Links in a row refused over the server's certificate before giving up.
    int certificateTries = 3;
    // Shows the game's word and pattern as the channel's topic.
    bool topic = false;
};
