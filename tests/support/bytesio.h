#pragma once

#include "base/failure.h"

#include <QBuffer>
#include <QFile>

#include <functional>

// Bytes to read from, as a device.
class BytesIn final : public QBuffer
{
public:
    explicit BytesIn(const QByteArray &bytes)
    {
        setData(bytes);
        open(QIODevice::ReadOnly);
    }
};

// What write puts out.
inline QByteArray writtenBy(const std::function<void(QIODevice &)> &write)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    write(out);
    return out.data();
}

// A file's bytes; a file that cannot be read has none.
inline QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The number of the failure run throws, or 0.
inline int failureOf(const std::function<void()> &run)
{
    try {
        run();
    } catch (const Failure &f) {
        return f.number();
    }
    return 0;
}
