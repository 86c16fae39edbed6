#pragma once
// What kinds of notification area the desktop offers now, learnt without ever waiting on
// the desktop bus: a StatusNotifierItem host (a panel that shows bus icons, announced by
// the org.kde.StatusNotifierWatcher service) and an XEmbed tray (the owner of the X
// selection _NET_SYSTEM_TRAY_S<screen>). The GUI thread also runs the terminal service, so a
// panel that hangs must not hang it: the bus is only watched through signals and
// asynchronous calls, whose answers may come late or never.

#include <QObject>
#include <cstdint>

namespace veska::platform {

class TrayHosts : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A bus host is registered and its watcher has said so.
    virtual bool BusHost() const = 0;
    // Not known yet whether a watcher is on the bus, or one is but has not answered yet
    // (starting, or hung). Qt asks it with a blocking call when it makes its first tray
    // icon, so none may be made meanwhile.
    virtual bool BusUnanswered() const = 0;
    virtual bool XEmbedTray() const = 0;

Q_SIGNALS:
    void Changed();
};

// The desktop's hosts: the session bus watched through a service watcher and asynchronous
// property reads, the X selection owner looked up twice a second (one X round trip); a new
// owner is announced as a change even when it took over between two looks.
class DesktopTrayHosts final : public TrayHosts {
    Q_OBJECT
public:
    explicit DesktopTrayHosts(QObject* parent = nullptr);
    ~DesktopTrayHosts() override;

    bool BusHost() const override { return watcherOwned_ && hostRegistered_; }
    bool BusUnanswered() const override {
        return !busKnown_ || (watcherOwned_ && !watcherAnswered_);
    }
    bool XEmbedTray() const override { return xembedOwner_ != 0; }

private Q_SLOTS:
    void askHostRegistered();

private:
    void watchBus();
    void watcherAppeared();
    void watcherGone();
    void lookForXEmbedTray();

    // The bus daemon has said whether a watcher is there (true at once without a bus).
    bool busKnown_ = false;
    bool watcherOwned_ = false;
    bool watcherAnswered_ = false;
    bool hostRegistered_ = false;
    uint32_t xembedOwner_ = 0;
    // Bumped whenever the watcher changes hands: an answer from an older one is ignored.
    unsigned generation_ = 0;
};

} // namespace veska::platform
