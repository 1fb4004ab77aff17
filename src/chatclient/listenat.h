#pragma once

#include <QString>

class QLocalServer;

// Listens at path. A socket file left behind by a server that is gone is
// replaced; a server still listening there, or a path that is not a
// socket, is left alone and the call fails with *error said. A missing
// folder is made for this user alone, as the default one must be.
bool listenAt(QLocalServer &server, const QString &path, QString *error);
