#include "catalogue/settings/PriceMode.h"

#include "catalogue/settings/TextFile.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veska::catalogue {
namespace {

// Enough of the file to see whether its first line is exactly "2".
constexpr qsizetype kSavedModeByteLimit = 64;

// The three bytes of a saved mode.
struct ModeBytes {
    char bytes[3];
};

// Writes all three bytes; the errno of a failure, or 0.
int writeAll(int fd, const ModeBytes& mode) {
    qsizetype written = 0;
    while (written < 3) {
        const ssize_t count = ::write(fd, mode.bytes + written, static_cast<size_t>(3 - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count < 0 ? errno : ENOSPC;
        written += count;
    }
    return 0;
}

// Closes the descriptor and removes the unfinished file, then raises the error.
[[noreturn]] void abandon(int fd, const QByteArray& temporary, int error, const QString& path) {
    if (fd >= 0)
        ::close(fd);
    ::unlink(temporary.constData());
    raiseInOutError(error, path);
}

// Overwrites the file itself (creating it where it is missing): truncated, then the bytes.
void writeInPlace(const QByteArray& target, const ModeBytes& mode, const QString& path) {
    const int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        raiseInOutError(errno, path);
    int error = writeAll(fd, mode);
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        raiseInOutError(error, path);
}

// Makes a rename in the folder durable.
void syncFolderOf(const QByteArray& file) {
    const qsizetype slash = file.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? "/" : file.left(slash);
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace

QString priceColumn(PriceMode mode) {
    return mode == PriceMode::Retail ? QStringLiteral("preco_venda_lj")
                                     : QStringLiteral("preco_venda");
}

QString priceModeCaption(PriceMode mode, bool retailColumnExists) {
    if (mode == PriceMode::Retail)
        return QStringLiteral("Preço Varejo");
    return retailColumnExists ? QStringLiteral("Preço Atacado") : QStringLiteral("Preço Venda");
}

std::optional<PriceMode> readSavedPriceMode(const QString& path) {
    if (!isExistingFile(path))
        return std::nullopt;
    // Only the first bytes can decide; the rest of a long file is not read.
    TextFileReader file(path, kSavedModeByteLimit);
    return file.readLine() == u"2" ? PriceMode::Retail : PriceMode::Wholesale;
}

QString priceModeInUseLine(const QString& caption) {
    return QStringLiteral("%1 não pôde ser lido; preço em uso: %2.")
        .arg(priceModeFileName, caption);
}

void savePriceMode(PriceMode mode, const QString& path) {
    const ModeBytes bytes{{mode == PriceMode::Retail ? '2' : '1', '\r', '\n'}};
    QByteArray target = QFile::encodeName(path);
    struct stat link {};
    if (::lstat(target.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // The link stays; what it points to is written. A link to nothing yet is written
        // through, which makes the file it names.
        char resolved[PATH_MAX];
        if (::realpath(target.constData(), resolved) == nullptr) {
            if (errno != ENOENT)
                raiseInOutError(errno, path);
            writeInPlace(target, bytes, path);
            return;
        }
        target = resolved;
    }
    struct stat existing {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    mode_t permissions = 0644;
    if (exists) {
        if (S_ISDIR(existing.st_mode))
            raiseInOutError(EISDIR, path, QStringLiteral("é uma pasta"));
        // Replacing the file must not get round its protection.
        if (::access(target.constData(), W_OK) != 0)
            raiseInOutError(errno, path);
        permissions = existing.st_mode & 07777;
    }
    const QByteArray temporary = target + ".tmp";
    ::unlink(temporary.constData()); // left by a save that crashed, if any
    const int fd =
        ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        // The folder may not be written (or holds a leftover it may not remove): the
        // writable file itself is overwritten. Other failures, such as a full disk, leave
        // the old file as it is.
        const int error = errno;
        if (exists && (error == EACCES || error == EPERM || error == EEXIST)) {
            writeInPlace(target, bytes, path);
            return;
        }
        raiseInOutError(error, path);
    }
    if (const int error = writeAll(fd, bytes); error != 0)
        abandon(fd, temporary, error, path);
    if (::fchmod(fd, permissions) != 0 || ::fsync(fd) != 0)
        abandon(fd, temporary, errno, path);
    if (::close(fd) != 0)
        abandon(-1, temporary, errno, path);
    if (::rename(temporary.constData(), target.constData()) != 0)
        abandon(-1, temporary, errno, path);
    syncFolderOf(target);
}

} // namespace veska::catalogue
