#include "tray/platform/QtNotifyIconBackend.h"

#include "core/CodePage.h"
#include "tray/TrayMessages.h"
#include "tray/platform/ApplicationWindow.h"
#include "tray/platform/IconRegistry.h"
#include "tray/platform/Input.h"
#include "tray/platform/MessageWindow.h"
#include "tray/platform/XTraySelection.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QPixmap>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <vector>

namespace veska::platform {
namespace {

QString tipText(const TNotifyIconDataEx& data) {
    qsizetype length = 0;
    while (length < 128 && data.szTip[length] != 0)
        ++length;
    return QString::fromUtf16(data.szTip, length);
}

template <std::size_t N> QString ansiText(const char (&field)[N]) {
    return codepage::toUnicode(QByteArrayView(field, static_cast<qsizetype>(strnlen(field, N))));
}

QIcon pictureFor(uint32_t handle) {
    QIcon picture = LookupIcon(handle);
    if (picture.isNull()) {
        // The desktop shows nothing for an icon without a picture: a blank one holds the place.
        QPixmap blank(32, 32);
        blank.fill(Qt::transparent);
        picture = QIcon(blank);
    }
    return picture;
}

QSystemTrayIcon::MessageIcon balloonIcon(uint32_t infoFlags) {
    switch (infoFlags) {
    case nim::NIIF_INFO:
        return QSystemTrayIcon::Information;
    case nim::NIIF_WARNING:
        return QSystemTrayIcon::Warning;
    case nim::NIIF_ERROR:
        return QSystemTrayIcon::Critical;
    default:
        return QSystemTrayIcon::NoIcon;
    }
}

// Whether the program runs on an X server (Qt's xcb platform).
bool onX() {
    return QGuiApplication::platformName() == QStringLiteral("xcb");
}

// Whether Qt has embedded an icon into an XEmbed tray: it makes a top-level widget of its
// own class for each such icon.
bool qtMadeAnXEmbedIcon() {
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0)
            return true;
    }
    return false;
}

// The bus menu's copy of the component's menu: the same items, each running the
// original's action from the event loop (after the host's call has been answered).
void copyMenu(QMenu& copy, const QMenu& source) {
    copy.clear();
    for (QAction* item : source.actions()) {
        if (!item->isVisible())
            continue;
        if (item->isSeparator()) {
            copy.addSeparator();
            continue;
        }
        QAction* mirror = copy.addAction(item->icon(), item->text());
        mirror->setEnabled(item->isEnabled());
        mirror->setCheckable(item->isCheckable());
        mirror->setChecked(item->isChecked());
        if (item == source.defaultAction())
            copy.setDefaultAction(mirror);
        const QPointer<QAction> original(item);
        QObject::connect(mirror, &QAction::triggered, item, [original] {
            QMetaObject::invokeMethod(
                original.data(),
                [original] {
                    if (!original.isNull())
                        original->trigger();
                },
                Qt::QueuedConnection);
        });
    }
}

} // namespace

QtNotifyIconBackend::QtNotifyIconBackend(TrayHosts* hosts) : hosts_(hosts) {
    if (hosts_ == nullptr) {
        ownHosts_ = std::make_unique<DesktopTrayHosts>();
        hosts_ = ownHosts_.get();
    }
    clock_.start();
    areaWasAvailable_ = NotificationAreaAvailable();
    connect(hosts_, &TrayHosts::Changed, this, &QtNotifyIconBackend::hostsChanged);
}

QtNotifyIconBackend::~QtNotifyIconBackend() {
    // Not inside any tray handler here: the icons (also those waiting to be retired, all
    // children of this object) go now, then the exported menus.
    for (QSystemTrayIcon* icon : findChildren<QSystemTrayIcon*>(Qt::FindDirectChildrenOnly))
        delete icon;
    icons_.clear();
    for (const QPointer<QMenu>& menu : exportedMenus_)
        delete menu.data();
    for (const QPointer<XEmbedTrayIcon>& embedded : embeddedIcons_)
        delete embedded.data();
}

bool QtNotifyIconBackend::NotificationAreaAvailable() const {
    switch (kind_) {
    case Kind::Bus:
        // Without a bus host, an XEmbed tray takes our stand-ins.
        return hosts_->BusHost() || (hosts_->XEmbedTray() && onX());
    case Kind::XEmbed:
        return hosts_->XEmbedTray();
    case Kind::Undecided:
    default:
        // Qt asks a bus watcher with a blocking call when it makes its first icon.
        return !hosts_->BusUnanswered() && (hosts_->BusHost() || hosts_->XEmbedTray());
    }
}

