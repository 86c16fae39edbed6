#pragma once
// Text that the terminal-server library returns: 8-bit text in the system code page that
// stays the library's, so it is copied at once. A null pointer reads as empty text.

#include "terminal/TermServerApi.h"

#include <QString>
#include <cstdint>

namespace veska::terminal {

QString libraryText(const char* text);

// The dotted form of an address from Inet_NtoA, at most 255 characters of it.
QString dottedAddress(const TermServerApi& api, std::uint32_t address);

// How address and socket name a terminal in the log and the terminal list: "dotted:socket".
QString terminalName(const QString& dotted, std::uint16_t socket);

} // namespace veska::terminal
