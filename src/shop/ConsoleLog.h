#pragma once
// The activity log as the web console shows it: every line goes on to the program's own log
// (the window, or standard output) and the last lines are kept for the console.

#include "core/Notices.h"

#include <QString>
#include <deque>
#include <vector>

namespace veska::shop {

class ConsoleLog final : public ActivityLog {
public:
    static constexpr std::size_t keptLines = 500;

    explicit ConsoleLog(ActivityLog& next) : next_(next) {}

    void appendLine(const QString& line) override {
        kept_.push_back(line);
        if (kept_.size() > keptLines)
            kept_.pop_front();
        next_.appendLine(line);
    }
    std::vector<QString> lines() const { return {kept_.begin(), kept_.end()}; }

private:
    ActivityLog& next_;
    std::deque<QString> kept_;
};

} // namespace veska::shop
