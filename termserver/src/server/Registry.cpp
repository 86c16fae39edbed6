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

std::optional<Admission> Registry::admit(std::uint32_t address) {
    if (address == 0)
        return std::nullopt; // 0 marks an empty slot; no peer has that address
    const auto free = std::find_if(slots_.begin(), slots_.end(),
                                   [](const Slot& slot) { return slot.address == 0; });
    if (free == slots_.end())
        return std::nullopt;
    // Numbers run on from the last one given, skipping 0 and those still in use, so a
    // number is not reused soon after its connection closed.
    do {
        ++lastSocket_;
    } while (lastSocket_ == 0 || socketInUse(lastSocket_));
    free->socket = lastSocket_;
    free->address = address;
    free->lastActivity = ++activityClock_;
    ++count_;
    return Admission{free->socket, static_cast<std::size_t>(free - slots_.begin())};
}

void Registry::release(std::uint16_t socket) {
    Slot* slot = find(socket);
    if (slot == nullptr)
        return;
    *slot = Slot{};
    --count_;
    std::erase_if(pending_, [socket](const ReceivedScan& scan) { return scan.socket == socket; });
    std::erase_if(unanswered_, [socket](const Unanswered& mark) { return mark.socket == socket; });
}

void Registry::touch(std::uint16_t socket) {
    if (Slot* slot = find(socket))
        slot->lastActivity = ++activityClock_;
}

ScanAdmission Registry::addScan(std::uint16_t socket, std::string barcode) {
    const Slot* slot = find(socket);
    if (slot == nullptr || pending_.size() >= kMaxPendingScans)
        return ScanAdmission::Busy;
    const auto own = std::count_if(pending_.begin(), pending_.end(),
                                   [socket](const auto& scan) { return scan.socket == socket; });
    if (static_cast<std::size_t>(own) >= kMaxPendingPerConnection)
        return ScanAdmission::Busy;
    pending_.push_back(ReceivedScan{slot->address, socket, std::move(barcode)});
    return ScanAdmission::Queued;
}

std::optional<ReceivedScan> Registry::takeScan() {
    if (pending_.empty())
        return std::nullopt;
    ReceivedScan scan = std::move(pending_.front());
    pending_.pop_front();
    if (unanswered_.size() == kMaxUnanswered)
        unanswered_.pop_front();
    unanswered_.push_back(Unanswered{scan.socket, scan.address});
    return scan;
}

std::optional<std::uint16_t> Registry::takeReplyTarget(std::uint32_t address) {
    const auto latest =
        std::find_if(unanswered_.rbegin(), unanswered_.rend(),
                     [address](const Unanswered& mark) { return mark.address == address; });
    if (latest != unanswered_.rend()) {
        const std::uint16_t socket = latest->socket;
        unanswered_.erase(std::next(latest).base());
        return socket;
    }
    return mostRecentlyActive(address);
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
    unanswered_.clear();
}

} // namespace termserver
