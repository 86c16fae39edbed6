#pragma once
// Notices for terminals that were connected during the opening hours and have been gone
// for a while (alert_after_minutes of gerencia.conf): one when a terminal has been away
// that long, within the opening hours, and one when it is back. A terminal is its address:
// it may come back on another socket.

#include "journal/ManagementSettings.h"
#include "terminal/ConnectedTerminals.h"

#include <QString>
#include <cstdint>
#include <map>
#include <vector>

namespace veska::journal {

struct AbsenceNotice {
    bool gone = true; // false: it is back
    QString text;
};

class AbsenceAlerts {
public:
    AbsenceAlerts(int minutes, OpeningHours hours) : minutes_(minutes), hours_(hours) {}

    // The terminals in the table as the library has it at nowMs; the notices they give
    // rise to.
    std::vector<AbsenceNotice> update(const terminal::TerminalKeys& connectedNow,
                                      std::int64_t nowMs);

private:
    struct Terminal {
        std::int64_t lastSeenMs = 0;
        bool seenWhileOpen = false;
        bool announced = false;
    };
    bool isOpen(std::int64_t nowMs) const;

    int minutes_;
    OpeningHours hours_;
    std::map<std::uint32_t, Terminal> terminals_; // by host-order address
};

} // namespace veska::journal
