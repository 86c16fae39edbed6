#pragma once
// The fixed limits of the terminal protocol (protocol version 2).

#include <chrono>
#include <cstddef>

namespace termserver::protocol {

inline constexpr int kVersion = 2;
// One frame, from its first byte up to and including its line feed.
inline constexpr std::size_t kMaxFrameBytes = 128;
// A frame carries a command word and at most this many fields.
inline constexpr std::size_t kMaxFields = 4;
inline constexpr std::size_t kMaxCommandBytes = 16;
inline constexpr std::size_t kMaxBarcodeBytes = 64;
// The terminal's display: two lines of this many single-byte characters.
inline constexpr std::size_t kDisplayColumns = 20;
// Display time of a message, in seconds; 0 keeps it until the next screen.
inline constexpr int kMaxDisplaySeconds = 3600;
// A terminal sends PING after this long without traffic; the server's idle time-out
// (configurable, 90 s by default) must stay well above it.
inline constexpr std::chrono::seconds kKeepAliveInterval{30};
inline constexpr std::chrono::seconds kDefaultIdleTimeout{90};

} // namespace termserver::protocol
