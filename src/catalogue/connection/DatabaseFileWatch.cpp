#include "catalogue/connection/DatabaseFileWatch.h"

#include <QFile>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veska::catalogue {
namespace {

// The header page of the on-disk structure of Firebird 3 (ODS 12), little-endian.
constexpr std::size_t kHeaderBytes = 64;
constexpr int kPageTypeHeader = 1;
constexpr std::size_t kGenerationAt = 4;
constexpr std::size_t kNextTransactionAt = 36;
constexpr std::size_t kCreationAt = 44;
constexpr std::size_t kCreationBytes = 8;

std::uint32_t wordAt(const char* bytes, std::size_t at) {
    std::uint32_t word = 0;
    std::memcpy(&word, bytes + at, sizeof word);
    return word;
}

} // namespace

void DatabaseFileWatch::watch(const QString& file) {
    file_ = file;
    look_ = file.isEmpty() ? std::nullopt : look(file);
    header_ = look_ ? readHeader(file) : std::nullopt;
}

std::optional<DatabaseFileWatch::Look> DatabaseFileWatch::look(const QString& file) {
    struct stat info {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return std::nullopt;
    return Look{info.st_dev, info.st_ino, info.st_size,
                static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec};
}

std::optional<DatabaseFileWatch::Header> DatabaseFileWatch::readHeader(const QString& file) {
    // Without blocking: the path may have become anything meanwhile.
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char bytes[kHeaderBytes];
    struct stat info {};
    const bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                      ::pread(fd, bytes, sizeof bytes, 0) == static_cast<ssize_t>(sizeof bytes);
    ::close(fd);
    if (!read || bytes[0] != kPageTypeHeader)
        return std::nullopt;
    return Header{wordAt(bytes, kGenerationAt), wordAt(bytes, kNextTransactionAt),
                  QByteArray(bytes + kCreationAt, kCreationBytes)};
}

bool DatabaseFileWatch::replaced() {
    if (!look_)
        return false;
    const std::optional<Look> now = look(file_);
    if (!now)
        return false; // gone for now: the engine still has its file
    if (now->device != look_->device || now->inode != look_->inode)
        return true;
    if (now->size == look_->size && now->changedNs == look_->changedNs)
        return false;
    const std::optional<Header> header = readHeader(file_);
    if (!header || !header_)
        return header_.has_value(); // no header now (a copy under way), where one was
    if (header->creation != header_->creation || header->generation < header_->generation ||
        header->nextTransaction < header_->nextTransaction)
        return true;
    look_ = now;
    header_ = header;
    return false;
}

} // namespace veska::catalogue
