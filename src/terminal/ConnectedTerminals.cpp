#include "terminal/ConnectedTerminals.h"

#include <algorithm>
#include <arpa/inet.h>

namespace veska::terminal {

TerminalKeys connectedTerminals(const TTABSOCK& table) {
    TerminalKeys terminals;
    const int slots = std::clamp<int>(table.NumSockConec, 0, kTabSockSlots);
    for (int slot = 0; slot < slots; ++slot) {
        if (table.TabIP[slot] != 0)
            terminals.push_back(terminalKey(ntohl(table.TabIP[slot]), table.TabSock[slot]));
    }
    std::sort(terminals.begin(), terminals.end());
    terminals.erase(std::unique(terminals.begin(), terminals.end()), terminals.end());
    return terminals;
}

QString dottedHostAddress(std::uint32_t hostAddress) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(hostAddress >> 24)
        .arg((hostAddress >> 16) & 0xff)
        .arg((hostAddress >> 8) & 0xff)
        .arg(hostAddress & 0xff);
}

} // namespace veska::terminal
