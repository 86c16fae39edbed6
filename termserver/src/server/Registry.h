#pragma once
// The bookkeeping of live connections, independent of sockets and threads (the server
// guards it with its mutex): table slots and socket numbers, the queue of received scans,
// and which connection of an address gets a reply.

#include "termserver/termserver.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace termserver {

struct Admission {
    std::uint16_t socket = 0;
    std::size_t slot = 0;
};

struct ReceivedScan {
    std::uint32_t address = 0; // network byte order
    std::uint16_t socket = 0;
    std::string barcode;
};

enum class ScanAdmission { Queued, Busy };

class Registry {
public:
    // At most this many scans wait for the caller, across all terminals...
    static constexpr std::size_t kMaxPendingScans = 256;
    // ...and at most this many of one connection.
    static constexpr std::size_t kMaxPendingPerConnection = 4;
    // Handed-over scans that still wait for a reply are remembered up to this number.
    static constexpr std::size_t kMaxUnanswered = 1024;

    // A new connection from the address: the lowest free slot and an unused non-zero
    // socket number, or nullopt when all slots are taken.
    std::optional<Admission> admit(std::uint32_t address);
    // The connection has gone: its slot, pending scans and unanswered marks go too.
    void release(std::uint16_t socket);
    // The connection sent something: it becomes its address's most recently active.
    void touch(std::uint16_t socket);

    ScanAdmission addScan(std::uint16_t socket, std::string barcode);
    // The oldest pending scan, handed over once.
    std::optional<ReceivedScan> takeScan();
    std::size_t pendingScans() const { return pending_.size(); }

    // The connection that gets a price or not-found answer for the address: the one whose
    // scan from that address was handed over last and is not answered yet (that mark is
    // consumed), else the most recently active connection of the address.
    std::optional<std::uint16_t> takeReplyTarget(std::uint32_t address);
    // The connection that gets a display message: the address's most recently active.
    std::optional<std::uint16_t> mostRecentlyActive(std::uint32_t address) const;

    void fillTable(TTABSOCK& table) const;
    std::size_t connectionCount() const { return count_; }
    void clear();

private:
    struct Slot {
        std::uint16_t socket = 0;
        std::uint32_t address = 0; // 0: free
        std::uint64_t lastActivity = 0;
    };
    struct Unanswered {
        std::uint16_t socket;
        std::uint32_t address;
    };

    Slot* find(std::uint16_t socket);
    bool socketInUse(std::uint16_t socket) const;

    std::vector<Slot> slots_ = std::vector<Slot>(TERMSERVER_MAX_CONNECTIONS);
    std::size_t count_ = 0;
    std::uint16_t lastSocket_ = 0;
    std::uint64_t activityClock_ = 0;
    std::deque<ReceivedScan> pending_;
    std::deque<Unanswered> unanswered_; // oldest first
};

} // namespace termserver
