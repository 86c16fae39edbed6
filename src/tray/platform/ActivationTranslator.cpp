#include "tray/platform/ActivationTranslator.h"

#include "tray/TNotifyIconDataEx.h"
#include "tray/TrayMessages.h"

namespace veska::platform {

std::vector<uint32_t> ActivationTranslator::Translate(QSystemTrayIcon::ActivationReason reason,
                                                      int64_t nowMs, uint32_t doubleClickMs,
                                                      uint32_t version) {
    using namespace msg;
    if (busHost_ && (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick))
        return translateBusActivation(nowMs, doubleClickMs);
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        if (last_ == Last::SingleClick && nowMs - singleClickMs_ <= doubleClickMs) {
            last_ = Last::DoubleClick;
            doubleClickAtMs_ = nowMs;
            return {WM_LBUTTONDBLCLK, WM_LBUTTONUP};
        }
        last_ = Last::SingleClick;
        singleClickMs_ = nowMs;
        return {WM_LBUTTONDOWN, WM_LBUTTONUP};
    case QSystemTrayIcon::DoubleClick:
        if (last_ == Last::DoubleClick && nowMs - doubleClickAtMs_ <= doubleClickMs)
            return {};
        doubleClickAtMs_ = nowMs;
        if (last_ == Last::SingleClick) {
            last_ = Last::DoubleClick;
            return {WM_LBUTTONDBLCLK, WM_LBUTTONUP};
        }
        last_ = Last::DoubleClick;
        return {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    case QSystemTrayIcon::Context:
        last_ = Last::Nothing;
        if (version >= nim::NOTIFYICON_VERSION)
            return {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU};
        return {WM_RBUTTONDOWN, WM_RBUTTONUP};
    case QSystemTrayIcon::MiddleClick:
        last_ = Last::Nothing;
        return {WM_MBUTTONDOWN, WM_MBUTTONUP};
    default:
        return {};
    }
}

std::vector<uint32_t> ActivationTranslator::translateBusActivation(int64_t nowMs,
                                                                   uint32_t doubleClickMs) {
    using namespace msg;
    if (last_ == Last::DoubleClick && nowMs - doubleClickAtMs_ <= doubleClickMs)
        return {};
    last_ = Last::DoubleClick;
    doubleClickAtMs_ = nowMs;
    return {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
}

} // namespace veska::platform
