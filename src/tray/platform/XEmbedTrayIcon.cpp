#include "tray/platform/XEmbedTrayIcon.h"

#include "tray/platform/XConnection.h"

#include <QMouseEvent>
#include <QPainter>

namespace veska::platform {
namespace {

// The freedesktop System Tray protocol's dock request, and XEmbed's "map me" flag.
constexpr uint32_t kSystemTrayRequestDock = 0;
constexpr uint32_t kXEmbedVersion = 0;
constexpr uint32_t kXEmbedMapped = 1;
constexpr uint32_t kXEmbedEmbeddedNotify = 0;
constexpr int kIconSize = 22;

} // namespace

// Not an override-redirect window: the tray learns that it is mapped from its map request.
XEmbedTrayIcon::XEmbedTrayIcon() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    // The program is never the active one while the pointer rests on its tray icon.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAutoFillBackground(true);
    // The tray gives the embedded window the minimum size of its size hints.
    setMinimumSize(kIconSize, kIconSize);
    resize(kIconSize, kIconSize);
}

bool XEmbedTrayIcon::Dock(uint32_t trayManager) {
    xcb_connection_t* connection = XConnection();
    if (connection == nullptr || trayManager == 0)
        return false;
    const auto window = static_cast<xcb_window_t>(winId());
    // The tray maps the embedded window when its XEmbed info asks for it.
    static const xcb_atom_t xembedInfo = InternAtom(connection, "_XEMBED_INFO");
    const uint32_t info[] = {kXEmbedVersion, kXEmbedMapped};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, xembedInfo, xembedInfo, 32, 2,
                        info);
    static const xcb_atom_t opcode = InternAtom(connection, "_NET_SYSTEM_TRAY_OPCODE");
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = trayManager;
    request.type = opcode;
    request.data.data32[0] = XCB_CURRENT_TIME;
    request.data.data32[1] = kSystemTrayRequestDock;
    request.data.data32[2] = window;
    xcb_send_event(connection, 0, trayManager, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(connection);
    dockedTo_ = trayManager;
    return true;
}

bool XEmbedTrayIcon::nativeEvent(const QByteArray& eventType, void* message, qintptr*) {
    if (dockedTo_ == 0 || isVisible() || eventType != "xcb_generic_event_t")
        return false;
    // The tray tells the window that it is embedded; Qt maps it then, and the widget, not
    // visible to Qt until now, is shown into it.
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    static const xcb_atom_t xembed = InternAtom(XConnection(), "_XEMBED");
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    if (client->type == xembed && client->data.data32[1] == kXEmbedEmbeddedNotify)
        QMetaObject::invokeMethod(this, &QWidget::show, Qt::QueuedConnection);
    return false;
}

void XEmbedTrayIcon::SetIcon(const QIcon& icon) {
    icon_ = icon;
    update();
}

void XEmbedTrayIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    icon_.paint(&painter, rect());
}

void XEmbedTrayIcon::mousePressEvent(QMouseEvent* event) {
    switch (event->button()) {
    case Qt::LeftButton:
        Q_EMIT Activated(QSystemTrayIcon::Trigger);
        break;
    case Qt::RightButton:
        Q_EMIT Activated(QSystemTrayIcon::Context);
        break;
    case Qt::MiddleButton:
        Q_EMIT Activated(QSystemTrayIcon::MiddleClick);
        break;
    default:
        break;
    }
}

void XEmbedTrayIcon::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Q_EMIT Activated(QSystemTrayIcon::DoubleClick);
}

} // namespace veska::platform
