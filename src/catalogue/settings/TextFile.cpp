#include "catalogue/settings/TextFile.h"

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

namespace {

struct ClassicError {
    int code;
    QString text;
};

ClassicError classicError(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
        return {2, QStringLiteral("File not found")};
    case ENOTDIR:
        return {3, QStringLiteral("Path not found")};
    case EMFILE:
    case ENFILE:
        return {4, QStringLiteral("Too many open files")};
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return {5, QStringLiteral("File access denied")};
    case ENOSPC:
    case EDQUOT:
        return {101, QStringLiteral("Disk write error")};
    default:
        return {errnoValue, QStringLiteral("I/O error %1: %2")
                                .arg(errnoValue)
                                .arg(QString::fromLocal8Bit(std::strerror(errnoValue)))};
    }
}

} // namespace

void raiseInOutError(int errnoValue, const QString& fileName, const QString& reason) {
    const ClassicError classic = classicError(errnoValue);
    throw InOutError(classic.code, classic.text, fileName, reason);
}

bool isExistingFile(const QString& path) {
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    return !name.isEmpty() && ::stat(name.constData(), &info) == 0 && !S_ISDIR(info.st_mode);
}

FileStart readFileStart(const QString& path, qsizetype byteLimit) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        raiseInOutError(errno, path);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        raiseInOutError(error, path);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        if (S_ISDIR(info.st_mode))
            raiseInOutError(EISDIR, path, QStringLiteral("é uma pasta"));
        raiseInOutError(EACCES, path, QStringLiteral("não é um arquivo comum"));
    }
    // One byte past the limit tells whether the text goes on; the size is not trusted, the
    // file may change while it is read.
    FileStart start;
    char buffer[4096];
    while (start.bytes.size() <= byteLimit) {
        const auto room = std::min<qsizetype>(sizeof buffer, byteLimit + 1 - start.bytes.size());
        const ssize_t count = ::read(fd, buffer, static_cast<size_t>(room));
        if (count < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            ::close(fd);
            raiseInOutError(error, path);
        }
        if (count == 0)
            break;
        start.bytes.append(buffer, count);
    }
    ::close(fd);
    if (start.bytes.size() > byteLimit) {
        start.bytes.truncate(byteLimit);
        start.cutShort = true;
    }
    return start;
}

void raiseFileTooLarge(const QString& path, qsizetype byteLimit) {
    raiseInOutError(EFBIG, path, QStringLiteral("maior que %1 KB").arg(byteLimit / 1024));
}

QString errorWithReason(const InOutError& error) {
    if (error.reason().isEmpty())
        return error.text();
    return QStringLiteral("%1 (%2)").arg(error.text(), error.reason());
}

QString fileErrorLine(const InOutError& error) {
    return QStringLiteral("Erro no arquivo %1: %2.").arg(error.fileName(), errorWithReason(error));
}

TextFileReader::TextFileReader(const QString& path, qsizetype byteLimit) {
    FileStart start = readFileStart(path, byteLimit);
    text_ = std::move(start.bytes);
    const qsizetype endOfText = text_.indexOf('\x1a');
    if (endOfText >= 0)
        text_.truncate(endOfText);
    else
        cutShort_ = start.cutShort;
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
