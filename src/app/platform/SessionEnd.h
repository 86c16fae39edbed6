#pragma once
// The end of the user's session (log-off, shutdown: the desktop sends SIGTERM, a closed
// terminal SIGHUP, Ctrl+C SIGINT) ends the program at once: nothing is asked, the price mode
// is not saved, and nothing of the start-up goes on after it.
//
// The signals are read (EndSignals) by the start-up delay, which waits on them instead of
// sleeping, and then by the event loop (also by a message box's own loop).
//
// Until the event loop runs, a signal ends the process on the spot (exit code 0): a box of
// the creation sequence or of the first showing is open then, and closing it would let the
// start-up go on (connect, start the terminal server). Afterwards it stops the event loop,
// and the program ends as after the last window.

#include "shop/platform/EndSignals.h"

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <chrono>

namespace veska::app::platform {

class SessionEnd : public QObject {
    Q_OBJECT
public:
    // Needs no application object yet.
    SessionEnd();
    ~SessionEnd() override;

    // Sleeps for the start-up delay; false when the session ended meanwhile.
    bool sleepUnlessEnded(std::chrono::milliseconds delay);
    // From now on the event loop reads the signals (needs the application object).
    void watch();
    // The program's event loop runs: a signal stops it instead of ending the process.
    void started() { started_ = true; }

private:
    void ended();

    shop::platform::EndSignals signals_;
    QPointer<QSocketNotifier> notifier_;
    bool started_ = false;
};

} // namespace veska::app::platform
