#pragma once
// Turns the library's connection table, read again and again, into the journal's joins and
// leaves: a terminal (address and socket) that appears in the table has connected, one that
// is gone has left. The table's slot order means nothing here.

#include "terminal/ScanJournal.h"
#include "terminal/TTabSock.h"

#include <cstdint>
#include <vector>

namespace veska::terminal {

class ConnectionWatch {
public:
    explicit ConnectionWatch(ScanJournal& journal) : journal_(journal) {}

    // The table as the library has it now.
    void update(const TTABSOCK& table);
    // The server stopped: every terminal still in the table has left.
    void endAll();

private:
    void report(std::uint64_t terminal, bool connected, std::int64_t when);

    ScanJournal& journal_;
    std::vector<std::uint64_t> connected_; // sorted terminalKey()s
};

} // namespace veska::terminal