bool QtNotifyIconBackend::Notify(uint32_t message, const TNotifyIconDataEx& data) {
    switch (message) {
    case nim::NIM_ADD:
        return add(data);
    case nim::NIM_MODIFY:
        return modify(data);
    case nim::NIM_DELETE:
        return remove(data);
    case nim::NIM_SETVERSION: {
        const auto found = icons_.find({data.hWnd, data.uID});
        if (found == icons_.end())
            return false;
        found->second->version = data.TimeoutOrVersion.uVersion;
        return true;
    }
    default:
        return false;
    }
}

void QtNotifyIconBackend::SetMenu(uint32_t hWnd, uint32_t uID, QMenu* menu) {
    const Key key{hWnd, uID};
    if (menu == nullptr)
        menus_.erase(key);
    else {
        menus_[key] = menu;
        menu->removeEventFilter(this);
        menu->installEventFilter(this);
    }
    const auto found = icons_.find(key);
    if (found != icons_.end())
        exportMenu(key, *found->second);
}

bool QtNotifyIconBackend::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::ActionAdded && type != QEvent::ActionChanged &&
        type != QEvent::ActionRemoved)
        return false;
    // The bus copies follow the menu, from the event loop.
    const QPointer<QObject> menu(watched);
    QMetaObject::invokeMethod(
        this,
        [this, menu] {
            for (auto& [key, entry] : icons_) {
                const auto source = menus_.find(key);
                if (!menu.isNull() && source != menus_.end() && source->second == menu)
                    exportMenu(key, *entry);
            }
        },
        Qt::QueuedConnection);
    return false;
}

bool QtNotifyIconBackend::add(const TNotifyIconDataEx& data) {
    const Key key{data.hWnd, data.uID};
    if (icons_.count(key) != 0 || !NotificationAreaAvailable())
        return false;
    if (kind_ == Kind::Undecided)
        kind_ = hosts_->BusHost() ? Kind::Bus : Kind::XEmbed;
    auto entry = std::make_shared<Entry>();
    entry->translator.SetBusHost(kind_ == Kind::Bus);
    entry->icon = new QSystemTrayIcon(this);
    connect(entry->icon, &QSystemTrayIcon::activated, this, activationReporter(key, entry));
    connect(
        entry->icon, &QSystemTrayIcon::messageClicked, this, [this, key] { balloonClicked(key); },
        Qt::QueuedConnection);
    icons_.emplace(key, entry);
    apply(*entry, data);
    exportMenu(key, *entry);
    entry->icon->show();
    if (settleKind(*entry))
        exportMenu(key, *entry);
    followXEmbedTray(key, entry);
    if ((data.uFlags & nim::NIF_INFO) != 0 && data.szInfo[0] != 0)
        showBalloon(key, *entry, data);
    return true;
}

std::function<void(QSystemTrayIcon::ActivationReason)>
QtNotifyIconBackend::activationReporter(const Key& key, const std::shared_ptr<Entry>& entry) {
    const std::weak_ptr<Entry> reporter = entry;
    // Icons report from inside their own handlers: what the report sets off runs later.
    return [this, key, reporter](QSystemTrayIcon::ActivationReason reason) {
        const int64_t atMs = clock_.elapsed();
        QMetaObject::invokeMethod(
            this, [this, key, reporter, reason, atMs] { activated(key, reporter, reason, atMs); },
            Qt::QueuedConnection);
    };
}

void QtNotifyIconBackend::followXEmbedTray(const Key& key, const std::shared_ptr<Entry>& entry) {
    const bool standIn = kind_ == Kind::Bus && entry->icon != nullptr && !hosts_->BusHost() &&
                         hosts_->XEmbedTray() && onX();
    const uint32_t tray = standIn ? XEmbedTrayOwner() : 0;
    const uint32_t docked = entry->embedded.isNull() ? 0 : entry->embedded->DockedTo();
    if (tray == docked)
        return;
    // Gone with its tray, or the bus host is back (Qt's item shows there again).
    if (XEmbedTrayIcon* old = entry->embedded.data()) {
        old->hide();
        old->deleteLater();
    }
    entry->embedded = nullptr;
    entry->translator.SetBusHost(kind_ == Kind::Bus);
    if (tray == 0)
        return;
    auto* embedded = new XEmbedTrayIcon;
    std::erase_if(embeddedIcons_,
                  [](const QPointer<XEmbedTrayIcon>& gone) { return gone.isNull(); });
    embeddedIcons_.emplace_back(embedded);
    embedded->SetIcon(entry->icon->icon());
    embedded->setToolTip(entry->icon->toolTip());
    connect(embedded, &XEmbedTrayIcon::Activated, this, activationReporter(key, entry));
    if (!embedded->Dock(tray)) {
        delete embedded;
        return;
    }
    entry->embedded = embedded;
    // It reports clicks, as Qt's own XEmbed icon does.
    entry->translator.SetBusHost(false);
}

