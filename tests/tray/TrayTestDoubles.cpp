#include "TrayTestDoubles.h"

#include <QThread>
#include <algorithm>

namespace veska::test {

bool RecordingNotifyArea::Notify(uint32_t message, const TNotifyIconDataEx& data) {
    calls.push_back({message, data});
    const auto key = std::make_pair(data.hWnd, data.uID);
    const bool present = icons.count(key) != 0;
    switch (message) {
    case nim::NIM_ADD:
        if (present || !available)
            return false;
        icons[key] = data;
        return true;
    case nim::NIM_MODIFY:
    case nim::NIM_SETVERSION:
        if (!present)
            return false;
        if (message == nim::NIM_MODIFY)
            icons[key] = data;
        return true;
    case nim::NIM_DELETE:
        return icons.erase(key) != 0;
    default:
        return false;
    }
}

void RecordingNotifyArea::RestartShell() {
    icons.clear();
    platform::CurrentApplicationWindow().SendApplicationMessage(platform::TaskbarCreatedMessage());
}

bool RecordingNotifyArea::Shows(uint32_t uID) const {
    for (const auto& icon : icons) {
        if (icon.first.second == uID)
            return true;
    }
    return false;
}

const TNotifyIconDataEx& RecordingNotifyArea::Shown(uint32_t uID) const {
    for (const auto& icon : icons) {
        if (icon.first.second == uID)
            return icon.second;
    }
    throw std::logic_error("icon not shown");
}

std::vector<uint32_t> RecordingNotifyArea::MessagesFor(uint32_t uID) const {
    std::vector<uint32_t> messages;
    for (const NotifyCall& call : calls) {
        if (call.data.uID == uID)
            messages.push_back(call.message);
    }
    return messages;
}

std::size_t RecordingNotifyArea::CountOf(uint32_t message) const {
    std::size_t count = 0;
    for (const NotifyCall& call : calls)
        count += call.message == message ? 1 : 0;
    return count;
}

void RecordingApplicationWindow::ShowWindow(int command) {
    log.push_back("ShowWindow(" + std::to_string(command) + ")");
    taskbarVisible = command != msg::SW_HIDE;
}

void RecordingApplicationWindow::SetForegroundWindow(QWidget* window) {
    log.push_back(window == MainForm() ? "SetForegroundWindow(main)"
                                       : "SetForegroundWindow(other)");
}

void RecordingApplicationWindow::SetMainFormVisible(bool visible) {
    log.push_back(visible ? "SetMainFormVisible(1)" : "SetMainFormVisible(0)");
    mainVisible = visible;
}

void RecordingApplicationWindow::SetMainFormNormal() {
    log.push_back("SetMainFormNormal");
    mainMinimized = false;
}

void RecordingApplicationWindow::TrackPopupMenu(QMenu* menu, QPoint position) {
    log.push_back("TrackPopupMenu");
    menusShown.emplace_back(menu, position);
    if (whileMenuOpen)
        whileMenuOpen(menu);
}

void RecordingApplicationWindow::PostOwnerMessage(QWidget* owner, uint32_t message,
                                                  uintptr_t wParam, intptr_t lParam) {
    log.push_back("PostOwnerMessage(" + std::to_string(message) + ")");
    ApplicationWindow::PostOwnerMessage(owner, message, wParam, lParam);
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

int ManualTimers::StartTimer(uint32_t intervalMs, Tick tick) {
    const int id = nextId_++;
    timers_[id] = Timer{intervalMs, now_ + intervalMs, std::move(tick)};
    return id;
}

void ManualTimers::KillTimer(int id) {
    timers_.erase(id);
}

void ManualTimers::Advance(int64_t ms) {
    const int64_t until = now_ + ms;
    for (;;) {
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due <= until &&
                (next == timers_.end() || it->second.due < next->second.due))
                next = it;
        }
        if (next == timers_.end())
            break;
        now_ = next->second.due;
        next->second.due += std::max<uint32_t>(next->second.interval, 1);
        // The tick may kill or start timers, its own included.
        const Tick tick = next->second.tick;
        tick();
    }
    now_ = until;
}

} // namespace veska::test
