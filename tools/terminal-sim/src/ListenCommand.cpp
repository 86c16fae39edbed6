#include "Commands.h"
#include "protocol/Limits.h"

#include <iostream>

namespace terminalsim {

int runListen(const CommonOptions& options, double seconds) {
    using Clock = std::chrono::steady_clock;
    auto client = connectAndGreet(options, options.bindAddress);
    if (!client)
        return kExitConnection;
    const bool bounded = seconds >= 0;
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(bounded ? seconds : 0));
    // The server's idle time-out counts what the terminal sends, so the keep-alive follows
    // the last frame sent, whatever arrives in between.
    auto lastSent = Clock::now();
    for (;;) {
        auto wait = termserver::protocol::kKeepAliveInterval - (Clock::now() - lastSent);
        if (bounded)
            wait = std::min<Clock::duration>(wait, end - Clock::now());
        if (bounded && Clock::now() >= end)
            return kExitOk;
        auto received =
            client->receive(std::max(std::chrono::duration_cast<std::chrono::milliseconds>(wait),
                                     std::chrono::milliseconds(0)));
        if (received.status == TerminalClient::Status::Timeout) {
            if (Clock::now() - lastSent >= termserver::protocol::kKeepAliveInterval) {
                client->ping();
                lastSent = Clock::now();
            }
            continue;
        }
        if (received.status != TerminalClient::Status::Frame) {
            std::cerr << "terminal-sim: the server closed the connection\n";
            return kExitConnection;
        }
        const auto& frame = received.frame;
        if (frame.command == "MSG") {
            std::cout << "MSG\t" << fieldUtf8(frame, 0) << '\t' << fieldUtf8(frame, 1) << '\t'
                      << fieldUtf8(frame, 2) << std::endl;
        } else if (frame.command != "PONG") {
            std::cerr << "terminal-sim: " << frame.command << '\t' << fieldUtf8(frame, 0) << '\t'
                      << fieldUtf8(frame, 1) << '\n';
        }
    }
}

} // namespace terminalsim
