#include "catalogue/TextFile.h"

#include "core/CodePage.h"
#include "core/Errors.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veska::catalogue {

void raiseInOutError(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
        throw InOutError(2, QStringLiteral("File not found"));
    case ENOTDIR:
        throw InOutError(3, QStringLiteral("Path not found"));
    case EMFILE:
    case ENFILE:
        throw InOutError(4, QStringLiteral("Too many open files"));
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        throw InOutError(5, QStringLiteral("File access denied"));
    case ENOSPC:
    case EDQUOT:
        throw InOutError(101, QStringLiteral("Disk write error"));
    default:
        throw InOutError(errnoValue, QStringLiteral("I/O error %1: %2")
                                         .arg(errnoValue)
                                         .arg(QString::fromLocal8Bit(std::strerror(errnoValue))));
    }
}

bool isExistingFile(const QString& path) {
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    return !name.isEmpty() && ::stat(name.constData(), &info) == 0 && !S_ISDIR(info.st_mode);
}

TextFileReader::TextFileReader(const QString& path) : TextFileReader(path, -1) {}

TextFileReader::TextFileReader(const QString& path, qsizetype byteLimit) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        raiseInOutError(errno);
    // One byte past the limit tells whether the text goes on.
    const qsizetype wanted = byteLimit < 0 ? -1 : byteLimit + 1;
    char buffer[4096];
    while (wanted < 0 || text_.size() < wanted) {
        const auto room = wanted < 0 ? qsizetype(sizeof buffer)
                                     : std::min<qsizetype>(sizeof buffer, wanted - text_.size());
        const ssize_t count = ::read(fd, buffer, static_cast<size_t>(room));
        if (count < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            ::close(fd);
            raiseInOutError(error);
        }
        if (count == 0)
            break;
        text_.append(buffer, count);
    }
    ::close(fd);
    const qsizetype endOfText = text_.indexOf('\x1a');
    if (endOfText >= 0) {
        text_.truncate(endOfText);
    } else if (byteLimit >= 0 && text_.size() > byteLimit) {
        text_.truncate(byteLimit);
        cutShort_ = true;
    }
}

QString TextFileReader::readLine() {
    if (position_ >= text_.size())
        return {};
    qsizetype end = text_.indexOf('\n', position_);
    if (end < 0)
        end = text_.size();
    QByteArray line = text_.mid(position_, end - position_);
    position_ = end + 1;
    line.replace("\r", "");
    return codepage::toUnicode(line);
}

} // namespace veska::catalogue
