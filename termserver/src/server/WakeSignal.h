#pragma once
// The descriptor behind tc_wakefd: an eventfd that is readable exactly while scans wait for
// the caller, so a caller's event loop can wait on it instead of polling bReceiveBarcode.
// The server sets it under its mutex whenever the queue changes; it lives as long as the
// process, across starts and stops.

namespace termserver {

class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // -1 when the system gave no descriptor.
    int descriptor() const { return fd_; }
    // Readable while pending, not readable otherwise.
    void set(bool pending);

private:
    int fd_ = -1;
    bool raised_ = false;
};

} // namespace termserver
