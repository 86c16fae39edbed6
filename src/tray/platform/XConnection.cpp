#include "tray/platform/XConnection.h"

#include <QGuiApplication>

namespace veska::platform {

xcb_connection_t* XConnection() {
    auto* x11 = qGuiApp == nullptr ? nullptr
                                   : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 == nullptr ? nullptr : x11->connection();
}

} // namespace veska::platform
