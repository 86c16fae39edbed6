#pragma once
// The application window on Qt: the main QWidget is also the application window, so its
// taskbar entry is present while it is visible. Window events become the messages the tray
// icon expects: an explicit show is WM_SHOWWINDOW(1, 0) to the window's procedure, becoming
// minimised is WM_SYSCOMMAND SC_MINIMIZE to it, leaving the minimised state is WM_SYSCOMMAND
// SC_RESTORE to the hooks, a move or resize of the main window is WM_WINDOWPOSCHANGED to the
// hooks.
//
// Desktops without a notification area (stock GNOME, the offscreen platform): hiding the
// window into the tray would leave the operator no way back to it. There, hiding the main
// window minimises it to the taskbar instead, and hiding the taskbar presence does nothing;
// the window stays reachable, and when a notification area appears later the tray icon
// shows by itself (the notification-icon layer announces it as "TaskbarCreated"). When the
// notification area goes away while the window is hidden into it, the window is minimised to
// the taskbar; the icon comes back by itself with the next notification area.

#include "tray/platform/ApplicationWindow.h"

#include <QObject>

namespace veska::platform {

class QtApplicationWindow : public QObject, public ApplicationWindow {
    Q_OBJECT
public:
    QtApplicationWindow();
    ~QtApplicationWindow() override;

    bool IsWindowVisible() const override;
    void ShowWindow(int command) override;
    void SetForegroundWindow() override;
    void SetForegroundWindow(QWidget* window) override;
    void SetMainFormVisible(bool visible) override;
    bool IsMainFormMinimized() const override;
    void SetMainFormNormal() override;
    void Restore() override;
    void ProcessMessages() override;
    bool Terminating() const override;
    void TrackPopupMenu(QMenu* menu, QPoint position) override;
    void NotificationAreaGone() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void WatchWindow(QWidget* window) override;

private:
    void sendOwnerLater(QWidget* window, uint32_t message, uintptr_t wParam);
    void sendApplicationLater(uint32_t message, uintptr_t wParam);
    void hideIntoTray(QWidget* form);

    // The main window was hidden into the notification area and has not been shown since.
    bool hiddenIntoTray_ = false;
};

} // namespace veska::platform
