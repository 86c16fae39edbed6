#pragma once
// A price-check terminal played by a TCP client on 127.0.0.1: sends frames and reads the
// server's lines, every wait bounded by a receive time-out.

#include <cstdint>
#include <string>

namespace veska::terminal::test {

// A port on 127.0.0.1 that was free a moment ago.
std::uint16_t freeLoopbackPort();

class LoopbackTerminal {
public:
    explicit LoopbackTerminal(std::uint16_t port);
    ~LoopbackTerminal();
    LoopbackTerminal(const LoopbackTerminal&) = delete;
    LoopbackTerminal& operator=(const LoopbackTerminal&) = delete;

    bool connected() const { return socket_ >= 0; }
    void send(const std::string& frame);
    // The next line without its LF; empty on time-out or when the server closed.
    std::string readLine();
    // Whether the server has closed the connection (within the time-out).
    bool closedByServer();

private:
    int socket_ = -1;
    std::string pending_;
};

} // namespace veska::terminal::test
