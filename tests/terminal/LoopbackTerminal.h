#pragma once
// A price-check terminal played by a TCP client on the loopback network: connects to the
// test process's own endpoint (LoopbackEndpoint.h), sends frames and reads the server's
// lines, every wait bounded by a receive time-out.

#include <cstdint>
#include <string>

namespace veska::terminal::test {

class LoopbackTerminal {
public:
    LoopbackTerminal();
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
