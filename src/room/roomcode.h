#pragma once

#include <QString>

// The address to open and its room code drawn as a QR code in a terminal,
// two rows of modules a line; empty when the text is too long for one.
QString terminalQrCode(const QString &text);
