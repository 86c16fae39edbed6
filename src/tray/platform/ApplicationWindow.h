#pragma once
// The application window as the tray icon sees it: the taskbar presence, the main window,
// foreground activation, the hook list that sees every application-window message, and the
// replaceable message procedures of owner windows.
//
// On Qt/Linux the application window is the main window itself: its taskbar entry exists
// while it is visible. QtApplicationWindow maps the calls onto the main QWidget; tests install
// a recording implementation with SetApplicationWindow.

#include "tray/TrayMessages.h"
#include "tray/platform/MessageWindow.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>

class QMenu;

namespace veska::platform {

class ApplicationWindow {
public:
    // Returns true when it handled the message (the application then skips it).
    using MessageHook = std::function<bool(TMessage&)>;

    ApplicationWindow();
    virtual ~ApplicationWindow();
    ApplicationWindow(const ApplicationWindow&) = delete;
    ApplicationWindow& operator=(const ApplicationWindow&) = delete;

    // The application window's taskbar presence (IsWindowVisible, ShowWindow SW_HIDE/SW_SHOW).
    virtual bool IsWindowVisible() const = 0;
    virtual void ShowWindow(int command) = 0;
    // SetForegroundWindow on the application window, and on another window.
    virtual void SetForegroundWindow() = 0;
    virtual void SetForegroundWindow(QWidget* window) = 0;

    // The main window; the first windowed owner of a tray icon becomes it when none is set.
    QWidget* MainForm() const { return mainForm_; }
    virtual void SetMainForm(QWidget* form);
    virtual bool IsMultiDocumentFrame(const QWidget* form) const;
    virtual void SetMainFormVisible(bool visible) = 0;
    virtual bool IsMainFormMinimized() const = 0;
    virtual void SetMainFormNormal() = 0;

    // The application object: restore from minimised, process pending messages, terminating.
    virtual void Restore() = 0;
    virtual void ProcessMessages() = 0;
    virtual bool Terminating() const = 0;
    bool ShowMainFormAtStart() const { return showMainFormAtStart_; }
    void SetShowMainFormAtStart(bool show) { showMainFormAtStart_ = show; }

    // The notification area went away (its panel ended or was replaced): a main window hidden
    // into it must become reachable again.
    virtual void NotificationAreaGone() {}

    // Shows the menu at a screen point and returns when it closes.
    virtual void TrackPopupMenu(QMenu* menu, QPoint position) = 0;
    // PostMessageW to an owner window: its procedure runs later, if the window still lives.
    virtual void PostOwnerMessage(QWidget* owner, uint32_t message, uintptr_t wParam,
                                  intptr_t lParam);

    // The hook list of the application window.
    int HookMainWindow(MessageHook hook);
    void UnhookMainWindow(int hookId);
    // Runs every hook in order; true if one handled the message.
    bool DispatchApplicationMessage(TMessage& message);
    // Sends a message to the application window (hooks first, then the default handling).
    void SendApplicationMessage(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);

    // GetWindowLongW/SetWindowLongW(GWL_WNDPROC) of an owner window.
    WindowProcedure GetWindowProc(QWidget* window);
    // Returns the procedure it replaces.
    WindowProcedure SetWindowProc(QWidget* window, WindowProcedure procedure);
    // Runs the window's current procedure.
    void DispatchOwnerMessage(QWidget* window, TMessage& message);

protected:
    // What a window does with a message that no replacement procedure consumed: minimising
    // the main window minimises the application (WM_SIZE SIZE_MINIMIZED to the hooks).
    virtual void DefaultWindowProc(QWidget* window, TMessage& message);
    virtual void WatchWindow(QWidget*) {}

private:
    QPointer<QWidget> mainForm_;
    bool showMainFormAtStart_ = true;
    std::map<int, MessageHook> hooks_;
    int nextHookId_ = 1;
    std::map<QWidget*, WindowProcedure> procedures_;
    QObject guard_;
};

// The process's application window: the one installed, else the Qt one.
ApplicationWindow& CurrentApplicationWindow();
// Not owned; nullptr goes back to the Qt one.
void SetApplicationWindow(ApplicationWindow* window);

} // namespace veska::platform
