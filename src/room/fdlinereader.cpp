#include "room/fdlinereader.h"

#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

FdLineReader::FdLineReader(int fd, QObject *parent)
    : QObject(parent), m_fd(fd), m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &FdLineReader::readSome);
}

void FdLineReader::readSome()
{
    char buf[4096];
    const ssize_t n = ::read(m_fd, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        // Without this the notifier would report the end for ever.
        m_notifier->setEnabled(false);
        if (!m_partial.isEmpty())
            emitLine(std::exchange(m_partial, {}));
        emit finished();
        return;
    }
    QByteArrayView data(buf, n);
    while (!data.isEmpty()) {
        const qsizetype lf = data.indexOf('\n');
        const QByteArrayView piece = lf < 0 ? data : data.first(lf);
        if (!m_cutting) {
            m_partial.append(piece.first(std::min(piece.size(), MaxLineLength - m_partial.size())));
            m_cutting = m_partial.size() >= MaxLineLength;
        }
        if (lf < 0)
            break;
        m_cutting = false;
        emitLine(std::exchange(m_partial, {}));
        data = data.sliced(lf + 1);
    }
}

void FdLineReader::emitLine(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    emit lineRead(QString::fromUtf8(line));
}
