#pragma once
// The eleven functions of the terminal-server library, resolved once at start-up. Services
// receive this table, so tests can hand them functions of their own.

#include "terminal/TTabSock.h"

#include <cstdint>

namespace veska::terminal {

struct TermServerApi {
    void (*vInitialize)();
    const char* (*dll_version)();
    std::int32_t (*tc_startserver)();
    std::int32_t (*bTerminate)();
    const char* (*bReceiveBarcode)(std::uint32_t* address, std::uint16_t* socket,
                                   std::int32_t* reserved);
    std::int32_t (*bSendProdPrice)(std::uint32_t address, const char* description,
                                   const char* price);
    std::int32_t (*bSendProdNotFound)(std::uint32_t address);
    std::int32_t (*bSendDisplayMsg)(std::uint32_t address, const char16_t* line1,
                                    const char16_t* line2, std::int32_t displayTime);
    std::int32_t (*GetTabConectados)(TTABSOCK* table, std::int32_t flags);
    std::uint32_t (*Inet_Addr)(const char* dotted);
    const char* (*Inet_NtoA)(std::uint32_t address);
    // Not one of the eleven: why the last tc_startserver failed. Null when the library
    // does not offer it.
    const char* (*tc_lasterror)() = nullptr;
    // Not one of the eleven: a descriptor that is readable while a scan waits, or -1. Null
    // when the library does not offer it; the program then polls at every Timer100ms tick.
    std::int32_t (*tc_wakefd)() = nullptr;
};

} // namespace veska::terminal
