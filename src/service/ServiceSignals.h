#pragma once
// The signals a service gets: SIGTERM (systemctl stop) and SIGINT (Ctrl+C) end it at once
// with exit code 0; SIGHUP (systemctl reload) asks it to read its settings again. Read by the
// event loop; a signal that comes before it runs waits for it, and is then handled first.

#include "shop/platform/EndSignals.h"

#include <QObject>
#include <QSocketNotifier>
#include <functional>

namespace veska::service {

class ServiceSignals : public QObject {
    Q_OBJECT
public:
    // Needs the application object.
    explicit ServiceSignals(std::function<void()> reload, QObject* parent = nullptr);
    ~ServiceSignals() override;

private:
    void readSignals();

    shop::platform::EndSignals signals_;
    QSocketNotifier* notifier_ = nullptr;
    std::function<void()> reload_;
};

} // namespace veska::service
