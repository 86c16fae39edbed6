#include "tray/platform/NotifyIcon.h"

#include "tray/platform/MessageWindow.h"
#include "tray/platform/QtNotifyIconBackend.h"

#include <QCoreApplication>
#include <memory>

namespace veska::platform {
namespace {

NotifyIconBackend* installed = nullptr;

NotifyIconBackend& desktopBackend() {
    static std::unique_ptr<QtNotifyIconBackend> backend;
    if (!backend) {
        backend = std::make_unique<QtNotifyIconBackend>();
        // Its tray icons must go before the application object does.
        qAddPostRoutine([] { backend.reset(); });
    }
    return *backend;
}

NotifyIconBackend& current() {
    return installed != nullptr ? *installed : desktopBackend();
}

} // namespace

int Shell_NotifyIconW(uint32_t message, const TNotifyIconDataEx& data) {
    return current().Notify(message, data) ? 1 : 0;
}

bool NotificationAreaAvailable() {
    return current().NotificationAreaAvailable();
}

void SetNotifyIconMenu(uint32_t hWnd, uint32_t uID, QMenu* menu) {
    current().SetMenu(hWnd, uID, menu);
}

void SetNotifyIconBackend(NotifyIconBackend* backend) {
    installed = backend;
}

uint32_t TaskbarCreatedMessage() {
    static const uint32_t number = RegisterWindowMessageW(u"TaskbarCreated");
    return number;
}

} // namespace veska::platform
