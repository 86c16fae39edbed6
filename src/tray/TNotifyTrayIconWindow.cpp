// The tray icon and the application's windows: the application-window hook, the owner
// window's replaced message procedure, and hiding and showing the main window.
#include "tray/TNotifyTrayIcon.h"
#include "tray/platform/ApplicationWindow.h"
#include "tray/platform/NotifyIcon.h"

namespace veska {

using platform::CurrentApplicationWindow;

bool TNotifyTrayIcon::AppMessageHook(TMessage& message) {
    platform::ApplicationWindow& app = CurrentApplicationWindow();
    if (message.Msg == platform::TaskbarCreatedMessage()) {
        // The notification area was (re)created without our icon.
        if (FIconVisible)
            AddTrayIcon();
        return false;
    }
    switch (message.Msg) {
    case msg::WM_SIZE:
        if (message.WParam == msg::SIZE_MINIMIZED && FMinimizeToTray)
            DoMinimizeToTray();
        break;
    case msg::WM_WINDOWPOSCHANGED:
        if (SettingMDIForm && app.MainForm() != nullptr) {
            if (app.IsMultiDocumentFrame(app.MainForm())) {
                bool showMainForm = true;
                if (OnStartup)
                    OnStartup(this, showMainForm);
                if (!showMainForm)
                    HideTaskbarIcon();
            }
            SettingMDIForm = false;
        }
        break;
    case msg::WM_SYSCOMMAND:
        if (message.WParam == msg::SC_RESTORE)
            app.SetMainFormVisible(true);
        break;
    default:
        break;
    }
    return false;
}

void TNotifyTrayIcon::SubclassOwner() {
    NewWndProc = [this](TMessage& message) { OwnerWindowProc(message); };
    OldWndProc = CurrentApplicationWindow().SetWindowProc(ownerWindow(), NewWndProc);
}

void TNotifyTrayIcon::RestoreOwner() {
    if (ownerWindow() != nullptr && OldWndProc)
        CurrentApplicationWindow().SetWindowProc(ownerWindow(), OldWndProc);
    OldWndProc = nullptr;
    NewWndProc = nullptr;
}

void TNotifyTrayIcon::OwnerWindowProc(TMessage& message) {
    platform::ApplicationWindow& app = CurrentApplicationWindow();
    switch (message.Msg) {
    case msg::WM_DESTROY:
    case msg::WM_NCDESTROY:
        message.Result = 1;
        return;
    case msg::WM_SHOWWINDOW:
        if (message.WParam == 1 && message.LParam == 0) {
            app.SetForegroundWindow();
            app.SetForegroundWindow(ownerWindow());
        } else if (message.WParam == 0 && message.LParam == msg::SW_PARENTCLOSING &&
                   !app.Terminating()) {
            if (minimizeToTrayStep(message))
                return;
        }
        break;
    case msg::WM_SYSCOMMAND:
        if (message.WParam == msg::SC_MINIMIZE && minimizeToTrayStep(message))
            return;
        break;
    default:
        break;
    }
    // The previous procedure; kept in a local as this component may go while it runs.
    const std::function<void(TMessage&)> previous = OldWndProc;
    if (previous)
        previous(message);
}

bool TNotifyTrayIcon::minimizeToTrayStep(TMessage& message) {
    if (!FMinimizeToTray || !OnMinimizeToTray)
        return false;
    OnMinimizeToTray(this);
    DoMinimizeToTray();
    message.Result = 1;
    return true;
}

void TNotifyTrayIcon::DoMinimizeToTray() {
    HideMainForm();
    SetIconVisible(true);
}

bool TNotifyTrayIcon::canShowMainForm() const {
    return ownerWindow() != nullptr && CurrentApplicationWindow().MainForm() != nullptr;
}

void TNotifyTrayIcon::HideMainForm() {
    if (!canShowMainForm())
        return;
    CurrentApplicationWindow().SetMainFormVisible(false);
    HideTaskbarIcon();
}

void TNotifyTrayIcon::ShowMainForm() {
    if (!canShowMainForm())
        return;
    platform::ApplicationWindow& app = CurrentApplicationWindow();
    app.Restore();
    if (app.IsMainFormMinimized())
        app.SetMainFormNormal();
    app.SetMainFormVisible(true);
    app.SetForegroundWindow();
}

void TNotifyTrayIcon::HideTaskbarIcon() {
    platform::ApplicationWindow& app = CurrentApplicationWindow();
    if (app.IsWindowVisible())
        app.ShowWindow(msg::SW_HIDE);
}

void TNotifyTrayIcon::ShowTaskbarIcon() {
    platform::ApplicationWindow& app = CurrentApplicationWindow();
    if (!app.IsWindowVisible())
        app.ShowWindow(msg::SW_SHOW);
}

} // namespace veska
