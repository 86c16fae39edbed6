#include "tray/platform/Input.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QStyle>
#include <QStyleHints>
#include <QWidget>

namespace veska::platform {

bool GetCursorPos(QPoint& position) {
    if (QGuiApplication::primaryScreen() == nullptr)
        return false;
    position = QCursor::pos();
    return true;
}

TShiftState CurrentShiftState() {
    const Qt::KeyboardModifiers keys = QGuiApplication::queryKeyboardModifiers();
    TShiftState state = 0;
    if (keys & Qt::ShiftModifier)
        state |= ssShift;
    if (keys & Qt::ControlModifier)
        state |= ssCtrl;
    if (keys & Qt::AltModifier)
        state |= ssAlt;
    return state;
}

uint32_t GetDoubleClickTime() {
    return static_cast<uint32_t>(QGuiApplication::styleHints()->mouseDoubleClickInterval());
}

int CaptionHeight() {
    return QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
}

QPoint ScreenToClientOfWindowAt(QPoint screenPoint) {
    if (QWidget* window = QApplication::widgetAt(screenPoint))
        return window->mapFromGlobal(screenPoint);
    return screenPoint;
}

} // namespace veska::platform
