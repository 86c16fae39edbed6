#pragma once
// Window messages as the tray components speak them: the message numbers of the desktop
// shell protocol and the record that carries one message to a window procedure.

#include <cstdint>

namespace veska {

struct TMessage {
    uint32_t Msg = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
    intptr_t Result = 0;
};

namespace msg {
inline constexpr uint32_t WM_NULL = 0x00;
inline constexpr uint32_t WM_DESTROY = 0x02;
inline constexpr uint32_t WM_SIZE = 0x05;
inline constexpr uint32_t WM_CLOSE = 0x10;
inline constexpr uint32_t WM_QUERYENDSESSION = 0x11;
inline constexpr uint32_t WM_QUIT = 0x12;
inline constexpr uint32_t WM_ENDSESSION = 0x16;
inline constexpr uint32_t WM_SHOWWINDOW = 0x18;
inline constexpr uint32_t WM_WINDOWPOSCHANGED = 0x47;
inline constexpr uint32_t WM_CONTEXTMENU = 0x7B;
inline constexpr uint32_t WM_NCDESTROY = 0x82;
inline constexpr uint32_t WM_SYSCOMMAND = 0x112;
inline constexpr uint32_t WM_TIMER = 0x113;
inline constexpr uint32_t WM_MOUSEMOVE = 0x200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x201;
inline constexpr uint32_t WM_LBUTTONUP = 0x202;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x203;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x204;
inline constexpr uint32_t WM_RBUTTONUP = 0x205;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 0x206;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x207;
inline constexpr uint32_t WM_MBUTTONUP = 0x208;
inline constexpr uint32_t WM_MBUTTONDBLCLK = 0x209;
inline constexpr uint32_t WM_USER = 0x400;
// The icon callback message: WParam is the icon's uID, LParam the mouse or shell event.
inline constexpr uint32_t WM_TRAYICON = WM_USER + 0x400;

inline constexpr uint32_t NIN_SELECT = 0x400;
inline constexpr uint32_t NIN_KEYSELECT = 0x401;
inline constexpr uint32_t NIN_BALLOONSHOW = 0x402;
inline constexpr uint32_t NIN_BALLOONHIDE = 0x403;
inline constexpr uint32_t NIN_BALLOONTIMEOUT = 0x404;
inline constexpr uint32_t NIN_BALLOONUSERCLICK = 0x405;

inline constexpr uintptr_t SIZE_MINIMIZED = 1;
inline constexpr intptr_t SW_PARENTCLOSING = 1;
inline constexpr uintptr_t SC_MINIMIZE = 0xF020;
inline constexpr uintptr_t SC_RESTORE = 0xF120;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;
} // namespace msg

} // namespace veska
