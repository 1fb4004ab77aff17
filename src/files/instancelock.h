#pragma once

#include "files/fileio.h"

#include <QString>

#include <optional>

// The lock that keeps a second copy of the program from running: a lock on
// an open file that the system lets go when the process ends however it
// ends, so no lock is ever left over by a crash. The file itself stays.
class InstanceLock
{
public:
    enum class State
    {
        Held,
        HeldByAnother, // a live copy holds it
        Failed,        // the file could not be made or locked: failure() says why
    };

    // Tries once, at once.
    explicit InstanceLock(const QString &path);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    State state() const { return m_state; }
    const std::optional<FileFailure> &failure() const { return m_failure; }

private:
    int m_fd = -1;
    State m_state = State::Failed;
    std::optional<FileFailure> m_failure;
};
