#include "journal/ShopRecord.h"

#include <QDir>

namespace veska::journal {

ShopRecord::ShopRecord(const QString& folder, PostLine postLine)
    : folder_(folder), postLine_(std::move(postLine)) {
    apply(readManagementSettings(QDir(folder_).filePath(managementFileName)));
}

ShopRecord::~ShopRecord() {
    serverStopped();
}

void ShopRecord::scanAnswered(terminal::AnsweredScan scan) noexcept {
    if (journal_)
        journal_->scanAnswered(std::move(scan));
}

void ShopRecord::terminalConnection(const terminal::TerminalConnection& change) noexcept {
    if (journal_)
        journal_->terminalConnection(change);
}

void ShopRecord::reload() {
    apply(readManagementSettings(QDir(folder_).filePath(managementFileName)));
}

void ShopRecord::apply(const ManagementSettingsReading& reading) {
    for (const QString& problem : reading.problems)
        postLine_(problem);
    const bool alertsChanged = reading.settings.alertAfterMinutes != settings_.alertAfterMinutes ||
                               !(reading.settings.openingHours == settings_.openingHours);
    settings_ = reading.settings;
    if (!settings_.journal && journal_) {
        serverStopped();
        connections_.reset();
        journal_.reset();
        postLine_(QStringLiteral("Diário de consultas desligado (gerencia.conf)."));
    } else if (settings_.journal && !journal_) {
        journal_ =
            std::make_unique<Journal>(JournalOptions{folder_, settings_.retentionDays}, postLine_);
        connections_ = std::make_unique<terminal::ConnectionWatch>(*journal_);
    } else if (journal_) {
        journal_->setRetentionDays(settings_.retentionDays);
    }
    if (!settings_.alertAfterMinutes)
        alerts_.reset();
    else if (!alerts_ || alertsChanged)
        alerts_.emplace(*settings_.alertAfterMinutes, settings_.openingHours);
}

std::vector<AbsenceNotice> ShopRecord::tableRead(const terminal::TerminalKeys& connected,
                                                 std::int64_t nowMs) {
    if (connections_)
        connections_->update(connected);
    if (!alerts_)
        return {};
    return alerts_->update(connected, nowMs);
}

void ShopRecord::serverStopped() {
    if (connections_)
        connections_->endAll();
}

} // namespace veska::journal
