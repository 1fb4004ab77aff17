#pragma once

#include <QByteArray>
#include <QStringList>

#include <string>
#include <vector>

// Chat as the client hands it over, in Windows-1252: room lines, private
// messages (registrations among them), the host's echoes, gestures and
// 8-bit characters, lines joined by CR LF. The same seed gives the same
// bytes; the title's echo stands near the end.
QByteArray generatedChat(qsizetype bytes, unsigned seed = 1);

// The avatar names the generator uses; the first is the host.
QStringList generatedNames();

// The baseline every chat path is measured beside: a plain memchr split of
// the bytes into separate strings, a line's CR LF or LF dropped.
std::vector<std::string> plainSplit(const QByteArray &bytes);
