#pragma once
// An X server of the test's own (Xvfb on a free display number) with a session bus of its
// own (dbus-daemon --session), and optionally a real notification area on it: trayer (an
// XEmbed tray at the top right) or xfce4-panel with its status tray (a StatusNotifierItem
// host, also an XEmbed tray, at the top left), so that what one test does to windows, the
// bus and the tray is seen by no other test.

#include <QProcess>
#include <QRect>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace e2e {

class PrivateDisplay {
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // Empty when no server could be started (Xvfb missing).
    const QString& name() const { return name_; }
    // The session bus of this display; empty when dbus-daemon is missing.
    const QString& busAddress() const { return busAddress_; }
    bool startTray(); // trayer, 200 × 32 pixels at the top right of a 1024 × 768 screen
    // Where trayer's panel lies: an icon is docked once it is inside.
    static QRect trayArea() { return QRect(1024 - 200, 0, 200, 32); }
    void stopTray();
    qint64 trayPid() const; // trayer's process, or 0
    // Whether an XEmbed tray owns the selection _NET_SYSTEM_TRAY_S0 on this display.
    bool trayOwnsSelection() const;
    // xfce4-panel along the top; true once its watcher reports a host on the bus. Its own
    // layout holds only the status tray (32 pixels high); xfce's default one has the workspace
    // switcher beside the status tray (and needs a window manager for its workspaces).
    enum class PanelLayout { StatusTrayOnly, XfceDefault };
    bool startStatusNotifierPanel(PanelLayout layout = PanelLayout::StatusTrayOnly);
    void stopStatusNotifierPanel();
    // openbox, with its four workspaces; true once it manages the screen.
    bool startWindowManager();
    // The process that answers for org.kde.StatusNotifierWatcher (xfce's tray plugin), or 0.
    qint64 watcherPid() const;
    // The bus names of the items the watcher holds; empty when it does not answer.
    QStringList registeredItems() const;
    // DISPLAY, the bus, QT_QPA_PLATFORM=xcb, and private settings and runtime folders.
    QProcessEnvironment environment() const;
    // Runs dbus-send on this display's bus; its standard output.
    QString dbusSend(const QStringList& arguments, int timeoutMs = 5000) const;

private:
    void startBus();
    QString runtimeDir() const;

    QString name_;
    QString busAddress_;
    QTemporaryDir home_;
    std::unique_ptr<QProcess> xvfb_, bus_, trayer_, panel_, windowManager_;
};

} // namespace e2e
