#include "tray/TNotifyTrayIcon.h"

#include "core/CodePage.h"
#include "tray/TImageList.h"
#include "tray/TLightTimer.h"
#include "tray/TTrayIconHandler.h"
#include "tray/TrayMenu.h"
#include "tray/platform/ApplicationWindow.h"
#include "tray/platform/NotifyIcon.h"

#include <QMenu>
#include <QWidget>
#include <algorithm>
#include <cstring>

namespace veska {

using platform::CurrentApplicationWindow;

TNotifyTrayIcon::TNotifyTrayIcon(QObject* AOwner, bool designing)
    : QObject(AOwner), FDesigning(designing) {
    TTrayIconHandler::AcquireTrayHandler();
    FIconID = TTrayIconHandler::RegisterInstance(this);
    SettingMDIForm = true;
    FEnabled = true;
    FShowHint = true;
    SettingPreview = false;

    FIcon = std::make_unique<TIcon>();
    FIcon->OnChange = [this] { IconChanged(); };

    std::memset(&IconData, 0, sizeof(IconData));
    IconData.cbSize = sizeof(TNotifyIconDataEx);
    IconData.hWnd = TTrayIconHandler::Instance()->FHandle;
    IconData.uID = FIconID;
    IconData.uFlags = nim::NIF_MESSAGE | nim::NIF_ICON | nim::NIF_TIP;
    IconData.uCallbackMessage = msg::WM_TRAYICON;

    CycleTimer = std::make_unique<TLightTimer>(1000, [this](TLightTimer*) { CycleTimerTick(); });
    ClickTimer = std::make_unique<TLightTimer>(1000, [this](TLightTimer*) { ClickTimerTick(); });
    ExitTimer = std::make_unique<TLightTimer>(20, [this](TLightTimer*) { ExitTimerTick(); });
    FDidExit = true;
    SetDesignPreview(FDesignPreview);

    if (!FDesigning) {
        platform::ApplicationWindow& app = CurrentApplicationWindow();
        FHookId = app.HookMainWindow([this](TMessage& message) { return AppMessageHook(message); });
        if (QWidget* owner = ownerWindow()) {
            // The first window to own a tray icon is the application's main window unless
            // the application named one.
            if (app.MainForm() == nullptr)
                app.SetMainForm(owner->window());
            SubclassOwner();
        }
    }
}

TNotifyTrayIcon::~TNotifyTrayIcon() {
    // From here on no notification reaches this instance.
    TTrayIconHandler::UnregisterInstance(FIconID);
    SetIconVisible(false);
    SetDesignPreview(false);
    CycleTimer.reset();
    ClickTimer.reset();
    ExitTimer.reset();
    FIcon.reset();
    if (!FDesigning) {
        CurrentApplicationWindow().UnhookMainWindow(FHookId);
        if (ownerWindow() != nullptr)
            RestoreOwner();
    }
    if (FPopupMenu != nullptr && MenuPopupComponent(FPopupMenu) == this)
        SetMenuPopupComponent(FPopupMenu, nullptr);
    if (FPopupMenu != nullptr)
        platform::SetNotifyIconMenu(IconData.hWnd, IconData.uID, nullptr);
    TTrayIconHandler::ReleaseTrayHandler();
}

QWidget* TNotifyTrayIcon::ownerWindow() const {
    return qobject_cast<QWidget*>(parent());
}

void TNotifyTrayIcon::AfterLoad() {
    if (ownerWindow() != nullptr && !FDesigning) {
        bool showMainForm = true;
        if (OnStartup)
            OnStartup(this, showMainForm);
        if (!showMainForm) {
            CurrentApplicationWindow().SetShowMainFormAtStart(false);
            HideMainForm();
        }
    }
    ModifyTrayIcon();
    SetIconVisible(FIconVisible);
    SetCycleIcons(FCycleIcons);
    SetWantEnterExitEvents(FWantEnterExitEvents);
    SetBehavior(FBehavior);
}

void TNotifyTrayIcon::watchComponent(QObject* component) {
    if (component != nullptr)
        connect(component, &QObject::destroyed, this,
                [this](QObject* gone) { ComponentRemoved(gone); });
}

void TNotifyTrayIcon::ComponentRemoved(QObject* component) {
    if (component == nullptr)
        return;
    if (component == FIconList)
        SetIconList(nullptr);
    if (component == FPopupMenu)
        SetPopupMenu(nullptr);
}

void TNotifyTrayIcon::SetIconList(TImageList* value) {
    FIconList = value;
    watchComponent(value);
    SetIconIndex(0);
}

void TNotifyTrayIcon::SetCycleIcons(bool value) {
    FCycleIcons = value;
    if (value) {
        SetIconIndex(0);
        CycleTimer->SetInterval(FCycleInterval);
        CycleTimer->SetEnabled(true);
    } else {
        CycleTimer->SetEnabled(false);
    }
}

void TNotifyTrayIcon::SetCycleInterval(uint32_t value) {
    FCycleInterval = value;
    SetCycleIcons(FCycleIcons);
}

void TNotifyTrayIcon::SetHint(const QByteArray& value) {
    FHint = value;
    ModifyTrayIcon();
}

void TNotifyTrayIcon::SetHint(const QString& value) {
    SetHint(codepage::fromUnicode(value));
}

void TNotifyTrayIcon::SetShowHint(bool value) {
    FShowHint = value;
    ModifyTrayIcon();
}

void TNotifyTrayIcon::SetIcon(const QIcon& value) {
    FIcon->NotifyChanges = false;
    FIcon->Assign(value);
    FIcon->NotifyChanges = true;
    ModifyTrayIcon();
}

void TNotifyTrayIcon::IconChanged() {
    ModifyTrayIcon();
}

void TNotifyTrayIcon::SetIconVisible(bool value) {
    if (value)
        AddTrayIcon();
    else
        DeleteTrayIcon();
}

void TNotifyTrayIcon::SetIconIndex(int32_t value) {
    if (FIconList != nullptr) {
        FIconIndex = value;
        if (value >= FIconList->Count())
            FIconIndex = FIconList->Count() - 1;
        FIconList->GetIcon(FIconIndex, *FIcon);
    } else {
        FIconIndex = 0;
    }
    ModifyTrayIcon();
}

void TNotifyTrayIcon::SetPopupMenu(QMenu* value) {
    FPopupMenu = value;
    watchComponent(value);
    platform::SetNotifyIconMenu(IconData.hWnd, IconData.uID, value);
}

void TNotifyTrayIcon::SetWantEnterExitEvents(bool value) {
    FWantEnterExitEvents = value;
    ExitTimer->SetEnabled(value);
}

void TNotifyTrayIcon::SetBehavior(TBehavior value) {
    FBehavior = value;
    IconData.TimeoutOrVersion.uVersion = value == TBehavior::bhWin95 ? 0 : nim::NOTIFYICON_VERSION;
    platform::Shell_NotifyIconW(nim::NIM_SETVERSION, IconData);
}

bool TNotifyTrayIcon::FillIconData() {
    if (FDesigning && !SettingPreview && !FDesignPreview)
        return false;
    IconData.hIcon = FIcon->Handle();
    std::memset(IconData.szTip, 0, sizeof(IconData.szTip));
    if (!FHint.isEmpty() && FShowHint) {
        const QString tip = codepage::toUnicode(FHint);
        const auto units = std::min<qsizetype>(tip.size(), 127);
        std::memcpy(IconData.szTip, tip.utf16(), static_cast<std::size_t>(units) * 2);
    }
    return true;
}

bool TNotifyTrayIcon::AddTrayIcon() {
    if (!SettingPreview)
        FIconVisible = true;
    if (FDesigning && !SettingPreview)
        return false;
    return FillIconData() && platform::Shell_NotifyIconW(nim::NIM_ADD, IconData) != 0;
}

bool TNotifyTrayIcon::DeleteTrayIcon() {
    if (!SettingPreview)
        FIconVisible = false;
    if (FDesigning && !SettingPreview)
        return false;
    return FillIconData() && platform::Shell_NotifyIconW(nim::NIM_DELETE, IconData) != 0;
}

bool TNotifyTrayIcon::ModifyTrayIcon() {
    return FillIconData() && platform::Shell_NotifyIconW(nim::NIM_MODIFY, IconData) != 0;
}

} // namespace veska
