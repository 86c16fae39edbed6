#pragma once
// One terminal connection, living on the server's network thread: greets, reads frames,
// hands scans to the server, writes the frames it is given and closes on error, on a
// protocol violation, on idle time-out or when told to.

#include "protocol/FrameParser.h"

#include <array>
#include <asio.hpp>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace termserver {

class SessionOwner {
public:
    // False when the scan cannot be queued; the session then answers BUSY.
    virtual bool onScan(std::uint16_t socket, std::string barcode) = 0;
    virtual void onActivity(std::uint16_t socket) = 0;
    virtual void onClosed(std::uint16_t socket) = 0;

protected:
    ~SessionOwner() = default;
};

class Session : public std::enable_shared_from_this<Session> {
public:
    // A terminal that does not read its answers is dropped when this many frames queue up.
    static constexpr std::size_t kMaxQueuedFrames = 32;

    Session(asio::ip::tcp::socket socket, std::uint16_t number, SessionOwner& owner,
            std::chrono::seconds idleTimeout);

    void start(std::string greeting);
    // Queues a frame for writing (network thread only).
    void send(std::string frame);
    void close();

private:
    void readMore();
    void handleBytes(const char* begin, const char* end);
    void writeNext();
    void armIdleTimer();
    void failProtocol(const std::string& reason);

    asio::ip::tcp::socket socket_;
    asio::steady_timer idleTimer_;
    std::uint16_t number_;
    SessionOwner& owner_;
    std::chrono::seconds idleTimeout_;
    std::chrono::steady_clock::time_point lastRead_;
    protocol::FrameParser parser_;
    std::array<char, 512> readBuffer_{};
    std::deque<std::string> outgoing_;
    bool writing_ = false;
    bool closeAfterWrite_ = false;
    bool closed_ = false;
};

} // namespace termserver
