#include "terminal/LibraryVersion.h"

#include "terminal/LibraryText.h"

namespace veska::terminal {

void initializeLibraryAndLogVersion(const TermServerApi& api, ActivityLog& log) {
    api.vInitialize();
    const QString version = libraryText(api.dll_version());
    log.appendLine(QStringLiteral("Versão da DLL: ") + version);
}

} // namespace veska::terminal
