#pragma once
// The signals a service gets: SIGTERM (systemctl stop) and SIGINT (Ctrl+C) end it at once
// with exit code 0; SIGHUP (systemctl reload) asks it to read its settings again.
//
// They are blocked in every thread and read from a signalfd by the event loop: a handler
// would run on whichever thread the kernel picks, one of the database engine's too. A
// signal that comes before the event loop runs waits for it, and is then handled first.

#include <QObject>
#include <QSocketNotifier>
#include <functional>

namespace veska::service {

// Call first in main, before any thread exists, so that every thread inherits the block.
void blockServiceSignals();

class ServiceSignals : public QObject {
    Q_OBJECT
public:
    // Needs the application object.
    explicit ServiceSignals(std::function<void()> reload, QObject* parent = nullptr);
    ~ServiceSignals() override;

private:
    void readSignals();

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::function<void()> reload_;
};

} // namespace veska::service
