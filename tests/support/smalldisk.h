#pragma once

#include <QString>
#include <QTemporaryDir>

// A real folder that can be made full or made to refuse new files, for the
// tests of what the writers leave behind.
class SmallDisk
{
public:
    // A 64 KiB file system of its own when mounting is allowed (root);
    // otherwise "full" is a limit on file sizes of this process.
    SmallDisk();
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    QString folder() const { return m_dir.filePath(QStringLiteral("folder")); }
    QString path(const QString &name) const { return folder() + u'/' + name; }
    bool mounted() const { return m_mounted; }

    void fill();
    void drain();
    // No new file can be made in the folder, though its files stay writable;
    // root too is refused. False when the system offers no way to do so.
    bool lockFolder(bool locked);

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    bool m_full = false;
    bool m_locked = false;
};
