#pragma once
// The end of the user's session (log-off, shutdown: the desktop sends SIGTERM, a closed
// terminal SIGHUP, Ctrl+C SIGINT) ends the program at once: the event loop stops, nothing
// is asked and the price mode is not saved.
//
// The signals are blocked in every thread and read from a signalfd by the event loop. A
// signal handler would run on whichever thread the kernel picks; when that is one of the
// embedded database engine's threads, its interrupted wait leaves the engine spinning at the
// final detach and the program never ends.

#include <QObject>

class QSocketNotifier;

namespace veska::app::platform {

// Call first in main, before any thread exists, so that every thread inherits the block.
void blockSessionEndSignals();

class SessionEnd : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(QObject* parent = nullptr);
    ~SessionEnd() override;

private:
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace veska::app::platform
