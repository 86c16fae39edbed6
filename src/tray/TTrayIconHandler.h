#pragma once
// The hidden message window shared by every TNotifyTrayIcon of the process. It receives the
// icons' callback messages (0x800, WParam = uID) and hands each to the live instance with
// that identity; identities are never reused, so a message for a destroyed instance reaches
// nobody. Created with the first instance, destroyed with the last.

#include "tray/TrayMessages.h"

#include <cstdint>

namespace veska {

class TNotifyTrayIcon;

class TTrayIconHandler {
public:
    TTrayIconHandler();
    ~TTrayIconHandler();
    TTrayIconHandler(const TTrayIconHandler&) = delete;
    TTrayIconHandler& operator=(const TTrayIconHandler&) = delete;

    // The shared handler, or nullptr while no instance exists.
    static TTrayIconHandler* Instance();
    static void AcquireTrayHandler();
    static void ReleaseTrayHandler();

    void Add() { ++RefCount; }
    void Remove();
    void HandleIconMessage(TMessage& message);

    uint32_t RefCount = 0;
    // The hidden window's handle (the record's hWnd).
    uint32_t FHandle = 0;

    // The live instances by identity.
    static uint32_t RegisterInstance(TNotifyTrayIcon* icon);
    static void UnregisterInstance(uint32_t id);
    static TNotifyTrayIcon* FindInstance(uint32_t id);
};

} // namespace veska
