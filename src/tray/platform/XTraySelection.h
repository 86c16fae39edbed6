#pragma once
// The XEmbed tray of the X screen the program runs on: the owner of the selection
// _NET_SYSTEM_TRAY_S<screen> (freedesktop System Tray protocol). Each look-up is one X round
// trip; nothing here waits on the tray itself.

#include <cstdint>

namespace veska::platform {

// The tray manager's window, or 0 when there is none (or the program is not on X).
uint32_t XEmbedTrayOwner();

} // namespace veska::platform
