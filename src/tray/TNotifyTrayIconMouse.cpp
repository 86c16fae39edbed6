// The tray icon's notifications: mouse events from the shell, single and double click,
// the default menu item and the popup menu.
#include "tray/TLightTimer.h"
#include "tray/TNotifyTrayIcon.h"
#include "tray/TrayMenu.h"
#include "tray/platform/ApplicationWindow.h"
#include "tray/platform/Input.h"

#include <QMenu>

namespace veska {

using platform::CurrentApplicationWindow;

void TNotifyTrayIcon::HandleIconNotification(uint32_t event) {
    // An event handler may destroy this component: nothing of it is touched afterwards.
    const QPointer<TNotifyTrayIcon> alive(this);
    const TShiftState keys = platform::CurrentShiftState();
    QPoint pointer;
    platform::GetCursorPos(pointer);
    const int x = pointer.x();
    const int y = pointer.y();

    switch (event) {
    case msg::WM_MOUSEMOVE:
        if (!FEnabled)
            break;
        if (FWantEnterExitEvents && FDidExit) {
            MouseEnter();
            if (alive.isNull())
                return;
            FDidExit = false;
        }
        MouseMove(keys, x, y);
        if (alive.isNull())
            return;
        LastMoveX = x;
        LastMoveY = y;
        break;
    case msg::WM_LBUTTONDOWN:
        if (!FEnabled)
            break;
        if (OnDblClick) {
            ClickTimer->SetInterval(platform::GetDoubleClickTime());
            ClickTimer->SetEnabled(true);
        }
        MouseDown(TMouseButton::mbLeft, keys | ssLeft, x, y);
        if (alive.isNull())
            return;
        FClickStart = true;
        if (FLeftPopup)
            PopupAtCursor();
        break;
    case msg::WM_LBUTTONUP:
        if (!FEnabled)
            break;
        if (FClickStart)
            FClickReady = true;
        if (FClickStart && !ClickTimer->Enabled()) {
            FClickStart = false;
            FClickReady = false;
            Click();
            if (alive.isNull())
                return;
        }
        FClickStart = false;
        MouseUp(TMouseButton::mbLeft, keys | ssLeft, x, y);
        break;
    case msg::WM_LBUTTONDBLCLK:
        if (!FEnabled)
            break;
        FClickReady = false;
        IsDblClick = true;
        DblClick();
        if (alive.isNull())
            return;
        runDefaultItem();
        break;
    case msg::WM_RBUTTONDOWN:
        if (!FEnabled)
            break;
        MouseDown(TMouseButton::mbRight, keys | ssRight, x, y);
        if (alive.isNull())
            return;
        PopupAtCursor();
        break;
    case msg::WM_RBUTTONUP:
        if (FEnabled && FBehavior == TBehavior::bhWin95)
            MouseUp(TMouseButton::mbRight, keys | ssRight, x, y);
        break;
    case msg::WM_MBUTTONDOWN:
        if (FEnabled)
            MouseDown(TMouseButton::mbMiddle, keys | ssMiddle, x, y);
        break;
    case msg::WM_MBUTTONUP:
        if (FEnabled)
            MouseUp(TMouseButton::mbMiddle, keys | ssMiddle, x, y);
        break;
    case msg::WM_CONTEXTMENU:
    case msg::NIN_SELECT:
    case msg::NIN_KEYSELECT:
        if (FEnabled && FBehavior == TBehavior::bhWin2000)
            MouseUp(TMouseButton::mbRight, keys | ssRight, x, y);
        break;
    case msg::NIN_BALLOONSHOW:
        if (OnBalloonHintShow)
            OnBalloonHintShow(this);
        break;
    case msg::NIN_BALLOONHIDE:
        if (OnBalloonHintHide)
            OnBalloonHintHide(this);
        break;
    case msg::NIN_BALLOONTIMEOUT:
        if (OnBalloonHintTimeout)
            OnBalloonHintTimeout(this);
        break;
    case msg::NIN_BALLOONUSERCLICK:
        if (OnBalloonHintClick)
            OnBalloonHintClick(this);
        break;
    default:
        break;
    }
}

// After a double click the menu's default item runs, unless the left button opens the menu.
void TNotifyTrayIcon::runDefaultItem() {
    if (FPopupMenu == nullptr || !MenuAutoPopup(FPopupMenu) || FLeftPopup)
        return;
    if (QAction* item = MenuDefaultItem(FPopupMenu))
        item->trigger();
}

void TNotifyTrayIcon::ClickTimerTick() {
    const QPointer<TNotifyTrayIcon> alive(this);
    ClickTimer->SetEnabled(false);
    if (!IsDblClick && FClickReady) {
        FClickReady = false;
        Click();
        if (alive.isNull())
            return;
    }
    IsDblClick = false;
}

void TNotifyTrayIcon::PopupAtCursor() {
    QPoint pointer;
    if (FPopupMenu == nullptr || !MenuAutoPopup(FPopupMenu) || !platform::GetCursorPos(pointer))
        return;
    platform::ApplicationWindow& app = CurrentApplicationWindow();
    const QPointer<TNotifyTrayIcon> alive(this);
    app.SetForegroundWindow();
    app.ProcessMessages();
    if (alive.isNull() || FPopupMenu == nullptr)
        return;
    SetMenuPopupComponent(FPopupMenu, this);
    app.TrackPopupMenu(FPopupMenu, pointer);
    if (alive.isNull())
        return;
    if (QWidget* owner = ownerWindow())
        app.PostOwnerMessage(owner, msg::WM_NULL, 0, 0);
}

void TNotifyTrayIcon::Click() {
    if (OnClick)
        OnClick(this);
}

void TNotifyTrayIcon::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TNotifyTrayIcon::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TNotifyTrayIcon::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

void TNotifyTrayIcon::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

void TNotifyTrayIcon::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TNotifyTrayIcon::MouseExit() {
    if (OnMouseExit)
        OnMouseExit(this);
}

} // namespace veska
