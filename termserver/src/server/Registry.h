#pragma once
// The bookkeeping of live connections, independent of sockets and threads (the server
// guards it with its mutex): table slots and socket numbers, the fair shares of each sender
// address, the queue of received scans, and which scan a reply of the caller answers.

#include "protocol/Messages.h"
#include "termserver/termserver.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace termserver {

// Names one accepted scan for as long as it waits for its answer; never 0.
using ScanId = std::uint64_t;

struct Admission {
    std::uint16_t socket = 0;
    std::size_t slot = 0;
    // The connection let go to make room (the server was full): to be closed.
    std::optional<std::uint16_t> evicted;
};

struct ReceivedScan {
    std::uint32_t address = 0; // network byte order
    std::uint16_t socket = 0;
    std::string barcode;
    ScanId id = 0;
};

// Where a reply of the caller goes.
struct ReplyTarget {
    std::uint16_t socket = 0;
    // The scan it answers, with its barcode; 0 when the address has no scan waiting for a
    // reply, and the reply goes to its most recently active connection.
    ScanId scan = 0;
    std::string barcode;
    // The scan was already answered by the library (its time was up) or its connection has
    // closed: the reply is dropped.
    bool stale = false;
};

// Fair shares of one sender address: far above what a shop's terminals need, low enough
// that one host cannot take the connections or the scan queue from the others.
inline constexpr std::size_t kDefaultConnectionsPerAddress = 32;
inline constexpr std::size_t kDefaultQueuedScansPerAddress = 8;

struct RegistryLimits {
    std::size_t connections = TERMSERVER_MAX_CONNECTIONS;
    std::size_t connectionsPerAddress = kDefaultConnectionsPerAddress;
    std::size_t queuedScansPerAddress = kDefaultQueuedScansPerAddress;
};

class Registry {
public:
    // At most this many scans of one connection wait for the caller (and RegistryLimits'
    // share of an address). There is no bound across all terminals beyond these shares
    // (4096 at most): the caller drains the queue as scans come, so a terminal that keeps
    // to its share waits in line instead of being refused because others scan too.
    static constexpr std::size_t kMaxPendingPerConnection = 4;
    // The highest share of one address that the settings may ask for.
    static constexpr std::size_t kMaxQueuedScansPerAddress = 256;
    // Handed-over scans are remembered up to this number until a reply consumes them.
    static constexpr std::size_t kMaxUnanswered = 1024;

    // Limits of the next admissions and scans; connections is at most the table's slots.
    void setLimits(const RegistryLimits& limits);
    const RegistryLimits& limits() const { return limits_; }

    // A new connection from the address: the lowest free slot and an unused non-zero
    // socket number, or nullopt (with the reason in *why) when the address holds all the
    // connections it may, or the server does and no other address holds more than one
    // above this one's. Otherwise a full server makes room: the connection that has been
    // idle longest of the address that holds the most goes (Admission::evicted), so that
    // a few hosts holding every connection cannot lock new terminals out.
    std::optional<Admission> admit(std::uint32_t address, protocol::Refusal* why = nullptr);
    // The connection has gone: its slot and pending scans go too; replies to its scans that
    // were handed over are dropped when they come.
    void release(std::uint16_t socket);
    // The connection sent something: it becomes its address's most recently active.
    void touch(std::uint16_t socket);

    // Queues a scan for the caller: its id, or nullopt when its connection or its address
    // has its share queued already (the terminal gets BUSY).
    std::optional<ScanId> addScan(std::uint16_t socket, std::string barcode);
    // The next pending scan, handed over once. The sender addresses take turns: the scan
    // goes first whose address was served least recently (an address counts as served when
    // its first connection came), and an address's scans go oldest first.
    std::optional<ReceivedScan> takeScan();
    std::size_t pendingScans() const { return pending_.size(); }
    // The library answered the scan itself: it leaves the queue, or when it was handed over
    // already, the reply that answers it will be dropped.
    void expireScan(std::uint16_t socket, ScanId scan);

    // The target of a price or not-found reply for the address: the scan from that address
    // that was handed over last and is not answered yet (the reply consumes it), else the
    // most recently active connection of the address; nullopt when neither exists.
    std::optional<ReplyTarget> takeReplyTarget(std::uint32_t address);
    // The connection that gets a display message: the address's most recently active.
    std::optional<std::uint16_t> mostRecentlyActive(std::uint32_t address) const;

    void fillTable(TTABSOCK& table) const;
    std::size_t connectionCount() const { return count_; }
    bool hasConnection(std::uint32_t address) const;
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
        ScanId scan;
        std::string barcode;
        bool stale;
    };

    Slot* find(std::uint16_t socket);
    // When full: the idlest connection of the address holding the most, if that makes the
    // shares more even for the address.
    std::optional<std::uint16_t> roomFor(std::uint32_t address) const;
    bool socketInUse(std::uint16_t socket) const;

    RegistryLimits limits_;
    std::vector<Slot> slots_ = std::vector<Slot>(TERMSERVER_MAX_CONNECTIONS);
    std::size_t count_ = 0;
    std::uint16_t lastSocket_ = 0;
    std::uint64_t activityClock_ = 0;
    ScanId lastScan_ = 0;
    std::uint64_t turnClock_ = 0; // counts the hand-overs
    // The hand-over that last served each address that has connections.
    std::unordered_map<std::uint32_t, std::uint64_t> lastTurn_;
    std::deque<ReceivedScan> pending_;  // in arrival order
    std::deque<Unanswered> unanswered_; // oldest first
};

} // namespace termserver
