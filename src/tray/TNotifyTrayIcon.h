#pragma once
// A notification-area icon owned by a window: picture, tip, mouse events (click, double
// click, button down/up, move, enter, exit), a popup menu at the pointer with its default
// item run on a double click, animation through an image list, balloon notices, and hiding
// the application's main window into the tray and bringing it back.
//
// Use: construct it with the owning window as owner, assign properties, then call AfterLoad()
// (stored IconVisible = true adds the icon there). Destroying it removes the icon.

#include "tray/TIcon.h"
#include "tray/TNotifyIconDataEx.h"
#include "tray/TrayMessages.h"
#include "tray/TrayTypes.h"

#include <QByteArray>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <memory>

class QMenu;
class QWidget;

namespace veska {

class TImageList;
class TLightTimer;

class TNotifyTrayIcon : public QObject {
    Q_OBJECT
public:
    // designing: the component lives inside a form designer (never so in this program).
    explicit TNotifyTrayIcon(QObject* AOwner, bool designing = false);
    ~TNotifyTrayIcon() override;

    // Applies the assigned property values as a loaded window description does.
    void AfterLoad();
    bool Designing() const { return FDesigning; }

    // Stored properties, in stored order.
    bool DesignPreview() const { return FDesignPreview; }
    void SetDesignPreview(bool value);
    TImageList* IconList() const { return FIconList; }
    void SetIconList(TImageList* value);
    bool CycleIcons() const { return FCycleIcons; }
    void SetCycleIcons(bool value);
    uint32_t CycleInterval() const { return FCycleInterval; }
    void SetCycleInterval(uint32_t value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    // 8-bit text in the system code page (Windows-1252).
    const QByteArray& Hint() const { return FHint; }
    void SetHint(const QByteArray& value);
    void SetHint(const QString& value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    TIcon& Icon() { return *FIcon; }
    void SetIcon(const QIcon& value);
    bool IconVisible() const { return FIconVisible; }
    void SetIconVisible(bool value);
    int32_t IconIndex() const { return FIconIndex; }
    void SetIconIndex(int32_t value);
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* value);
    bool LeftPopup() const { return FLeftPopup; }
    void SetLeftPopup(bool value) { FLeftPopup = value; }
    bool WantEnterExitEvents() const { return FWantEnterExitEvents; }
    void SetWantEnterExitEvents(bool value);
    bool MinimizeToTray() const { return FMinimizeToTray; }
    void SetMinimizeToTray(bool value) { FMinimizeToTray = value; }

    // Not stored.
    TBehavior Behavior() const { return FBehavior; }
    void SetBehavior(TBehavior value);
    // The shared hidden window (the record's hWnd).
    uint32_t Handle() const { return IconData.hWnd; }
    uint32_t IconID() const { return FIconID; }

    // Events, in stored order; an empty slot is skipped.
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseExit;
    TCycleEvent OnCycle;
    TNotifyEvent OnBalloonHintShow;
    TNotifyEvent OnBalloonHintHide;
    TNotifyEvent OnBalloonHintTimeout;
    TNotifyEvent OnBalloonHintClick;
    TNotifyEvent OnMinimizeToTray;
    TStartupEvent OnStartup;

    bool Refresh() { return ModifyTrayIcon(); }
    // Title and Text are 8-bit text; TimeoutSecs 10..60.
    bool ShowBalloonHint(const QByteArray& Title, const QByteArray& Text, TBalloonHintIcon IconType,
                         TBalloonHintTimeOut TimeoutSecs);
    bool HideBalloonHint();
    void PopupAtCursor();
    static bool BitmapToIcon(const QPixmap& Bitmap, TIcon& Icon, const QColor& MaskColor);
    // The pointer's position inside an icon cell of the window under (X, Y).
    QPoint GetClientIconPos(int X, int Y) const;
    // The shell's tooltip and balloon windows: there are none on this desktop, always 0.
    uint32_t GetTooltipHandle() const { return 0; }
    uint32_t GetBalloonHintHandle() const { return 0; }
    void HideTaskbarIcon();
    void ShowTaskbarIcon();
    // Restores and shows the main window and brings it to the front.
    void ShowMainForm();
    // Hides the main window and its taskbar presence (where the desktop has no notification
    // area, the window is minimised to the taskbar instead, so it stays reachable).
    void HideMainForm();

protected:
    virtual bool UseDefaultIcon() { return true; }
    virtual bool AddTrayIcon();
    virtual bool DeleteTrayIcon();
    virtual bool ModifyTrayIcon();
    // A component it refers to (image list, popup menu) is going away.
    virtual void ComponentRemoved(QObject* component);

    virtual void Click();
    virtual void DblClick();
    virtual void CycleIcon();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseEnter();
    virtual void MouseExit();
    virtual void DoMinimizeToTray();

    TNotifyIconDataEx IconData;

private:
    friend class TTrayIconHandler;

    QWidget* ownerWindow() const;
    bool canShowMainForm() const;
    bool FillIconData();
    void IconChanged();
    void HandleIconNotification(uint32_t event);
    void runDefaultItem();
    void ClickTimerTick();
    void CycleTimerTick();
    void ExitTimerTick();
    bool AppMessageHook(TMessage& message);
    void SubclassOwner();
    void RestoreOwner();
    void OwnerWindowProc(TMessage& message);
    bool minimizeToTrayStep(TMessage& message);
    void watchComponent(QObject* component);

    bool FDesigning;
    bool FEnabled = true;
    std::unique_ptr<TIcon> FIcon;
    uint32_t FIconID = 0;
    bool FIconVisible = false;
    QByteArray FHint;
    bool FShowHint = true;
    QMenu* FPopupMenu = nullptr;
    bool FLeftPopup = false;
    bool FMinimizeToTray = false;
    bool FClickStart = false;
    bool FClickReady = false;
    std::unique_ptr<TLightTimer> CycleTimer;
    std::unique_ptr<TLightTimer> ClickTimer;
    std::unique_ptr<TLightTimer> ExitTimer;
    int LastMoveX = 0;
    int LastMoveY = 0;
    bool FDidExit = true;
    bool FWantEnterExitEvents = false;
    TBehavior FBehavior = TBehavior::bhWin95;
    bool IsDblClick = false;
    int32_t FIconIndex = 0;
    bool FDesignPreview = false;
    bool SettingPreview = false;
    bool SettingMDIForm = true;
    TImageList* FIconList = nullptr;
    bool FCycleIcons = false;
    uint32_t FCycleInterval = 0;
    std::function<void(TMessage&)> OldWndProc;
    std::function<void(TMessage&)> NewWndProc;
    int FHookId = 0;
};

} // namespace veska
