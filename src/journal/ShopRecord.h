#pragma once
// What the program keeps for the shop's manager, as gerencia.conf asks: the scan journal
// and the notices of terminals that have gone away. Both programs (the desktop and the
// service) own one; the window or the service loop feeds it the connection table it reads
// and says when the server stops.

#include "journal/AbsenceAlerts.h"
#include "journal/Journal.h"
#include "journal/ManagementSettings.h"
#include "terminal/ConnectionWatch.h"

#include <functional>
#include <memory>
#include <optional>

namespace veska::journal {

// It is the terminal services' journal itself: what they hand it goes to the journal while
// one is on, so the journal can be switched on and off under them (same thread).
class ShopRecord final : public terminal::ScanJournal {
public:
    // postLine must be safe to call from any thread: the journal writes on its own.
    using PostLine = std::function<void(const QString&)>;
    // Reads gerencia.conf of the folder (each problem one line) and starts the journal
    // unless it is switched off.
    ShopRecord(const QString& folder, PostLine postLine);
    ~ShopRecord() override;

    void scanAnswered(terminal::AnsweredScan scan) noexcept override;
    void terminalConnection(const terminal::TerminalConnection& change) noexcept override;
    bool journalOn() const { return journal_ != nullptr; }
    const ManagementSettings& settings() const { return settings_; }

    // The terminals of the connection table read at nowMs: joins and leaves for the journal,
    // and the notices of terminals gone or back (when alerts are on).
    std::vector<AbsenceNotice> tableRead(const terminal::TerminalKeys& connected,
                                         std::int64_t nowMs);
    // The server stopped: the connected terminals have left.
    void serverStopped();

    // Reads gerencia.conf again: retention, opening hours and alerts apply at once; the
    // journal is started or stopped as the file now says.
    void reload();

private:
    void apply(const ManagementSettingsReading& reading);

    QString folder_;
    PostLine postLine_;
    ManagementSettings settings_;
    std::unique_ptr<Journal> journal_;
    std::unique_ptr<terminal::ConnectionWatch> connections_;
    std::optional<AbsenceAlerts> alerts_;
};

} // namespace veska::journal
