#pragma once
// A temporary folder that is the process's working directory while the object lives: the
// settings files are opened by bare name there.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

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

} // namespace veska::catalogue::test
