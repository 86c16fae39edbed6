#include "tray/platform/QtNotifyIconBackend.h"

#include "core/CodePage.h"
#include "tray/TrayMessages.h"
#include "tray/platform/ApplicationWindow.h"
#include "tray/platform/IconRegistry.h"
#include "tray/platform/Input.h"
#include "tray/platform/MessageWindow.h"

#include <QPixmap>
#include <QTimer>
#include <cstring>

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

} // namespace

QtNotifyIconBackend::QtNotifyIconBackend(std::function<bool()> areaAvailable, uint32_t pollMs)
    : areaAvailable_(std::move(areaAvailable)) {
    if (!areaAvailable_)
        areaAvailable_ = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    clock_.start();
    areaWasAvailable_ = areaAvailable_();
    poll_ = std::make_unique<TLightTimer>(pollMs, [this](TLightTimer*) { pollNotificationArea(); });
    poll_->SetEnabled(true);
}

QtNotifyIconBackend::~QtNotifyIconBackend() {
    poll_.reset();
    for (auto& entry : icons_)
        delete entry.second->icon;
}

bool QtNotifyIconBackend::NotificationAreaAvailable() const {
    return areaAvailable_();
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

bool QtNotifyIconBackend::add(const TNotifyIconDataEx& data) {
    const Key key{data.hWnd, data.uID};
    if (icons_.count(key) != 0 || !areaAvailable_())
        return false;
    auto entry = std::make_shared<Entry>();
    entry->icon = new QSystemTrayIcon(this);
    connect(entry->icon, &QSystemTrayIcon::activated, this,
            [this, key](QSystemTrayIcon::ActivationReason reason) { activated(key, reason); });
    connect(entry->icon, &QSystemTrayIcon::messageClicked, this,
            [this, key] { balloonClicked(key); });
    icons_.emplace(key, entry);
    apply(*entry, data);
    entry->icon->show();
    if ((data.uFlags & nim::NIF_INFO) != 0 && data.szInfo[0] != 0)
        showBalloon(key, *entry, data);
    return true;
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
    QSystemTrayIcon* icon = found->second->icon;
    icons_.erase(found);
    // It may be the very icon whose signal is being handled.
    icon->hide();
    icon->deleteLater();
    return true;
}

void QtNotifyIconBackend::apply(Entry& entry, const TNotifyIconDataEx& data) {
    if ((data.uFlags & nim::NIF_MESSAGE) != 0)
        entry.callbackMessage = data.uCallbackMessage;
    if ((data.uFlags & nim::NIF_ICON) != 0)
        entry.icon->setIcon(pictureFor(data.hIcon));
    if ((data.uFlags & nim::NIF_TIP) != 0)
        entry.icon->setToolTip(tipText(data));
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

void QtNotifyIconBackend::activated(const Key& key, QSystemTrayIcon::ActivationReason reason) {
    const auto found = icons_.find(key);
    if (found == icons_.end())
        return;
    const std::shared_ptr<Entry> entry = found->second;
    const std::vector<uint32_t> events =
        entry->translator.Translate(reason, clock_.elapsed(), GetDoubleClickTime(), entry->version);
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

void QtNotifyIconBackend::pollNotificationArea() {
    const bool available = areaAvailable_();
    const bool appeared = available && !areaWasAvailable_;
    areaWasAvailable_ = available;
    if (!appeared)
        return;
    dropAll();
    CurrentApplicationWindow().SendApplicationMessage(TaskbarCreatedMessage());
}

void QtNotifyIconBackend::dropAll() {
    for (auto& entry : icons_) {
        entry.second->icon->hide();
        entry.second->icon->deleteLater();
    }
    icons_.clear();
}

} // namespace veska::platform
