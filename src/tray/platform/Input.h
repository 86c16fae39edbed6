#pragma once
// Pointer, keyboard and desktop metrics read at the moment of handling, as the tray icon
// needs them.

#include "tray/TrayTypes.h"

#include <QPoint>
#include <cstdint>

namespace veska::platform {

// The pointer's screen position; false when it cannot be read (no screen).
bool GetCursorPos(QPoint& position);
// Shift, Ctrl and Alt as they are down now.
TShiftState CurrentShiftState();
// The desktop's double-click time in milliseconds.
uint32_t GetDoubleClickTime();
// Height of a window caption in pixels.
int CaptionHeight();
// The point in the client coordinates of the window under it; unchanged when no window of
// this application is there.
QPoint ScreenToClientOfWindowAt(QPoint screenPoint);

} // namespace veska::platform
