#pragma once
// The connection table that the terminal-server library fills: 1024 slots of socket
// number and address, then how many slots to examine. Record layout fixed by the library.

#include <cstddef>
#include <cstdint>

namespace veska::terminal {

inline constexpr int kTabSockSlots = 1024;

#pragma pack(push, 1)
struct TTABSOCK {
    std::uint16_t TabSock[kTabSockSlots];
    std::uint32_t TabIP[kTabSockSlots];
    std::int32_t NumSockConec;
};
#pragma pack(pop)

static_assert(sizeof(TTABSOCK) == 6148);
static_assert(offsetof(TTABSOCK, TabIP) == 2048);
static_assert(offsetof(TTABSOCK, NumSockConec) == 6144);

} // namespace veska::terminal
