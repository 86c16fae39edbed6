#pragma once
// The desktop's notification area through QSystemTrayIcon, one per (hWnd, uID). The picture
// comes from the icon registry (hIcon), the tip from szTip, balloon notices go to the
// desktop's notification service (QSystemTrayIcon::showMessage). What the desktop reports
// becomes the record's callback message sent to hWnd, after a WM_MOUSEMOVE for the pointer
// being over the icon; the pointer position is read by the component itself.
//
// The icons are children of the backend (one QSystemTrayIcon per icon shown).
// The menu is never handed to Qt: the component opens its own on WM_RBUTTONDOWN.
// A notification area that appears or reappears (polled every 2 s) is announced as
// "TaskbarCreated" to the application window's hooks, after dropping the icons it had:
// the components then add the visible ones again, as after a shell restart.

#include "tray/TLightTimer.h"
#include "tray/platform/ActivationTranslator.h"
#include "tray/platform/NotifyIcon.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <map>
#include <memory>
#include <utility>

namespace veska::platform {

class QtNotifyIconBackend : public QObject, public NotifyIconBackend {
    Q_OBJECT
public:
    // How to tell whether the desktop has a notification area (QSystemTrayIcon's check by
    // default) and how often to look; tests stand in for the desktop through them.
    explicit QtNotifyIconBackend(std::function<bool()> areaAvailable = {}, uint32_t pollMs = 2000);
    ~QtNotifyIconBackend() override;

    bool Notify(uint32_t message, const TNotifyIconDataEx& data) override;
    bool NotificationAreaAvailable() const override;

private:
    using Key = std::pair<uint32_t, uint32_t>; // hWnd, uID
    struct Entry {
        QSystemTrayIcon* icon = nullptr;
        ActivationTranslator translator;
        uint32_t callbackMessage = 0;
        uint32_t version = 0;
        bool balloonShown = false;
        uint64_t balloonSerial = 0;
    };

    bool add(const TNotifyIconDataEx& data);
    bool modify(const TNotifyIconDataEx& data);
    bool remove(const TNotifyIconDataEx& data);
    void apply(Entry& entry, const TNotifyIconDataEx& data);
    void showBalloon(const Key& key, Entry& entry, const TNotifyIconDataEx& data);
    void hideBalloon(const Key& key, Entry& entry);
    void activated(const Key& key, QSystemTrayIcon::ActivationReason reason);
    void balloonClicked(const Key& key);
    // Sends the callback message if the icon still exists; false once it is gone.
    bool deliver(const Key& key, const std::shared_ptr<Entry>& entry, uint32_t event);
    void post(const Key& key, uint32_t event);
    void pollNotificationArea();
    void dropAll();

    std::function<bool()> areaAvailable_;
    std::map<Key, std::shared_ptr<Entry>> icons_;
    QElapsedTimer clock_;
    bool areaWasAvailable_ = false;
    std::unique_ptr<TLightTimer> poll_;
};

} // namespace veska::platform
