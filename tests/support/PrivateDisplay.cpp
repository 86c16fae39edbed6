#include "PrivateDisplay.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace e2e {

namespace {

void stop(std::unique_ptr<QProcess>& process) {
    if (!process || process->state() == QProcess::NotRunning)
        return;
    // Politely first: Xvfb removes its socket and lock file only when terminated.
    process->terminate();
    if (!process->waitForFinished(3000)) {
        process->kill();
        process->waitForFinished(3000);
    }
}

bool waitForFile(const QString& path, int ms) {
    QDeadlineTimer deadline(ms);
    while (!QFile::exists(path)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

} // namespace

PrivateDisplay::PrivateDisplay() {
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        return;
    for (int number = 300 + static_cast<int>(QCoreApplication::applicationPid() % 50); number < 400;
         ++number) {
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
        if (QFile::exists(socket) || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            continue;
        const QString candidate = QStringLiteral(":%1").arg(number);
        xvfb_ = std::make_unique<QProcess>();
        xvfb_->start(QStringLiteral("Xvfb"), {candidate, QStringLiteral("-screen"),
                                              QStringLiteral("0"), QStringLiteral("1024x768x24"),
                                              QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        // Another test may take the same number a moment earlier: then ours gives up.
        if (xvfb_->waitForStarted(5000) && waitForFile(socket, 5000) &&
            !xvfb_->waitForFinished(200)) {
            name_ = candidate;
            startBus();
            return;
        }
        stop(xvfb_);
    }
}

PrivateDisplay::~PrivateDisplay() {
    stop(panel_);
    stop(trayer_);
    stop(windowManager_);
    stop(bus_);
    stop(xvfb_);
}

void PrivateDisplay::startBus() {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        return;
    bus_ = std::make_unique<QProcess>();
    bus_->setProcessEnvironment(environment());
    bus_->start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--session"), QStringLiteral("--nofork"),
                 QStringLiteral("--print-address=1")});
    if (!bus_->waitForStarted(5000))
        return;
    QDeadlineTimer deadline(5000);
    while (!bus_->canReadLine() && !deadline.hasExpired())
        bus_->waitForReadyRead(100);
    busAddress_ = QString::fromUtf8(bus_->readLine()).trimmed();
}

QProcessEnvironment PrivateDisplay::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), name_);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (busAddress_.isEmpty())
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    else
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress_);
    // The panel's settings live in the test's own folders (the bus daemon passes them on to
    // the settings service it starts).
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home_.filePath(QStringLiteral("cache")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
    return env;
}

QString PrivateDisplay::runtimeDir() const {
    // A session's own, as a login gives it (Qt warns about a missing one on every start).
    const QString folder = home_.filePath(QStringLiteral("runtime"));
    if (QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder;
}

QString PrivateDisplay::dbusSend(const QStringList& arguments, int timeoutMs) const {
    QProcess tool;
    tool.setProcessEnvironment(environment());
    tool.start(QStringLiteral("dbus-send"),
               QStringList{QStringLiteral("--session"), QStringLiteral("--print-reply"),
                           QStringLiteral("--reply-timeout=%1").arg(timeoutMs)} +
                   arguments);
    if (!tool.waitForFinished(timeoutMs + 2000)) {
        tool.kill();
        tool.waitForFinished(2000);
        return {};
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
}

namespace {

// One panel along the top with xfce's status tray as its only plugin.
const char kPanelSettings[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
)";

} // namespace

bool PrivateDisplay::startStatusNotifierPanel(PanelLayout layout) {
    if (busAddress_.isEmpty())
        return false;
    const QString folder =
        home_.filePath(QStringLiteral("config/xfce4/xfconf/xfce-perchannel-xml"));
    QDir().mkpath(folder);
    const QString file = folder + QStringLiteral("/xfce4-panel.xml");
    if (!QFile::exists(file)) {
        // The panel drops the plugins of the default layout that are not installed.
        if (layout == PanelLayout::XfceDefault) {
            if (!QFile::copy(QStringLiteral("/etc/xdg/xfce4/panel/default.xml"), file))
                return false;
        } else {
            QFile settings(file);
            if (!settings.open(QIODevice::WriteOnly))
                return false;
            settings.write(kPanelSettings);
            settings.close();
        }
    }
    panel_ = std::make_unique<QProcess>();
    panel_->setProcessEnvironment(environment());
    panel_->setStandardOutputFile(QProcess::nullDevice());
    panel_->setStandardErrorFile(QProcess::nullDevice());
    panel_->start(QStringLiteral("xfce4-panel"), {});
    if (!panel_->waitForStarted(5000))
        return false;
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (dbusSend({QStringLiteral("--dest=org.kde.StatusNotifierWatcher"),
                      QStringLiteral("/StatusNotifierWatcher"),
                      QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                      QStringLiteral("string:org.kde.StatusNotifierWatcher"),
                      QStringLiteral("string:IsStatusNotifierHostRegistered")},
                     1000)
                .contains(QStringLiteral("boolean true")))
            return true;
        QThread::msleep(100);
    }
    return false;
}

bool PrivateDisplay::startWindowManager() {
    windowManager_ = std::make_unique<QProcess>();
    windowManager_->setProcessEnvironment(environment());
    windowManager_->setStandardOutputFile(QProcess::nullDevice());
    windowManager_->setStandardErrorFile(QProcess::nullDevice());
    windowManager_->start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!windowManager_->waitForStarted(5000))
        return false;
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        QProcess xprop;
        xprop.setProcessEnvironment(environment());
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-root"), QStringLiteral("_NET_NUMBER_OF_DESKTOPS")});
        if (xprop.waitForFinished(5000) &&
            QString::fromUtf8(xprop.readAllStandardOutput()).contains(QStringLiteral(" = ")))
            return true;
        QThread::msleep(100);
    }
    return false;
}

