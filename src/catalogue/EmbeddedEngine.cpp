#include "catalogue/EmbeddedEngine.h"

#include <QDir>
#include <QString>
#include <cstdlib>
#include <sys/stat.h>
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

} // namespace veska::catalogue
