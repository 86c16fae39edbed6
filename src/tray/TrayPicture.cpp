#include "tray/TrayPicture.h"

#include <QString>

// Resources of a static library are registered only when referenced.
static void initTrayResources() {
    Q_INIT_RESOURCE(tray);
}

namespace veska {

QIcon TerminalTrayPicture() {
    static const bool registered = (initTrayResources(), true);
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/tray/terminal-32.png"));
}

} // namespace veska
