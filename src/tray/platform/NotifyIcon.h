#pragma once
// The notification-area call. Shell_NotifyIconW adds, modifies or removes the icon named by
// (hWnd, uID) of the record and returns non-zero on success; the icon's mouse and balloon
// events come back as the record's callback message (0x800, WParam = uID, LParam = event)
// sent to the hidden window hWnd. The backend behind it is replaceable: the desktop's one
// (QtNotifyIconBackend) by default, a recording one in tests. The menu goes beside the record:
// a notification area that draws menus itself (a StatusNotifierItem host) is given a copy.

#include "tray/TNotifyIconDataEx.h"

#include <QStringView>
#include <cstdint>

class QMenu;

namespace veska::platform {

class NotifyIconBackend {
public:
    virtual ~NotifyIconBackend() = default;
    // NIM_ADD, NIM_MODIFY, NIM_DELETE or NIM_SETVERSION; false when refused.
    virtual bool Notify(uint32_t message, const TNotifyIconDataEx& data) = 0;
    // Whether the desktop has a notification area now; never waits on the desktop.
    virtual bool NotificationAreaAvailable() const = 0;
    // The icon's menu (not owned; nullptr for none), for notification areas that show the
    // menu themselves.
    virtual void SetMenu(uint32_t /*hWnd*/, uint32_t /*uID*/, QMenu* /*menu*/) {}
};

int Shell_NotifyIconW(uint32_t message, const TNotifyIconDataEx& data);
bool NotificationAreaAvailable();
void SetNotifyIconMenu(uint32_t hWnd, uint32_t uID, QMenu* menu);

// Not owned; nullptr goes back to the desktop's backend.
void SetNotifyIconBackend(NotifyIconBackend* backend);

// The message that announces a new notification area ("TaskbarCreated"), sent to the
// application window's hooks when one appears or reappears.
uint32_t TaskbarCreatedMessage();

} // namespace veska::platform
