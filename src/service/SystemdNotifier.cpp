#include "service/SystemdNotifier.h"

#include <systemd/sd-daemon.h>

namespace veska::service {

SystemdNotifier::SystemdNotifier() {
    std::uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0)
        watchdogUsec_ = usec;
}

void SystemdNotifier::ready(const QString& status) {
    sd_notify(0, ("READY=1\nSTATUS=" + status.toUtf8()).constData());
    sinceFed_.start();
}

void SystemdNotifier::status(const QString& status) {
    sd_notify(0, ("STATUS=" + status.toUtf8()).constData());
}

void SystemdNotifier::watchdog() {
    if (watchdogUsec_ == 0)
        return;
    if (sinceFed_.isValid() &&
        static_cast<std::uint64_t>(sinceFed_.nsecsElapsed()) / 1000 < watchdogUsec_ / 4)
        return;
    sd_notify(0, "WATCHDOG=1");
    sinceFed_.start();
}

} // namespace veska::service
