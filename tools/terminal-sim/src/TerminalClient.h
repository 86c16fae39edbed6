#pragma once
// A terminal's side of the protocol over a plain non-blocking TCP socket: connect (from a
// chosen local address), send frames or raw bytes, receive frames with a time-out. Used by
// the simulator and by the library's tests.

#include "protocol/FrameParser.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace terminalsim {

struct Endpoint {
    std::string host; // dotted IPv4
    std::uint16_t port = 0;
};

// "HOST:PORT" with a dotted IPv4 host.
std::optional<Endpoint> parseEndpoint(std::string_view text);

class TerminalClient {
public:
    enum class Status { Frame, Timeout, Closed, Bad };
    struct Received {
        Status status = Status::Timeout;
        termserver::protocol::Frame frame;
    };

    // Connects to the server, from bindAddress when it is not empty. Nullopt on failure,
    // with the reason in *error.
    static std::optional<TerminalClient> connect(const Endpoint& server,
                                                 const std::string& bindAddress,
                                                 std::chrono::milliseconds timeout,
                                                 std::string* error);

    TerminalClient(TerminalClient&& other) noexcept;
    TerminalClient& operator=(TerminalClient&& other) noexcept;
    TerminalClient(const TerminalClient&) = delete;
    TerminalClient& operator=(const TerminalClient&) = delete;
    ~TerminalClient();

    // Writes all bytes (waiting up to two seconds for room); false when the peer is gone.
    bool sendRaw(std::string_view bytes);
    bool scan(std::string_view barcode);
    bool ping();
    // Closes the sending side (the server sees the end of the terminal's frames) and keeps
    // receiving.
    bool finishSending();

    // The next frame, waiting up to the time-out for it.
    Received receive(std::chrono::milliseconds timeout);
    // Reads what has arrived without waiting; false once the connection is closed or bad.
    bool pump();
    std::optional<termserver::protocol::Frame> popFrame();

    // Closed by the server, or its bytes did not parse.
    bool broken() const { return closed_ || bad_; }
    bool closedByPeer() const { return closed_; }
    int fd() const { return fd_; }
    void close();

private:
    explicit TerminalClient(int fd) : fd_(fd) {}

    int fd_ = -1;
    termserver::protocol::FrameParser parser_;
    std::deque<termserver::protocol::Frame> frames_;
    bool closed_ = false;
    bool bad_ = false;
};

} // namespace terminalsim
