#pragma once
// Icon handles: the 4-byte hIcon of the notification record names a picture registered
// here. Handles are never reused; 0 is no icon.

#include <QIcon>
#include <cstdint>

namespace veska::platform {

// A null icon gets handle 0.
uint32_t RegisterIcon(const QIcon& icon);
void ReleaseIcon(uint32_t handle);
// A null icon for 0 or an unknown handle.
QIcon LookupIcon(uint32_t handle);
// Number of live handles (for leak checks).
std::size_t RegisteredIconCount();

} // namespace veska::platform
