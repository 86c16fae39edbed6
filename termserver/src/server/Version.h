#pragma once

namespace termserver {

inline constexpr const char* kLibraryVersion = "1.1.0";
// What dll_version() returns; the greeting carries the protocol and library versions.
inline constexpr const char* kVersionText = "termserver 1.1.0 (protocol 2)";

} // namespace termserver
