#pragma once
#include <QString>
#include <QTemporaryDir>

// A tiny file system of its own (tmpfs) for tests of a full disk. Needs root;
// isMounted() is false where mounting is not allowed.
class SmallDisk
{
public:
    explicit SmallDisk(int kilobytes = 64);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool isMounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    // Fills the disk up to its last bytes.
    void fill();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};
