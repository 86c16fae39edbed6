#pragma once
// What the running Qt platform offers: a screen a person can see, and the program font.

#include <QFont>

namespace veska::app::platform {

// False on Qt's offscreen and minimal platforms, where a modal box would wait for a click
// that can never come.
bool hasVisibleScreen();

// The window font: Tahoma, 8 point (11 pixels at 96 dpi). Linux has no Tahoma; Wine's
// metric-compatible Tahoma (Debian's fonts-wine) stands in, else the desktop's sans serif.
QFont windowFont();

} // namespace veska::app::platform
