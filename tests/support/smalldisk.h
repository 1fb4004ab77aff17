#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <optional>

#include <sys/resource.h>

// A real folder that can be made full, or made to refuse new files while its
// files stay writable. Full is a file system of its own (64 KiB unless told)
// where mounting is allowed (root), else a limit on the sizes of this
// process's files.
class SmallDisk
{
public:
    explicit SmallDisk(int kib = 64);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    QString folder() const { return m_root.filePath(QStringLiteral("folder")); }
    QString path(const QString &name) const { return folder() + u'/' + name; }
    void setFull(bool full);
    // Root is refused too. False when the system offers no way to do it.
    bool lockFolder(bool locked);
    // Runs body as a user that file modes bind: this process unless it is
    // root, else a child switched to "nobody", who is given the folder and
    // its files first, as the host owns his. What body returned, or nothing
    // when there is no such user here.
    std::optional<QString> asPlainUser(const std::function<QString()> &body);

private:
    QTemporaryDir m_root; // the folder, and a filler beside it
    bool m_mounted = false, m_full = false, m_locked = false;
    rlimit m_limit{};
};