// The kind was guessed from the hosts as Qt 6.4 chooses; later Qt versions choose the bus
// as soon as a watcher is there. On X, what Qt made for the first icon tells.
bool QtNotifyIconBackend::settleKind(Entry& entry) {
    if (kindSettled_ || !onX())
        return false;
    kindSettled_ = true;
    const Kind guessed = kind_;
    if (qtMadeAnXEmbedIcon())
        kind_ = Kind::XEmbed;
    else if (kind_ == Kind::XEmbed && hosts_->XEmbedTray())
        kind_ = Kind::Bus; // a tray was there, yet Qt embedded nothing: it took the bus
    entry.translator.SetBusHost(kind_ == Kind::Bus);
    return kind_ != guessed;
}

void QtNotifyIconBackend::exportMenu(const Key& key, Entry& entry) {
    if (kind_ != Kind::Bus) {
        // An XEmbed tray would pop Qt's menu up besides the component's own.
        if (entry.icon->contextMenu() != nullptr)
            entry.icon->setContextMenu(nullptr);
        return;
    }
    const auto source = menus_.find(key);
    QMenu* menu = source == menus_.end() ? nullptr : source->second.data();
    if (menu == nullptr) {
        entry.icon->setContextMenu(nullptr);
        return;
    }
    if (entry.exported == nullptr) {
        entry.exported = new QMenu;
        // Those of retired icons are gone already.
        std::erase_if(exportedMenus_, [](const QPointer<QMenu>& gone) { return gone.isNull(); });
        exportedMenus_.emplace_back(entry.exported);
    }
    copyMenu(*entry.exported, *menu);
    entry.icon->setContextMenu(entry.exported);
}

bool QtNotifyIconBackend::modify(const TNotifyIconDataEx& data) {
    const Key key{data.hWnd, data.uID};
    const auto found = icons_.find(key);
    if (found == icons_.end())
        return false;
    Entry& entry = *found->second;
    apply(entry, data);
    if ((data.uFlags & nim::NIF_INFO) != 0) {
        if (data.szInfo[0] != 0)
            showBalloon(key, entry, data);
        else
            hideBalloon(key, entry);
    }
    return true;
}

bool QtNotifyIconBackend::remove(const TNotifyIconDataEx& data) {
    const auto found = icons_.find({data.hWnd, data.uID});
    if (found == icons_.end())
        return false;
    const std::shared_ptr<Entry> entry = found->second;
    icons_.erase(found);
    // A bus host reports each click of a double click as an activation, and a panel closes
    // the gap of an icon that leaves: the second click would land on its neighbour (a
    // workspace switcher, say). The icon keeps its place for the rest of the double-click
    // time after an activation; activations of an icon that was removed reach no one.
    int lingerMs = 0;
    if (kind_ == Kind::Bus && entry->lastActivationMs >= 0) {
        const int64_t since = clock_.elapsed() - entry->lastActivationMs;
        lingerMs = static_cast<int>(std::max<int64_t>(0, GetDoubleClickTime() - since));
    }
    retire(*entry, lingerMs);
    return true;
}

void QtNotifyIconBackend::retire(Entry& entry, int delayMs) {
    // The caller may be running inside this icon's handler (a menu item picked from it, a
    // double click on it): the icon goes once control is back in the event loop.
    const QPointer<QSystemTrayIcon> icon(entry.icon);
    const QPointer<QMenu> exported(entry.exported);
    const QPointer<XEmbedTrayIcon> embedded(entry.embedded);
    entry.icon = nullptr;
    entry.exported = nullptr;
    entry.embedded = nullptr;
    QTimer::singleShot(delayMs, this, [icon, exported, embedded] {
        if (!icon.isNull()) {
            icon->hide();
            delete icon.data();
        }
        delete exported.data();
        delete embedded.data();
    });
}

