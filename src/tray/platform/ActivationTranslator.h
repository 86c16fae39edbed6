#pragma once
// Turns what the desktop reports about a tray icon into the mouse messages the icon
// component expects, the same sequence on every kind of notification area:
//   single click  -> WM_LBUTTONDOWN, WM_LBUTTONUP
//   double click  -> WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP
//   right button  -> WM_RBUTTONDOWN, WM_RBUTTONUP (+ WM_CONTEXTMENU under version 3)
//   middle button -> WM_MBUTTONDOWN, WM_MBUTTONUP
// An XEmbed tray reports a double click as Trigger then DoubleClick (some as Trigger,
// Trigger, DoubleClick); a StatusNotifierItem host as two Triggers, never DoubleClick. A
// Trigger within the double-click time of a single click is therefore the double click, and
// a DoubleClick right after a double click already made of two Triggers is dropped.
//
// A StatusNotifierItem host reports activations, not clicks (some send one Activate for a
// double click, some two): there every activation is a double click, and a further one
// within the double-click time belongs to the same gesture and is dropped.

#include <QSystemTrayIcon>
#include <cstdint>
#include <vector>

namespace veska::platform {

class ActivationTranslator {
public:
    std::vector<uint32_t> Translate(QSystemTrayIcon::ActivationReason reason, int64_t nowMs,
                                    uint32_t doubleClickMs, uint32_t version);
    void SetBusHost(bool busHost) { busHost_ = busHost; }

private:
    std::vector<uint32_t> translateBusActivation(int64_t nowMs, uint32_t doubleClickMs);

    bool busHost_ = false;
    enum class Last { Nothing, SingleClick, DoubleClick };
    Last last_ = Last::Nothing;
    int64_t singleClickMs_ = 0;
    int64_t doubleClickAtMs_ = 0;
};

} // namespace veska::platform
