#pragma once
// Tells systemd how the service is doing (sd_notify): READY=1 once the terminals are
// served, STATUS= for `systemctl status`, and WATCHDOG=1 from the service's tick. The
// watchdog is fed at most four times a period: a tick that stops coming (a hung service)
// lets the period run out, and systemd restarts the service. Outside systemd (no
// NOTIFY_SOCKET) every call does nothing.

#include <QElapsedTimer>
#include <QString>
#include <cstdint>

namespace veska::service {

class SystemdNotifier {
public:
    SystemdNotifier();

    void ready(const QString& status);
    void status(const QString& status);
    // From the tick.
    void watchdog();

private:
    std::uint64_t watchdogUsec_ = 0;
    QElapsedTimer sinceFed_;
};

} // namespace veska::service
