#pragma once
// A temporary folder that is the process's working directory while the object lives: the
// settings files are opened by bare name there.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <string>
#include <sys/mount.h>

namespace veska::catalogue::test {

class WorkingFolder {
public:
    WorkingFolder() : previous_(QDir::currentPath()) { QDir::setCurrent(folder_.path()); }
    ~WorkingFolder() { QDir::setCurrent(previous_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    QString path() const { return folder_.path(); }
    QString filePath(const QString& name) const { return QDir(folder_.path()).filePath(name); }

    void write(const QString& name, const QByteArray& bytes) const {
        QFile file(filePath(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }
    QByteArray read(const QString& name) const {
        QFile file(filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    void makeFolder(const QString& name) const { QDir(folder_.path()).mkpath(name); }

private:
    QTemporaryDir folder_;
    QString previous_;
};

// A small file system (64 kB unless told) mounted on a folder (made where missing) for as long as
// the object lives: a disk that fills at once. Mounting needs root; mounted() says whether it
// worked.
class SmallDisk {
public:
    // flags: MS_RDONLY mounts a disk that may not be written at all.
    explicit SmallDisk(const QString& folder, const char* size = "64k", unsigned long flags = 0)
        : path_(QFile::encodeName(folder)) {
        QDir().mkpath(folder);
        mounted_ = ::mount("tmpfs", path_.constData(), "tmpfs", flags,
                           (std::string("size=") + size).c_str()) == 0;
        error_ = mounted_ ? 0 : errno;
    }
    // Gives the disk another size, keeping its files: room again for a full disk.
    bool resize(const char* size) {
        return ::mount("tmpfs", path_.constData(), "tmpfs", MS_REMOUNT,
                       (std::string("size=") + size).c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(path_.constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    std::string whyNot() const {
        return "mounting a tmpfs is not permitted here: " + std::string(std::strerror(error_));
    }

private:
    QByteArray path_;
    bool mounted_ = false;
    int error_ = 0;
};

} // namespace veska::catalogue::test
