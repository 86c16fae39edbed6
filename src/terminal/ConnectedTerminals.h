#pragma once
// The terminals in the library's connection table as our own records keep them: a terminal
// is its IPv4 address in host order (10.0.0.5 is 0x0A000005) and its socket, one number
// (address << 16 | socket) that sorts by address.

#include "terminal/TTabSock.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace veska::terminal {

constexpr std::uint64_t terminalKey(std::uint32_t hostAddress, std::uint16_t socket) {
    return std::uint64_t{hostAddress} << 16 | socket;
}
constexpr std::uint32_t addressOf(std::uint64_t key) {
    return static_cast<std::uint32_t>(key >> 16);
}
constexpr std::uint16_t socketOf(std::uint64_t key) {
    return static_cast<std::uint16_t>(key & 0xffff);
}

// The terminals of a read of the table: terminalKey()s, sorted, each terminal once.
using TerminalKeys = std::vector<std::uint64_t>;

// The occupied slots of the examined part of the table.
TerminalKeys connectedTerminals(const TTABSOCK& table);

// "10.0.0.5" of a host-order address.
QString dottedHostAddress(std::uint32_t hostAddress);

} // namespace veska::terminal
