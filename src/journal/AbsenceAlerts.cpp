#include "journal/AbsenceAlerts.h"

#include "journal/LocalDay.h"

#include <set>

namespace veska::journal {

bool AbsenceAlerts::isOpen(std::int64_t nowMs) const {
    const std::string day = localDayOf(nowMs);
    return nowMs >= localTimeOn(day, hours_.opens) && nowMs < localTimeOn(day, hours_.closes);
}

std::vector<AbsenceNotice> AbsenceAlerts::update(const terminal::TerminalKeys& connectedNow,
                                                 std::int64_t nowMs) {
    std::set<std::uint32_t> connected;
    for (const std::uint64_t key : connectedNow)
        connected.insert(terminal::addressOf(key));
    const bool open = isOpen(nowMs);
    std::vector<AbsenceNotice> notices;
    for (const std::uint32_t address : connected) {
        Terminal& terminal = terminals_[address];
        if (terminal.announced) {
            notices.push_back(
                {false, QStringLiteral("Terminal %1 conectado de novo (estava fora "
                                       "desde %2).")
                            .arg(terminal::dottedHostAddress(address),
                                 QString::fromStdString(localClockText(terminal.lastSeenMs)))});
            terminal.announced = false;
        }
        terminal.lastSeenMs = nowMs;
        terminal.seenWhileOpen = terminal.seenWhileOpen || open;
    }
    const std::int64_t limitMs = std::int64_t{minutes_} * 60'000;
    for (auto& [address, terminal] : terminals_) {
        if (connected.contains(address) || terminal.announced || !terminal.seenWhileOpen || !open ||
            nowMs - terminal.lastSeenMs < limitMs)
            continue;
        terminal.announced = true;
        notices.push_back(
            {true, QStringLiteral("Terminal %1 sem conexão desde %2 (há %3 minutos).")
                       .arg(terminal::dottedHostAddress(address),
                            QString::fromStdString(localClockText(terminal.lastSeenMs)))
                       .arg((nowMs - terminal.lastSeenMs) / 60'000)});
    }
    return notices;
}

} // namespace veska::journal
