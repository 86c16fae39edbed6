#include "tray/TTrayIconHandler.h"

#include "tray/TNotifyTrayIcon.h"
#include "tray/platform/MessageWindow.h"

#include <unordered_map>

namespace veska {
namespace {

TTrayIconHandler* TrayHandler = nullptr;

std::unordered_map<uint32_t, TNotifyTrayIcon*>& liveInstances() {
    // Never destroyed: instances that outlive the module still unregister.
    static auto* instances = new std::unordered_map<uint32_t, TNotifyTrayIcon*>;
    return *instances;
}

uint32_t nextIconId = 1;

struct ModuleShutdown {
    ~ModuleShutdown() {
        delete TrayHandler;
        TrayHandler = nullptr;
    }
} moduleShutdown;

} // namespace

TTrayIconHandler::TTrayIconHandler() {
    FHandle =
        platform::CreateMessageWindow([this](TMessage& message) { HandleIconMessage(message); });
}

TTrayIconHandler::~TTrayIconHandler() {
    platform::DestroyMessageWindow(FHandle);
}

TTrayIconHandler* TTrayIconHandler::Instance() {
    return TrayHandler;
}

void TTrayIconHandler::AcquireTrayHandler() {
    if (TrayHandler == nullptr)
        TrayHandler = new TTrayIconHandler;
    TrayHandler->Add();
}

void TTrayIconHandler::ReleaseTrayHandler() {
    if (TrayHandler == nullptr)
        return;
    TrayHandler->Remove();
    if (TrayHandler->RefCount == 0) {
        delete TrayHandler;
        TrayHandler = nullptr;
    }
}

void TTrayIconHandler::Remove() {
    if (RefCount > 0)
        --RefCount;
}

void TTrayIconHandler::HandleIconMessage(TMessage& message) {
    switch (message.Msg) {
    case msg::WM_TRAYICON:
        // The instance may destroy the last icon, and with it this handler, while it
        // handles the message: nothing here is touched afterwards.
        if (TNotifyTrayIcon* icon = FindInstance(static_cast<uint32_t>(message.WParam)))
            icon->HandleIconNotification(static_cast<uint32_t>(message.LParam));
        break;
    case msg::WM_DESTROY:
    case msg::WM_CLOSE:
    case msg::WM_QUERYENDSESSION:
    case msg::WM_QUIT:
    case msg::WM_ENDSESSION:
    case msg::WM_NCDESTROY:
        message.Result = 1;
        break;
    default:
        message.Result =
            platform::DefWindowProcW(FHandle, message.Msg, message.WParam, message.LParam);
        break;
    }
}

uint32_t TTrayIconHandler::RegisterInstance(TNotifyTrayIcon* icon) {
    uint32_t id = nextIconId++;
    while (id == 0 || liveInstances().count(id) != 0)
        id = nextIconId++;
    liveInstances().emplace(id, icon);
    return id;
}

void TTrayIconHandler::UnregisterInstance(uint32_t id) {
    liveInstances().erase(id);
}

TNotifyTrayIcon* TTrayIconHandler::FindInstance(uint32_t id) {
    const auto found = liveInstances().find(id);
    return found == liveInstances().end() ? nullptr : found->second;
}

} // namespace veska
