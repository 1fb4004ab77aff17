#include "files/linereader.h"

#include "base/ansi.h"
#include "base/failure.h"

#include <QIODevice>

namespace {
constexpr qint64 ChunkSize = 64 * 1024;
}

LineReader::LineReader(QIODevice &device, qint64 maxFileBytes)
    : m_device(device), m_maxFileBytes(maxFileBytes)
{}

Failure LineReader::lineTooLong()
{
    return Failure(
        ErrOutOfMemory,
        QStringLiteral("Out of memory (a line longer than %1 characters)").arg(MaxLineBytes));
}

Failure LineReader::fileTooLarge(qint64 maxBytes)
{
    return Failure(ErrOutOfMemory,
                   QStringLiteral("Out of memory (a file larger than %1 bytes)").arg(maxBytes));
}

// Appends the next chunk; false at the end of the device.
bool LineReader::fill()
{
    if (m_eof)
        return false;
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + ChunkSize);
    const qint64 got = m_device.read(m_buffer.data() + old, ChunkSize);
    m_buffer.resize(old + qMax<qint64>(got, 0));
    if (got < 0)
        throw Failure(ErrDeviceIO);
    m_read += got;
    if (m_maxFileBytes >= 0 && m_read > m_maxFileBytes)
        throw fileTooLarge(m_maxFileBytes);
    if (got == 0)
        m_eof = true;
    return got > 0;
}

bool LineReader::atEnd()
{
    if (m_pos < m_buffer.size())
        return false;
    m_buffer.clear();
    m_pos = 0;
    return !fill();
}

QString LineReader::readLine()
{
    if (atEnd())
        throw Failure(ErrInputPastEnd);
    m_buffer.remove(0, m_pos);
    m_pos = 0;
    qsizetype i = 0;
    for (;;) {
        for (; i < m_buffer.size(); ++i) {
            const char c = m_buffer.at(i);
            if (c != '\r' && c != '\n')
                continue;
            if (i > MaxLineBytes)
                throw lineTooLong();
            qsizetype next = i + 1;
            if (c == '\r') {
                // The LF of a CR LF may still be in the device.
                if (next == m_buffer.size())
                    fill();
                if (next < m_buffer.size() && m_buffer.at(next) == '\n')
                    ++next;
            }
            m_pos = next;
            return Ansi::decode(m_buffer.left(i));
        }
        if (i > MaxLineBytes)
            throw lineTooLong();
        if (!fill()) {
            m_pos = m_buffer.size();
            return Ansi::decode(m_buffer);
        }
    }
}
