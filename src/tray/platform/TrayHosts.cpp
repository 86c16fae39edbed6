#include "tray/platform/TrayHosts.h"

#include "tray/platform/XConnection.h"
#include "tray/platform/XTraySelection.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QTimer>
#include <memory>

namespace veska::platform {
namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

} // namespace

DesktopTrayHosts::DesktopTrayHosts(QObject* parent) : TrayHosts(parent) {
    watchBus();
    if (XConnection() != nullptr) {
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, &DesktopTrayHosts::lookForXEmbedTray);
        poll->start(500);
        lookForXEmbedTray();
    }
}

DesktopTrayHosts::~DesktopTrayHosts() = default;

void DesktopTrayHosts::watchBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        busKnown_ = true;
        return;
    }
    auto* owner = new QDBusServiceWatcher(kWatcherService, bus,
                                          QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(owner, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                if (!oldOwner.isEmpty())
                    watcherGone();
                if (!newOwner.isEmpty())
                    watcherAppeared();
            });
    // Hosts coming and going, from any sender on the watcher's path (a named sender would
    // make Qt look the name's owner up with a blocking call).
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        bus.connect(QString(), kWatcherPath, kWatcherService, QString::fromLatin1(signal), this,
                    SLOT(askHostRegistered()));
    // Whether a watcher is there already: asked of the bus daemon, answered later.
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hasOwner << kWatcherService;
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(hasOwner), this);
    const unsigned generation = generation_;
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<bool> reply = *call;
                if (busKnown_ || generation != generation_)
                    return; // the watcher's owner has changed since: that is known
                busKnown_ = true;
                if (!reply.isError() && reply.value())
                    watcherAppeared();
                else
                    Q_EMIT Changed();
            });
}

void DesktopTrayHosts::watcherAppeared() {
    busKnown_ = true;
    ++generation_;
    watcherOwned_ = true;
    watcherAnswered_ = false;
    hostRegistered_ = false;
    Q_EMIT Changed();
    askHostRegistered();
}

void DesktopTrayHosts::watcherGone() {
    const bool changed = watcherOwned_ || !busKnown_;
    busKnown_ = true;
    ++generation_;
    watcherOwned_ = false;
    watcherAnswered_ = false;
    hostRegistered_ = false;
    if (changed)
        Q_EMIT Changed();
}

void DesktopTrayHosts::askHostRegistered() {
    if (!watcherOwned_)
        return;
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* pending = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get), this);
    const unsigned generation = generation_;
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (generation != generation_)
                    return; // an answer about a watcher that has gone since
                const QDBusPendingReply<QDBusVariant> reply = *call;
                if (reply.isError() && (reply.error().type() == QDBusError::NoReply ||
                                        reply.error().type() == QDBusError::Timeout)) {
                    // A hung watcher: still unanswered; ask again, without waiting.
                    askHostRegistered();
                    return;
                }
                const bool host = !reply.isError() && reply.value().variant().toBool();
                const bool changed = !watcherAnswered_ || host != hostRegistered_;
                watcherAnswered_ = true;
                hostRegistered_ = host;
                if (changed)
                    Q_EMIT Changed();
            });
}

void DesktopTrayHosts::lookForXEmbedTray() {
    // A tray replaced by another between two looks is a change too: the icons docked in the
    // old one are gone.
    const uint32_t owner = XEmbedTrayOwner();
    if (owner == xembedOwner_)
        return;
    xembedOwner_ = owner;
    Q_EMIT Changed();
}

} // namespace veska::platform
