#pragma once
// The desktop's notification area through QSystemTrayIcon, one per (hWnd, uID). The picture
// comes from the icon registry (hIcon), the tip from szTip, balloon notices go to the
// desktop's notification service (QSystemTrayIcon::showMessage). What the desktop reports
// becomes the record's callback message sent to hWnd, after a WM_MOUSEMOVE for the pointer
// being over the icon; the pointer position is read by the component itself.
//
// Nothing that a tray event sets off runs inside Qt's handler of that event: the reports are
// delivered from the event loop, and an icon that goes is hidden and deleted from the event
// loop too, so a handler may remove the very icon (or the window) that reported. On an XEmbed
// tray, hiding a QSystemTrayIcon deletes the tray widget whose mouse handler is running.
//
// Two kinds of notification area, and Qt picks one for the whole run when it makes its first
// icon (Qt 6.4: the bus when a StatusNotifierItem host is registered, XEmbed otherwise; on X
// the widget that Qt makes, or not, for the first icon confirms the choice):
// - XEmbed: the component opens its own menu on the right button; Qt is given no menu.
// - StatusNotifierItem (bus): a copy of the component's menu is exported over the bus, for
//   hosts that only show the bus menu. Such hosts report activations, not clicks: every
//   activation is taken as a double click (the menu's default item opens the window), and a
//   second activation within the double-click time belongs to the same gesture.
//   A removed icon keeps its place for the rest of the double-click time after an activation,
//   so that the second click of a double click does not fall on the panel's next plugin.
// Once Qt has chosen the bus it stays a bus item for the run: where the bus host is gone but
// an XEmbed tray is there, each icon is docked into it as an XEmbedTrayIcon of our own (the
// component's own menu, clicks as on any XEmbed tray), until a bus host returns.
// The first icon is not made while a bus watcher is there but has not answered, as Qt would
// then wait on it. A notification area that appears or reappears is announced as
// "TaskbarCreated" to the application window's hooks (after dropping the icons an XEmbed
// tray lost): the components then add the visible ones again, as after a shell restart. One
// that goes is told to the application window, so that a window hidden into it comes back.

#include "tray/platform/ActivationTranslator.h"
#include "tray/platform/NotifyIcon.h"
#include "tray/platform/TrayHosts.h"
#include "tray/platform/XEmbedTrayIcon.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class QMenu;

namespace veska::platform {

class QtNotifyIconBackend : public QObject, public NotifyIconBackend {
    Q_OBJECT
public:
    enum class Kind { Undecided, XEmbed, Bus };

    // hosts: what the desktop offers (not owned); nullptr watches the desktop itself.
    explicit QtNotifyIconBackend(TrayHosts* hosts = nullptr);
    ~QtNotifyIconBackend() override;

    bool Notify(uint32_t message, const TNotifyIconDataEx& data) override;
    bool NotificationAreaAvailable() const override;
    void SetMenu(uint32_t hWnd, uint32_t uID, QMenu* menu) override;
    // The kind of notification area Qt uses in this run, once it has made an icon.
    Kind UsedKind() const { return kind_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Key = std::pair<uint32_t, uint32_t>; // hWnd, uID
    struct Entry {
        QSystemTrayIcon* icon = nullptr;
        QMenu* exported = nullptr; // the copy of the menu given to a bus host
        // Stands in for the bus item in an XEmbed tray while no bus host is there.
        QPointer<XEmbedTrayIcon> embedded;
        ActivationTranslator translator;
        uint32_t callbackMessage = 0;
        uint32_t version = 0;
        bool balloonShown = false;
        uint64_t balloonSerial = 0;
        // When the host last activated the icon (clock_), or -1.
        int64_t lastActivationMs = -1;
    };

    bool add(const TNotifyIconDataEx& data);
    bool modify(const TNotifyIconDataEx& data);
    bool remove(const TNotifyIconDataEx& data);
    void apply(Entry& entry, const TNotifyIconDataEx& data);
    void exportMenu(const Key& key, Entry& entry);
    // What an icon (Qt's or our stand-in) reports, handed to activated() from the event loop.
    std::function<void(QSystemTrayIcon::ActivationReason)>
    activationReporter(const Key& key, const std::shared_ptr<Entry>& entry);
    // Docks, moves or withdraws the stand-in of a bus item, as the hosts are now.
    void followXEmbedTray(const Key& key, const std::shared_ptr<Entry>& entry);
    // True when the kind turned out other than guessed.
    bool settleKind(Entry& entry);
    void showBalloon(const Key& key, Entry& entry, const TNotifyIconDataEx& data);
    void hideBalloon(const Key& key, Entry& entry);
    void activated(const Key& key, const std::weak_ptr<Entry>& reporter,
                   QSystemTrayIcon::ActivationReason reason, int64_t atMs);
    void balloonClicked(const Key& key);
    // Sends the callback message if the icon still exists; false once it is gone.
    bool deliver(const Key& key, const std::shared_ptr<Entry>& entry, uint32_t event);
    void post(const Key& key, uint32_t event);
    void hostsChanged();
    void dropAll();
    // Hides and deletes an icon (and its exported menu) from the event loop, after the delay.
    void retire(Entry& entry, int delayMs = 0);

    std::unique_ptr<TrayHosts> ownHosts_;
    TrayHosts* hosts_;
    std::map<Key, std::shared_ptr<Entry>> icons_;
    std::map<Key, QPointer<QMenu>> menus_;
    std::vector<QPointer<QMenu>> exportedMenus_;
    std::vector<QPointer<XEmbedTrayIcon>> embeddedIcons_;
    QElapsedTimer clock_;
    bool areaWasAvailable_ = false;
    Kind kind_ = Kind::Undecided;
    bool kindSettled_ = false;
};

} // namespace veska::platform
