#pragma once

#include <QByteArray>

class QLocalSocket;

// Writes bytes to a connected local socket at once when nothing waits in
// its buffer, what the system does not take now being buffered as usual.
// Qt's own write arms and disarms the socket's write notifier for every
// frame, and each change wakes the event loop: twice a frame, on both sides
// of every request. Returns whether every byte was written or buffered.
bool writeAtOnce(QLocalSocket &socket, const QByteArray &bytes);
