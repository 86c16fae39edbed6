#pragma once
// Starting and stopping the terminal server with the toggle button BtnIniciar. The state is
// held by the button's caption alone: "Parar" means running, anything else stopped.

#include "core/Notices.h"
#include "terminal/TermServerApi.h"
#include "terminal/TerminalViews.h"

namespace veska::terminal {

inline constexpr unsigned kStoppedColor = 0xFF0000; // BtnMonitora font while stopped
inline constexpr unsigned kRunningColor = 0x008000; // and while running

class ServerControl {
public:
    ServerControl(const TermServerApi& api, ServerControlView& view, Notices& notices,
                  ActivityLog& log);

    // After a start refused because the address is in use: the usual cause is the shop's
    // other program (the desktop one, or the service), which already serves there.
    static QString addressInUseLine();

    // Whether the server runs, as the button's caption says.
    bool running() const;

    // BtnIniciarClick: stops a running server, starts a stopped one.
    void toggle();

    // StopServer: a refused stop keeps everything running and says so.
    void stopServer();

    // The stopped look that window creation sets: red BtnMonitora, BtnMensagens disabled.
    void presentStopped();

private:
    void startServer();

    const TermServerApi& api_;
    ServerControlView& view_;
    Notices& notices_;
    ActivityLog& log_;
};

} // namespace veska::terminal
