#pragma once
// The record handed to the notification-area call: 616 bytes, little-endian, no padding.
// Window and icon handles are 4-byte values here; the platform layer maps them.

#include <cstddef>
#include <cstdint>

namespace veska {

union TTimeoutOrVersion {
    uint32_t uTimeout; // balloon time-out in milliseconds
    uint32_t uVersion; // 0 or NOTIFYICON_VERSION (3)
};

struct TNotifyIconDataEx {
    uint32_t cbSize;
    uint32_t hWnd;
    uint32_t uID;
    uint32_t uFlags;
    uint32_t uCallbackMessage;
    uint32_t hIcon;
    char16_t szTip[128];
    uint32_t dwState;
    uint32_t dwStateMask;
    char szInfo[256];
    TTimeoutOrVersion TimeoutOrVersion;
    char szInfoTitle[64];
    uint32_t dwInfoFlags;
};

static_assert(sizeof(TNotifyIconDataEx) == 616);
static_assert(offsetof(TNotifyIconDataEx, hWnd) == 4);
static_assert(offsetof(TNotifyIconDataEx, uID) == 8);
static_assert(offsetof(TNotifyIconDataEx, uFlags) == 12);
static_assert(offsetof(TNotifyIconDataEx, uCallbackMessage) == 16);
static_assert(offsetof(TNotifyIconDataEx, hIcon) == 20);
static_assert(offsetof(TNotifyIconDataEx, szTip) == 24);
static_assert(offsetof(TNotifyIconDataEx, dwState) == 280);
static_assert(offsetof(TNotifyIconDataEx, dwStateMask) == 284);
static_assert(offsetof(TNotifyIconDataEx, szInfo) == 288);
static_assert(offsetof(TNotifyIconDataEx, TimeoutOrVersion) == 544);
static_assert(offsetof(TNotifyIconDataEx, szInfoTitle) == 548);
static_assert(offsetof(TNotifyIconDataEx, dwInfoFlags) == 612);

namespace nim {
inline constexpr uint32_t NIM_ADD = 0;
inline constexpr uint32_t NIM_MODIFY = 1;
inline constexpr uint32_t NIM_DELETE = 2;
inline constexpr uint32_t NIM_SETVERSION = 4;

inline constexpr uint32_t NIF_MESSAGE = 0x1;
inline constexpr uint32_t NIF_ICON = 0x2;
inline constexpr uint32_t NIF_TIP = 0x4;
inline constexpr uint32_t NIF_INFO = 0x10;

inline constexpr uint32_t NIIF_NONE = 0;
inline constexpr uint32_t NIIF_INFO = 1;
inline constexpr uint32_t NIIF_WARNING = 2;
inline constexpr uint32_t NIIF_ERROR = 3;

inline constexpr uint32_t NOTIFYICON_VERSION = 3;
} // namespace nim

} // namespace veska
