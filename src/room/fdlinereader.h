#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// Reads UTF-8 lines from a file descriptor (standard input: a terminal or a
// pipe) as they come, without blocking the event loop. A line ends at LF; a
// CR in front of it is dropped. A line longer than MaxLineLength bytes is
// cut there.
class FdLineReader final : public QObject
{
    Q_OBJECT

public:
    explicit FdLineReader(int fd, QObject *parent = nullptr);

    static constexpr qsizetype MaxLineLength = 64 * 1024;

signals:
    void lineRead(const QString &line);
    // End of input (or a read error); no more lines follow.
    void finished();

private:
    void readSome();
    void emitLine(QByteArray line);

    int m_fd;
    QSocketNotifier *m_notifier;
    QByteArray m_partial;
    bool m_cutting = false;
};
