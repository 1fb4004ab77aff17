#pragma once

#include <QString>

#include <exception>

// The classic error numbers, so every message box can name number and
// description exactly as the host's earlier tools did.
enum ErrorNumber : int
{
    ErrOverflow = 6,
    ErrOutOfMemory = 7,
    ErrSubscript = 9,
    ErrTypeMismatch = 13,
    ErrDiskFull = 61,
    ErrInputPastEnd = 62,
    ErrFileNotFound = 53,
    ErrDeviceIO = 57,
    ErrPermissionDenied = 70,
    ErrPathFileAccess = 75,
    ErrPathNotFound = 76,
    ErrDdeInit = 10001,
};

// A failure that stops the operation under way and travels to the routine
// that reports it.
class Failure : public std::exception
{
public:
    explicit Failure(int number);
    Failure(int number, QString description);

    int number() const { return m_number; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override;

    static QString describe(int number);

    // The two shapes in which the host is told about a file:
    // description, number, tail; or "Error = " number, description, tail;
    // the parts on lines of their own.
    QString report(const QString &tail) const;
    QString numberedReport(const QString &tail) const;
    // How a failure that no routine handles is told: "Run-time error",
    // number, ":", an empty line, the description.
    QString runTimeReport() const;

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};
