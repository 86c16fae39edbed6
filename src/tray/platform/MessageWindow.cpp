#include "tray/platform/MessageWindow.h"

#include <QCoreApplication>
#include <QString>
#include <map>
#include <memory>

namespace veska::platform {
namespace {

std::map<uint32_t, std::shared_ptr<WindowProcedure>>& windows() {
    // Never destroyed: the module-shutdown steps of the components still reach it.
    static auto* table = new std::map<uint32_t, std::shared_ptr<WindowProcedure>>;
    return *table;
}

uint32_t nextHandle = 0x10000;

} // namespace

uint32_t CreateMessageWindow(WindowProcedure procedure) {
    const uint32_t handle = nextHandle++;
    windows().emplace(handle, std::make_shared<WindowProcedure>(std::move(procedure)));
    return handle;
}

void DestroyMessageWindow(uint32_t window) {
    windows().erase(window);
}

bool IsWindow(uint32_t window) {
    return windows().count(window) != 0;
}

intptr_t SendMessageW(uint32_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    const auto found = windows().find(window);
    if (found == windows().end())
        return 0;
    // Keep the procedure alive even if it destroys its own window while it runs.
    const std::shared_ptr<WindowProcedure> procedure = found->second;
    TMessage msg{message, wParam, lParam, 0};
    (*procedure)(msg);
    return msg.Result;
}

void PostMessageW(uint32_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [window, message, wParam, lParam] { SendMessageW(window, message, wParam, lParam); },
        Qt::QueuedConnection);
}

intptr_t DefWindowProcW(uint32_t, uint32_t, uintptr_t, intptr_t) {
    return 0;
}

uint32_t RegisterWindowMessageW(QStringView name) {
    static std::map<QString, uint32_t> registered;
    const auto [it, added] =
        registered.try_emplace(name.toString(), 0xC000 + static_cast<uint32_t>(registered.size()));
    return it->second;
}

} // namespace veska::platform
