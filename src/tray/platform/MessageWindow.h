#pragma once
// Hidden message windows: a 4-byte handle bound to a message procedure. Handles are never
// reused, so a message sent or posted to a destroyed window reaches nobody. Everything runs
// on the GUI thread.

#include "tray/TrayMessages.h"

#include <QStringView>
#include <cstdint>
#include <functional>

namespace veska::platform {

using WindowProcedure = std::function<void(TMessage&)>;

// Returns a handle that is never 0.
uint32_t CreateMessageWindow(WindowProcedure procedure);
void DestroyMessageWindow(uint32_t window);
bool IsWindow(uint32_t window);

// Runs the window's procedure at once; 0 when the window does not exist. The procedure may
// destroy its own window while it runs.
intptr_t SendMessageW(uint32_t window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Runs the window's procedure later from the event loop, if the window still exists then.
void PostMessageW(uint32_t window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// The default handling of a hidden window: nothing, result 0.
intptr_t DefWindowProcW(uint32_t window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// A process-wide message number for a name, from 0xC000 up; the same name gives the same
// number every time.
uint32_t RegisterWindowMessageW(QStringView name);

} // namespace veska::platform
