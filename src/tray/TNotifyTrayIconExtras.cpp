// The tray icon's extras: enter/exit detection, animation through the image list, balloon
// notices, geometry queries and the design preview.
#include "tray/TImageList.h"
#include "tray/TLightTimer.h"
#include "tray/TNotifyTrayIcon.h"
#include "tray/platform/Input.h"

#include <QApplication>
#include <QStyle>
#include <algorithm>
#include <cstring>

namespace veska {

void TNotifyTrayIcon::ExitTimerTick() {
    if (FDidExit)
        return;
    QPoint pointer;
    if (!platform::GetCursorPos(pointer))
        return;
    // Between two move notifications any movement counts as leaving the icon.
    if (pointer.x() != LastMoveX || pointer.y() != LastMoveY) {
        FDidExit = true;
        MouseExit();
    }
}

void TNotifyTrayIcon::CycleTimerTick() {
    if (FIconList == nullptr)
        return;
    const QPointer<TNotifyTrayIcon> alive(this);
    FIconList->GetIcon(FIconIndex, *FIcon);
    CycleIcon();
    // The OnCycle handler may have destroyed the component or taken its image list away.
    if (alive.isNull() || FIconList == nullptr)
        return;
    SetIconIndex(FIconIndex < FIconList->Count() - 1 ? FIconIndex + 1 : 0);
}

void TNotifyTrayIcon::CycleIcon() {
    if (!OnCycle)
        return;
    const int32_t count = FIconList != nullptr ? FIconList->Count() : 0;
    const int32_t nextIndex = FIconIndex < count - 1 ? FIconIndex + 1 : 0;
    OnCycle(this, nextIndex);
}

namespace {

template <std::size_t N> void copyCut(char (&field)[N], const QByteArray& text) {
    std::memset(field, 0, N);
    const auto length = std::min<std::size_t>(static_cast<std::size_t>(text.size()), N - 1);
    std::memcpy(field, text.constData(), length);
}

} // namespace

bool TNotifyTrayIcon::ShowBalloonHint(const QByteArray& Title, const QByteArray& Text,
                                      TBalloonHintIcon IconType, TBalloonHintTimeOut TimeoutSecs) {
    HideBalloonHint();
    IconData.uFlags |= nim::NIF_INFO;
    copyCut(IconData.szInfo, Text);
    copyCut(IconData.szInfoTitle, Title);
    IconData.TimeoutOrVersion.uTimeout = static_cast<uint32_t>(TimeoutSecs) * 1000;
    IconData.dwInfoFlags = static_cast<uint32_t>(IconType);
    const bool result = ModifyTrayIcon();
    IconData.uFlags = nim::NIF_MESSAGE | nim::NIF_ICON | nim::NIF_TIP;
    return result;
}

bool TNotifyTrayIcon::HideBalloonHint() {
    IconData.uFlags |= nim::NIF_INFO;
    std::memset(IconData.szInfo, 0, sizeof(IconData.szInfo));
    return ModifyTrayIcon();
}

QPoint TNotifyTrayIcon::GetClientIconPos(int X, int Y) const {
    // A cell is a caption height less one pixel; a degenerate metric still gives a cell
    // of one pixel rather than a division by zero.
    const int cell = std::max(platform::CaptionHeight() - 3 + 2, 1);
    const QPoint client = platform::ScreenToClientOfWindowAt(QPoint(X, Y));
    return {client.x() % cell - 1, client.y() % cell - 1};
}

bool TNotifyTrayIcon::BitmapToIcon(const QPixmap& Bitmap, TIcon& Icon, const QColor& MaskColor) {
    TImageList list(nullptr, 16, 16);
    list.AddMasked(Bitmap, MaskColor);
    list.GetIcon(0, Icon);
    return true;
}

void TNotifyTrayIcon::SetDesignPreview(bool value) {
    FDesignPreview = value;
    SettingPreview = true;
    // Only a form designer shows the preview; this program has none.
    if (FDesigning) {
        if (FIcon->Empty() && UseDefaultIcon())
            FIcon->Assign(QApplication::style()->standardIcon(QStyle::SP_ComputerIcon));
        SetIconVisible(value);
    }
    SettingPreview = false;
}

} // namespace veska
