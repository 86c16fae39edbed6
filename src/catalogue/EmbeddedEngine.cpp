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

#if defined(__SANITIZE_ADDRESS__)
// Address-sanitizer builds only. The Firebird client keeps some allocations until the
// process ends, and the engine unloads its modules (which have thread-local storage) with
// dlclose at shutdown, which makes the leak checker read stale thread-local entries and
// crash. These defaults apply to every program that uses the connection; ASAN_OPTIONS and
// LSAN_OPTIONS given at run time still add to them.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfbclient.so\nleak:libtommath.so\nleak:libEngine12.so\n";
}
#endif
