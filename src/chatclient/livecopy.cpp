#include "chatclient/livecopy.h"

#include "base/ansi.h"

namespace {

// Room for the line that says how many were left out, whatever the count.
constexpr qsizetype DroppedRoom = 48;

} // namespace

void LiveCopy::add(const QString &line)
{
    QByteArray bytes = Ansi::encode(line);
    bytes += "\r\n";
    m_bytes += bytes.size();
    m_lines.push_back(std::move(bytes));
    // A room line is far shorter than the bound, so the newest always stays.
    while (m_bytes > MaxPending - DroppedRoom && m_lines.size() > 1) {
        m_bytes -= m_lines.front().size();
        m_lines.pop_front();
        ++m_dropped;
    }
}

QByteArray LiveCopy::take()
{
    QByteArray piece;
    if (m_dropped > 0) {
        piece = droppedLine();
        m_dropped = 0;
    }
    while (!m_lines.empty() && piece.size() + m_lines.front().size() <= MaxPiece) {
        piece += m_lines.front();
        m_bytes -= m_lines.front().size();
        m_lines.pop_front();
    }
    return piece;
}

qsizetype LiveCopy::bytes() const
{
    return m_bytes + (m_dropped > 0 ? droppedLine().size() : 0);
}

void LiveCopy::clear()
{
    m_lines.clear();
    m_bytes = 0;
    m_dropped = 0;
}

QByteArray LiveCopy::droppedLine() const
{
    return (m_dropped == 1 ? QByteArray("(1 line not shown)")
                           : "(" + QByteArray::number(m_dropped) + " lines not shown)") +
           "\r\n";
}
