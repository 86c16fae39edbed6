#pragma once
// Where the desktop has no notification area, closing the window cannot hide it into one,
// and the icon's "Sair" cannot be reached. The close button then asks the operator: "Sair"
// saves the price mode and ends the program, as the icon's menu would; "Minimizar" (the
// default, also Esc) minimises the window to the taskbar and the server keeps answering.

namespace veska::app {

// True for "Sair". On a platform without a visible screen nobody can answer: false.
bool askExitWithoutNotificationArea();

} // namespace veska::app