void QtNotifyIconBackend::apply(Entry& entry, const TNotifyIconDataEx& data) {
    if ((data.uFlags & nim::NIF_MESSAGE) != 0)
        entry.callbackMessage = data.uCallbackMessage;
    if ((data.uFlags & nim::NIF_ICON) != 0)
        entry.icon->setIcon(pictureFor(data.hIcon));
    if ((data.uFlags & nim::NIF_TIP) != 0)
        entry.icon->setToolTip(tipText(data));
    if (XEmbedTrayIcon* embedded = entry.embedded.data()) {
        embedded->SetIcon(entry.icon->icon());
        embedded->setToolTip(entry.icon->toolTip());
    }
}

void QtNotifyIconBackend::showBalloon(const Key& key, Entry& entry, const TNotifyIconDataEx& data) {
    const int timeout = static_cast<int>(data.TimeoutOrVersion.uTimeout);
    entry.icon->showMessage(ansiText(data.szInfoTitle), ansiText(data.szInfo),
                            balloonIcon(data.dwInfoFlags), timeout);
    entry.balloonShown = true;
    const uint64_t serial = ++entry.balloonSerial;
    post(key, msg::NIN_BALLOONSHOW);
    // The notification service does not say when a notice expires: its time-out does.
    QTimer::singleShot(timeout, this, [this, key, serial] {
        const auto found = icons_.find(key);
        if (found == icons_.end() || !found->second->balloonShown ||
            found->second->balloonSerial != serial)
            return;
        found->second->balloonShown = false;
        post(key, msg::NIN_BALLOONTIMEOUT);
    });
}

void QtNotifyIconBackend::hideBalloon(const Key& key, Entry& entry) {
    if (!entry.balloonShown)
        return;
    entry.balloonShown = false;
    ++entry.balloonSerial;
    post(key, msg::NIN_BALLOONHIDE);
}

void QtNotifyIconBackend::balloonClicked(const Key& key) {
    const auto found = icons_.find(key);
    if (found == icons_.end())
        return;
    found->second->balloonShown = false;
    ++found->second->balloonSerial;
    post(key, msg::NIN_BALLOONUSERCLICK);
}

void QtNotifyIconBackend::activated(const Key& key, const std::weak_ptr<Entry>& reporter,
                                    QSystemTrayIcon::ActivationReason reason, int64_t atMs) {
    const auto found = icons_.find(key);
    // The icon that reported may have gone (or been replaced) since.
    if (found == icons_.end() || found->second != reporter.lock())
        return;
    const std::shared_ptr<Entry> entry = found->second;
    entry->lastActivationMs = atMs;
    const std::vector<uint32_t> events =
        entry->translator.Translate(reason, atMs, GetDoubleClickTime(), entry->version);
    if (events.empty())
        return;
    if (!deliver(key, entry, msg::WM_MOUSEMOVE))
        return;
    for (uint32_t event : events) {
        if (!deliver(key, entry, event))
            return;
    }
}

bool QtNotifyIconBackend::deliver(const Key& key, const std::shared_ptr<Entry>& entry,
                                  uint32_t event) {
    // An earlier message's handler may have removed the icon (or removed and added it).
    const auto found = icons_.find(key);
    if (found == icons_.end() || found->second != entry)
        return false;
    SendMessageW(key.first, entry->callbackMessage, key.second, static_cast<intptr_t>(event));
    return true;
}

void QtNotifyIconBackend::post(const Key& key, uint32_t event) {
    const auto found = icons_.find(key);
    if (found == icons_.end())
        return;
    PostMessageW(key.first, found->second->callbackMessage, key.second,
                 static_cast<intptr_t>(event));
}

void QtNotifyIconBackend::hostsChanged() {
    for (const auto& [key, entry] : icons_)
        followXEmbedTray(key, entry);
    const bool available = NotificationAreaAvailable();
    const bool appeared = available && !areaWasAvailable_;
    const bool gone = !available && areaWasAvailable_;
    areaWasAvailable_ = available;
    if (gone) {
        // A window hidden into it would be out of reach until a notification area returns.
        CurrentApplicationWindow().NotificationAreaGone();
        return;
    }
    if (!appeared)
        return;
    // A new XEmbed tray has none of our icons. Qt registers its bus icons again by itself
    // with a new watcher; the announcement then adds only those that were refused.
    if (kind_ != Kind::Bus)
        dropAll();
    CurrentApplicationWindow().SendApplicationMessage(TaskbarCreatedMessage());
}

void QtNotifyIconBackend::dropAll() {
    for (auto& entry : icons_)
        retire(*entry.second);
    icons_.clear();
}

} // namespace veska::platform
