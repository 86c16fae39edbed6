#pragma once

namespace termserver {

inline constexpr const char* kLibraryVersion = "1.0.0";
// What dll_version() returns and what the greeting carries.
inline constexpr const char* kVersionText = "termserver 1.0.0 (protocol 1)";

} // namespace termserver
