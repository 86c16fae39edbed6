#pragma once
// Enumerations and event slots of the tray components. An event slot that holds no
// function is skipped.

#include <QObject>
#include <cstdint>
#include <functional>

namespace veska {

enum class TBalloonHintIcon : uint8_t { bitNone, bitInfo, bitWarning, bitError };
// Balloon time-out in seconds, 10..60.
using TBalloonHintTimeOut = uint8_t;
enum class TBehavior : uint8_t { bhWin95 = 0, bhWin2000 = 1 };
enum class TMouseButton : uint8_t { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

using TShiftState = uint32_t;
inline constexpr TShiftState ssShift = 0x1;
inline constexpr TShiftState ssAlt = 0x2;
inline constexpr TShiftState ssCtrl = 0x4;
inline constexpr TShiftState ssLeft = 0x8;
inline constexpr TShiftState ssRight = 0x10;
inline constexpr TShiftState ssMiddle = 0x20;

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TCycleEvent = std::function<void(QObject* Sender, int32_t NextIndex)>;
using TStartupEvent = std::function<void(QObject* Sender, bool& ShowMainForm)>;
using TMouseEvent =
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;

} // namespace veska
