#include "server/Registry.h"

#include <algorithm>
#include <cstring>

namespace termserver {

Registry::Slot* Registry::find(std::uint16_t socket) {
    for (Slot& slot : slots_) {
        if (slot.address != 0 && slot.socket == socket)
            return &slot;
    }
    return nullptr;
}

bool Registry::socketInUse(std::uint16_t socket) const {
    return std::any_of(slots_.begin(), slots_.end(), [socket](const Slot& slot) {
        return slot.address != 0 && slot.socket == socket;
    });
}

void Registry::setLimits(const RegistryLimits& limits) {
    limits_ = limits;
    limits_.connections = std::min(limits_.connections, slots_.size());
}

std::optional<Admission> Registry::admit(std::uint32_t address, protocol::Refusal* why) {
    const auto refuse = [why](protocol::Refusal reason) -> std::optional<Admission> {
        if (why != nullptr)
            *why = reason;
        return std::nullopt;
    };
    if (address == 0)
        return refuse(protocol::Refusal::NotAllowed); // 0 marks an empty slot; no peer has it
    const auto sameAddress = std::count_if(
        slots_.begin(), slots_.end(), [address](const Slot& s) { return s.address == address; });
    if (static_cast<std::size_t>(sameAddress) >= limits_.connectionsPerAddress)
        return refuse(protocol::Refusal::AddressFull);
    std::optional<std::uint16_t> evicted;
    if (count_ >= limits_.connections) {
        evicted = roomFor(address);
        if (!evicted)
            return refuse(protocol::Refusal::ServerFull);
        release(*evicted);
    }
    const auto free = std::find_if(slots_.begin(), slots_.end(),
                                   [](const Slot& slot) { return slot.address == 0; });
    if (free == slots_.end())
        return refuse(protocol::Refusal::ServerFull);
    // Numbers run on from the last one given, skipping 0 and those still in use, so a
    // number is not reused soon after its connection closed.
    do {
        ++lastSocket_;
    } while (lastSocket_ == 0 || socketInUse(lastSocket_));
    free->socket = lastSocket_;
    free->address = address;
    free->lastActivity = ++activityClock_;
    ++count_;
    // A new address counts as served when it connected: after those served before, and no
    // better off than one served just then, so reconnecting does not jump the queue.
    lastTurn_.try_emplace(address, turnClock_);
    return Admission{free->socket, static_cast<std::size_t>(free - slots_.begin()), evicted};
}

std::optional<std::uint16_t> Registry::roomFor(std::uint32_t address) const {
    std::unordered_map<std::uint32_t, std::size_t> held;
    for (const Slot& slot : slots_) {
        if (slot.address != 0)
            ++held[slot.address];
    }
    const auto most = std::max_element(
        held.begin(), held.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    const std::size_t own = held.count(address) != 0 ? held.at(address) : 0;
    if (most == held.end() || most->second < own + 2)
        return std::nullopt; // taking one would leave it no better off than this address
    const Slot* idlest = nullptr;
    for (const Slot& slot : slots_) {
        if (slot.address == most->first &&
            (idlest == nullptr || slot.lastActivity < idlest->lastActivity))
            idlest = &slot;
    }
    return idlest->socket;
}

void Registry::release(std::uint16_t socket) {
    Slot* slot = find(socket);
    if (slot == nullptr)
        return;
    const std::uint32_t address = slot->address;
    *slot = Slot{};
    --count_;
    std::erase_if(pending_, [socket](const ReceivedScan& scan) { return scan.socket == socket; });
    if (!hasConnection(address))
        lastTurn_.erase(address);
    // The marks stay, so a late reply to a scan of this connection is dropped rather than
    // taken for the answer to another terminal's scan.
    for (Unanswered& mark : unanswered_) {
        if (mark.socket == socket)
            mark.stale = true;
    }
}

void Registry::touch(std::uint16_t socket) {
    if (Slot* slot = find(socket))
        slot->lastActivity = ++activityClock_;
}

std::optional<ScanId> Registry::addScan(std::uint16_t socket, std::string barcode) {
    const Slot* slot = find(socket);
    if (slot == nullptr)
        return std::nullopt;
    std::size_t own = 0, sameAddress = 0;
    for (const ReceivedScan& scan : pending_) {
        own += scan.socket == socket ? 1 : 0;
        sameAddress += scan.address == slot->address ? 1 : 0;
    }
    if (own >= kMaxPendingPerConnection || sameAddress >= limits_.queuedScansPerAddress)
        return std::nullopt;
    if (++lastScan_ == 0)
        ++lastScan_;
    pending_.push_back(ReceivedScan{slot->address, socket, std::move(barcode), lastScan_});
    return lastScan_;
}

std::optional<ReceivedScan> Registry::takeScan() {
    if (pending_.empty())
        return std::nullopt;
    // A host that keeps its share of the queue filled must not hold up the others: the scan
    // of the address served least recently goes first (the oldest one among equals).
    auto chosen = pending_.begin();
    std::uint64_t chosenTurn = lastTurn_[chosen->address];
    for (auto it = std::next(chosen); it != pending_.end(); ++it) {
        const std::uint64_t turn = lastTurn_[it->address];
        if (turn < chosenTurn) {
            chosen = it;
            chosenTurn = turn;
        }
    }
    ReceivedScan scan = std::move(*chosen);
    pending_.erase(chosen);
    lastTurn_[scan.address] = ++turnClock_;
    if (unanswered_.size() == kMaxUnanswered)
        unanswered_.pop_front();
    unanswered_.push_back(Unanswered{scan.socket, scan.address, scan.id, scan.barcode, false});
    return scan;
}

void Registry::expireScan(std::uint16_t socket, ScanId scan) {
    const auto queued = std::find_if(pending_.begin(), pending_.end(), [&](const auto& pending) {
        return pending.id == scan && pending.socket == socket;
    });
    if (queued != pending_.end()) {
        pending_.erase(queued);
        return;
    }
    for (Unanswered& mark : unanswered_) {
        if (mark.scan == scan && mark.socket == socket)
            mark.stale = true;
    }
}

std::optional<ReplyTarget> Registry::takeReplyTarget(std::uint32_t address) {
    const auto latest =
        std::find_if(unanswered_.rbegin(), unanswered_.rend(),
                     [address](const Unanswered& mark) { return mark.address == address; });
    if (latest != unanswered_.rend()) {
        ReplyTarget target{latest->socket, latest->scan, std::move(latest->barcode), latest->stale};
        unanswered_.erase(std::next(latest).base());
        return target;
    }
    const auto socket = mostRecentlyActive(address);
    if (!socket)
        return std::nullopt;
    return ReplyTarget{*socket, 0, {}, false};
}

std::optional<std::uint16_t> Registry::mostRecentlyActive(std::uint32_t address) const {
    const Slot* best = nullptr;
    for (const Slot& slot : slots_) {
        if (slot.address == address && address != 0 &&
            (best == nullptr || slot.lastActivity > best->lastActivity))
            best = &slot;
    }
    if (best == nullptr)
        return std::nullopt;
    return best->socket;
}

bool Registry::hasConnection(std::uint32_t address) const {
    return mostRecentlyActive(address).has_value();
}

void Registry::fillTable(TTABSOCK& table) const {
    std::memset(&table, 0, sizeof table);
    std::int32_t used = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].address == 0)
            continue;
        table.TabSock[i] = slots_[i].socket;
        table.TabIP[i] = slots_[i].address;
        used = static_cast<std::int32_t>(i + 1);
    }
    table.NumSockConec = used;
}

void Registry::clear() {
    std::fill(slots_.begin(), slots_.end(), Slot{});
    count_ = 0;
    pending_.clear();
    lastTurn_.clear();
    unanswered_.clear();
}

} // namespace termserver
