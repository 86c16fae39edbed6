#pragma once
// A listening endpoint on the loopback network that belongs to this test process alone: its
// address 127.A.B.C is made from the process id, which no other running process has. Tests
// that run at the same time (ctest -j) never compete for a port, and no port has to be found
// free first and then taken by someone else before the server binds it.

#include <cstdint>
#include <string>
#include <unistd.h>

namespace veska::test {

inline constexpr std::uint16_t kOwnLoopbackPort = 29123;

inline std::string ownLoopbackAddress() {
    const auto pid = static_cast<unsigned>(::getpid()); // below 2^22 on Linux
    return "127." + std::to_string(64 + ((pid >> 16) & 63)) + "." +
           std::to_string((pid >> 8) & 255) + "." + std::to_string(pid & 255);
}

// "127.A.B.C:PORT"; index gives further endpoints for servers that run side by side.
inline std::string ownLoopbackEndpoint(unsigned index = 0) {
    return ownLoopbackAddress() + ":" + std::to_string(kOwnLoopbackPort + index);
}

} // namespace veska::test
