#include "catalogue/PriceMode.h"

#include "catalogue/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veska::catalogue {
namespace {

// Closes the descriptor and removes the unfinished file, then raises the error.
[[noreturn]] void abandon(int fd, const QByteArray& temporary, int error) {
    if (fd >= 0)
        ::close(fd);
    ::unlink(temporary.constData());
    raiseInOutError(error);
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
    TextFileReader file(path);
    return file.readLine() == u"2" ? PriceMode::Retail : PriceMode::Wholesale;
}

void savePriceMode(PriceMode mode, const QString& path) {
    const QByteArray target = QFile::encodeName(path);
    struct stat existing {};
    mode_t permissions = 0644;
    if (::stat(target.constData(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            raiseInOutError(EISDIR);
        // Replacing the file must not get round its protection.
        if (::access(target.constData(), W_OK) != 0)
            raiseInOutError(errno);
        permissions = existing.st_mode & 07777;
    }
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        raiseInOutError(errno);
    const char bytes[3] = {mode == PriceMode::Retail ? '2' : '1', '\r', '\n'};
    qsizetype written = 0;
    while (written < 3) {
        const ssize_t count = ::write(fd, bytes + written, static_cast<size_t>(3 - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            abandon(fd, temporary, count < 0 ? errno : ENOSPC);
        written += count;
    }
    if (::fchmod(fd, permissions) != 0 || ::fsync(fd) != 0)
        abandon(fd, temporary, errno);
    if (::close(fd) != 0)
        abandon(-1, temporary, errno);
    if (::rename(temporary.constData(), target.constData()) != 0)
        abandon(-1, temporary, errno);
    // Makes the rename itself durable.
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace veska::catalogue
