#include "base/failure.h"

Failure::Failure(int number) : Failure(number, describe(number)) {}

Failure::Failure(int number, QString description)
    : m_number(number), m_description(std::move(description)),
      m_what(QString(QString::number(number) + QStringLiteral(": ") + m_description).toUtf8())
{}

const char *Failure::what() const noexcept
{
    return m_what.constData();
}

QString Failure::report(const QString &tail) const
{
    return m_description + QStringLiteral("\r\n") + QString::number(m_number) +
           QStringLiteral("\r\n") + tail;
}

QString Failure::numberedReport(const QString &tail) const
{
    return QStringLiteral("Error = ") + QString::number(m_number) + QStringLiteral("\r\n") +
           m_description + QStringLiteral("\r\n") + tail;
}

QString Failure::runTimeReport() const
{
    return QStringLiteral("Run-time error %1:\r\n\r\n%2").arg(m_number).arg(m_description);
}

QString Failure::describe(int number)
{
    switch (number) {
    case ErrOverflow:
        return QStringLiteral("Overflow");
    case ErrOutOfMemory:
        return QStringLiteral("Out of memory");
    case ErrSubscript:
        return QStringLiteral("Subscript out of range");
    case ErrTypeMismatch:
        return QStringLiteral("Type mismatch");
    case ErrDiskFull:
        return QStringLiteral("Disk full");
    case ErrInputPastEnd:
        return QStringLiteral("Input past end of file");
    case ErrFileNotFound:
        return QStringLiteral("File not found");
    case ErrDeviceIO:
        return QStringLiteral("Device I/O error");
    case ErrPermissionDenied:
        return QStringLiteral("Permission denied");
    case ErrPathFileAccess:
        return QStringLiteral("Path/File access error");
    case ErrPathNotFound:
        return QStringLiteral("Path not found");
    case ErrDdeInit:
        return QStringLiteral("Failed to initialize DDE layer");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}
