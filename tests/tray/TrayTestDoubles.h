#pragma once
// Test doubles for the tray platform layer: a notification area that records every call and
// keeps icons as the shell does, and an application window that records what is done to it.

#include "tray/TNotifyIconDataEx.h"
#include "tray/platform/ApplicationWindow.h"
#include "tray/platform/NotifyIcon.h"
#include "tray/platform/Timers.h"
#include "tray/platform/TrayHosts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace veska::test {

struct NotifyCall {
    uint32_t message;
    TNotifyIconDataEx data;
};

class RecordingNotifyArea : public platform::NotifyIconBackend {
public:
    bool Notify(uint32_t message, const TNotifyIconDataEx& data) override;
    bool NotificationAreaAvailable() const override { return available; }

    // The shell restarts: every icon is lost and "TaskbarCreated" goes to the hooks.
    void RestartShell();
    bool Shows(uint32_t uID) const;
    const TNotifyIconDataEx& Shown(uint32_t uID) const;
    std::vector<uint32_t> MessagesFor(uint32_t uID) const;
    std::size_t CountOf(uint32_t message) const;

    bool available = true;
    std::vector<NotifyCall> calls;
    std::map<std::pair<uint32_t, uint32_t>, TNotifyIconDataEx> icons;
};

// The desktop's notification areas as a test sets them; every change is announced.
class StandInTrayHosts : public platform::TrayHosts {
public:
    bool BusHost() const override { return busHost; }
    bool BusUnanswered() const override { return busUnanswered; }
    bool XEmbedTray() const override { return xembedTray; }
    void Set(bool bus, bool unanswered, bool xembed) {
        busHost = bus;
        busUnanswered = unanswered;
        xembedTray = xembed;
        Q_EMIT Changed();
    }

    bool busHost = false;
    bool busUnanswered = false;
    bool xembedTray = true;
};

class RecordingApplicationWindow : public platform::ApplicationWindow {
public:
    bool IsWindowVisible() const override { return taskbarVisible; }
    void ShowWindow(int command) override;
    void SetForegroundWindow() override { log.push_back("SetForegroundWindow(app)"); }
    void SetForegroundWindow(QWidget* window) override;
    bool IsMultiDocumentFrame(const QWidget*) const override { return multiDocument; }
    void SetMainFormVisible(bool visible) override;
    bool IsMainFormMinimized() const override { return mainMinimized; }
    void SetMainFormNormal() override;
    void Restore() override { log.push_back("Restore"); }
    void ProcessMessages() override { log.push_back("ProcessMessages"); }
    bool Terminating() const override { return terminating; }
    void TrackPopupMenu(QMenu* menu, QPoint position) override;
    void PostOwnerMessage(QWidget* owner, uint32_t message, uintptr_t wParam,
                          intptr_t lParam) override;

    bool taskbarVisible = true;
    bool mainVisible = true;
    bool mainMinimized = false;
    bool multiDocument = false;
    bool terminating = false;
    std::vector<std::string> log;
    std::vector<std::pair<QMenu*, QPoint>> menusShown;
    // Runs while the menu is "open" (an operator's pick, for instance).
    std::function<void(QMenu*)> whileMenuOpen;
};

// Timers on a clock that only the test moves: Advance fires every tick that falls due, in
// time order, as the event loop would, and nothing ever waits.
class ManualTimers : public platform::TimerBackend {
public:
    int StartTimer(uint32_t intervalMs, Tick tick) override;
    void KillTimer(int id) override;
    void Advance(int64_t ms);
    std::size_t Running() const { return timers_.size(); }
    int64_t Now() const { return now_; }

private:
    struct Timer {
        uint32_t interval;
        int64_t due;
        Tick tick;
    };
    int64_t now_ = 0;
    int nextId_ = 1;
    std::map<int, Timer> timers_;
};

// Installs manual timers for the life of the object.
struct ManualTimersInstalled {
    ManualTimersInstalled() { platform::SetTimerBackend(&timers); }
    ~ManualTimersInstalled() { platform::SetTimerBackend(nullptr); }
    ManualTimers timers;
};

// Processes events until the condition holds or the time is up; returns the condition.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 2000);

} // namespace veska::test
