#pragma once
// The tray picture of this system: a price-check terminal, 32 x 32 at 24-bit colour
// (":/tray/terminal-32.png"). Calling this also links the picture's resource in.

#include <QIcon>

namespace veska {

QIcon TerminalTrayPicture();

} // namespace veska
