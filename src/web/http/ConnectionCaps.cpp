#include "web/http/ConnectionCaps.h"

namespace veska::web {

ConnectionCaps::Place::Place(ConnectionCaps& caps, std::string address)
    : caps_(caps), address_(std::move(address)) {
    const std::lock_guard lock(caps_.mutex_);
    std::size_t& open = caps_.open_[address_];
    admitted_ = open < caps_.perAddress_;
    if (admitted_)
        ++open;
    else if (open == 0)
        caps_.open_.erase(address_);
}

ConnectionCaps::Place::~Place() {
    if (!admitted_)
        return;
    const std::lock_guard lock(caps_.mutex_);
    const auto found = caps_.open_.find(address_);
    if (--found->second == 0)
        caps_.open_.erase(found);
}

} // namespace veska::web
