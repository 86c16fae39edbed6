#pragma once
// Turns the library's connection table, read again and again, into the journal's joins and
// leaves: a terminal (address and socket) that appears in the table has connected, one that
// is gone has left.

#include "terminal/ConnectedTerminals.h"
#include "terminal/ScanJournal.h"

#include <cstdint>

namespace veska::terminal {

class ConnectionWatch {
public:
    explicit ConnectionWatch(ScanJournal& journal) : journal_(journal) {}

    // The terminals in the table as the library has it now.
    void update(const TerminalKeys& connected);
    // The server stopped: every terminal still in the table has left.
    void endAll();

private:
    void report(std::uint64_t terminal, bool connected, std::int64_t when);

    ScanJournal& journal_;
    TerminalKeys connected_;
};

} // namespace veska::terminal