void PrivateDisplay::stopStatusNotifierPanel() {
    if (!panel_)
        return;
    // The tray plugin runs in a process of its own that ends with the panel.
    const qint64 plugin = watcherPid();
    stop(panel_);
    if (plugin > 0) {
        QDeadlineTimer deadline(5000);
        while (QFile::exists(QStringLiteral("/proc/%1").arg(plugin)) && !deadline.hasExpired())
            QThread::msleep(50);
    }
}

qint64 PrivateDisplay::watcherPid() const {
    const QString reply = dbusSend(
        {QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
         QStringLiteral("org.freedesktop.DBus.GetConnectionUnixProcessID"),
         QStringLiteral("string:org.kde.StatusNotifierWatcher")});
    const auto match = QRegularExpression(QStringLiteral("uint32 (\\d+)")).match(reply);
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

QStringList PrivateDisplay::registeredItems() const {
    const QString reply = dbusSend({QStringLiteral("--dest=org.kde.StatusNotifierWatcher"),
                                    QStringLiteral("/StatusNotifierWatcher"),
                                    QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                                    QStringLiteral("string:org.kde.StatusNotifierWatcher"),
                                    QStringLiteral("string:RegisteredStatusNotifierItems")},
                                   2000);
    QStringList items;
    auto it = QRegularExpression(QStringLiteral("string \"([^\"]+)\"")).globalMatch(reply);
    while (it.hasNext())
        items << it.next().captured(1);
    return items;
}

bool PrivateDisplay::startTray() {
    trayer_ = std::make_unique<QProcess>();
    trayer_->setProcessEnvironment(environment());
    const QRect area = trayArea();
    trayer_->start(QStringLiteral("trayer"),
                   {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                    QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                    QStringLiteral("--width"), QString::number(area.width()),
                    QStringLiteral("--height"), QString::number(area.height())});
    return trayer_->waitForStarted(5000);
}

void PrivateDisplay::stopTray() {
    stop(trayer_);
}

qint64 PrivateDisplay::trayPid() const {
    return trayer_ ? trayer_->processId() : 0;
}

bool PrivateDisplay::trayOwnsSelection() const {
    const QByteArray display = name_.toLocal8Bit();
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(display.constData(), nullptr), &xcb_disconnect);
    if (xcb_connection_has_error(connection.get()) != 0)
        return false;
    const char name[] = "_NET_SYSTEM_TRAY_S0";
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> atom(
        xcb_intern_atom_reply(connection.get(),
                              xcb_intern_atom(connection.get(), 0, sizeof name - 1, name), nullptr),
        &free);
    if (!atom)
        return false;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> owner(
        xcb_get_selection_owner_reply(
            connection.get(), xcb_get_selection_owner(connection.get(), atom->atom), nullptr),
        &free);
    return owner && owner->owner != XCB_NONE;
}

} // namespace e2e
