#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>

namespace Forwarded {

// The client behind peer: peer itself unless it is a trusted proxy, then the
// right-most address its X-Forwarded-For (or Forwarded) header names that is
// not itself a trusted proxy.
QHostAddress clientAddress(const QHostAddress &peer, const QList<QByteArray> &headerLines,
                           const QList<QHostAddress> &trusted);

} // namespace Forwarded
