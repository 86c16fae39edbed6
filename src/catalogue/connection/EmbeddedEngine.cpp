#include "catalogue/connection/EmbeddedEngine.h"

#include "core/Errors.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace veska::catalogue {

void prepareEmbeddedEngine() {
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        return;
    const QString folder =
        QDir::tempPath() + QStringLiteral("/consulta_veska-firebird-%1").arg(getuid());
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), 0700); // an existing folder is fine
    qputenv("FIREBIRD_LOCK", path);
}

QString lockFolder() {
    const QString folder = qEnvironmentVariable("FIREBIRD_LOCK");
    return folder.isEmpty() ? QStringLiteral("/tmp/firebird") : folder;
}

bool isEmbeddedDatabase(const QByteArray& database) {
    if (database.startsWith('/') || database.startsWith('.'))
        return true;
    return !database.contains(':');
}

void requireLockFolderRoom() {
    const QString folder = lockFolder();
    struct statvfs room {};
    if (::statvfs(QFile::encodeName(folder).constData(), &room) != 0)
        return;
    const qint64 freeBytes = static_cast<qint64>(room.f_bavail) * room.f_frsize;
    if (freeBytes >= kLockFolderBytesNeeded)
        return;
    throw DatabaseError(
        QStringLiteral("Sem espaço para os arquivos de trava do banco de dados em %1: %2 KB "
                       "livres, são necessários %3 KB. Libere espaço nesse disco ou aponte "
                       "FIREBIRD_LOCK para uma pasta com espaço.")
            .arg(folder)
            .arg(freeBytes / 1024)
            .arg(kLockFolderBytesNeeded / 1024));
}

} // namespace veska::catalogue
