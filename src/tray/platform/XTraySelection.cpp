#include "tray/platform/XTraySelection.h"

#include "tray/platform/XConnection.h"

#include <QByteArray>
#include <cstdlib>
#include <memory>

namespace veska::platform {
namespace {

// The screen that DISPLAY names (":0.1" is screen 1); Qt opens its connection on it.
int displayScreen() {
    int screen = 0;
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
        return 0;
    free(host);
    return screen;
}

xcb_atom_t traySelection(xcb_connection_t* connection) {
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(displayScreen());
    return InternAtom(connection, name.constData());
}

} // namespace

uint32_t XEmbedTrayOwner() {
    xcb_connection_t* connection = XConnection();
    if (connection == nullptr)
        return 0;
    static const xcb_atom_t selection = traySelection(connection);
    if (selection == XCB_ATOM_NONE)
        return 0;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> reply(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection),
                                      nullptr),
        &free);
    return reply ? reply->owner : 0;
}

} // namespace veska::platform
