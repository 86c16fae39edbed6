#include "catalogue/connection/Watchdog.h"

#include "catalogue/connection/firebird/FbAttachment.h"

#include <utility>

namespace veska::catalogue {

Watchdog::~Watchdog() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

Watchdog::Armed Watchdog::arm(std::shared_ptr<firebird::Attachment> attachment,
                              std::chrono::milliseconds limit) {
    const std::lock_guard lock(mutex_);
    if (depth_++ > 0)
        return Armed(this, serial_);
    watched_ = std::move(attachment);
    deadline_ = std::chrono::steady_clock::now() + limit;
    ++serial_;
    if (!thread_.joinable())
        thread_ = std::thread([this] { watch(); });
    return Armed(this, serial_);
}

void Watchdog::disarm(std::uint64_t serial) {
    const std::lock_guard lock(mutex_);
    if (serial != serial_ || depth_ == 0 || --depth_ > 0)
        return;
    watched_.reset();
}

bool Watchdog::fired(std::uint64_t serial) const {
    const std::lock_guard lock(mutex_);
    return firedSerial_ == serial;
}

void Watchdog::watch() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        changed_.wait_for(lock, lookEvery);
        if (watched_ && std::chrono::steady_clock::now() >= deadline_) {
            // Aborting only breaks the connection; it never waits for the server.
            watched_->abort();
            firedSerial_ = serial_;
            watched_.reset();
        }
    }
}

Watchdog::Armed::Armed(Armed&& other) noexcept
    : watchdog_(std::exchange(other.watchdog_, nullptr)), serial_(other.serial_) {}

Watchdog::Armed::~Armed() {
    if (watchdog_ != nullptr)
        watchdog_->disarm(serial_);
}

bool Watchdog::Armed::fired() const {
    return watchdog_ != nullptr && watchdog_->fired(serial_);
}

} // namespace veska::catalogue
