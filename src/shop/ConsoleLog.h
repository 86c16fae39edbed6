#pragma once
// The last lines of the activity log, as the web console shows them. The program's own log
// (the window's, or standard output) keeps every line it writes here, so that the console
// shows what the operator or journald sees: the shop's services' lines, the window's own and
// the failures alike.

#include <QString>
#include <deque>
#include <vector>

namespace veska::shop {

class ConsoleLog {
public:
    static constexpr std::size_t keptLines = 500;

    void keep(const QString& line) {
        kept_.push_back(line);
        if (kept_.size() > keptLines)
            kept_.pop_front();
    }
    std::vector<QString> lines() const { return {kept_.begin(), kept_.end()}; }

private:
    std::deque<QString> kept_;
};

} // namespace veska::shop
