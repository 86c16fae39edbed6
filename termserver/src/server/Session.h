#pragma once
// One terminal connection, living on the server's network thread: greets, reads frames,
// hands scans to the server and writes the answers of its scans in the order the scans came,
// whoever answers them and whenever. A scan left unanswered for the answer time-out gets
// the library's own "try again" answer. Reading pauses while many frames are due to the
// terminal. A terminal that closes its sending side still gets the answers of its scans.
// The connection closes on a network error, on a protocol violation, when nothing was
// received for the idle time-out, when its output has not moved for as long, when a frame
// begun is not complete within the frame time-out (however its bytes trickle in), or when
// told.

#include "protocol/FrameParser.h"
#include "server/Registry.h"

#include <array>
#include <asio.hpp>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace termserver {

class SessionOwner {
public:
    // The scan's id when it was queued for the program; nullopt when the session is to
    // answer BUSY.
    virtual std::optional<ScanId> onScan(std::uint16_t socket, std::string barcode) = 0;
    // The session answered the scan itself, its time being up.
    virtual void onScanExpired(std::uint16_t socket, ScanId scan) = 0;
    virtual void onActivity(std::uint16_t socket) = 0;
    virtual void onClosed(std::uint16_t socket) = 0;

protected:
    ~SessionOwner() = default;
};

struct SessionTimeouts {
    // Nothing received, or the output not moving, for this long closes the connection.
    std::chrono::seconds idle{90};
    // A scan still unanswered this long after its arrival is answered RETRY.
    std::chrono::seconds answer{8};
    // A frame's first byte to its line feed: a terminal sends a frame in one go.
    std::chrono::seconds frame{5};
};

class Session : public std::enable_shared_from_this<Session> {
public:
    // Reading pauses while this many answers and frames are due to the terminal, and goes
    // on once they are written.
    static constexpr std::size_t kReadPauseBacklog = 32;

    Session(asio::ip::tcp::socket socket, std::uint16_t number, SessionOwner& owner,
            SessionTimeouts timeouts);

    // The calls below are for the network thread only.
    void start(std::string greeting);
    // A frame that answers no scan (PONG, MSG, a reply without a scan): it leaves at once.
    void send(std::string frame);
    // The answer to one of this connection's scans: it leaves once every earlier scan of the
    // connection has had its answer. An answer to a scan that has had one already is dropped.
    void answer(ScanId scan, std::string frame);
    void close();

private:
    using Clock = std::chrono::steady_clock;
    struct DueAnswer {
        ScanId scan = 0; // 0: answered BUSY when it came
        std::string barcode;
        Clock::time_point deadline;
        std::optional<std::string> frame; // set once answered
    };

    void readMore();
    void handleBytes(const char* begin, const char* end);
    void receiveScan(std::string barcode);
    void releaseAnswered();
    void writeNext();
    void finishIfDone();
    void failProtocol(const std::string& reason);
    void checkTimes();
    void schedule();
    std::optional<Clock::time_point> nextDeadline() const;
    std::size_t backlog() const;
    bool readingActive() const;

    asio::ip::tcp::socket socket_;
    asio::steady_timer timer_;
    std::optional<Clock::time_point> timerSetFor_;
    std::uint16_t number_;
    SessionOwner& owner_;
    SessionTimeouts timeouts_;
    protocol::FrameParser parser_;
    std::array<char, 512> readBuffer_{};
    std::deque<DueAnswer> due_;        // the connection's scans in arrival order
    std::deque<std::string> outgoing_; // frames waiting to be written
    std::string writeBuffer_;          // the frames being written now
    std::size_t framesInWrite_ = 0;
    Clock::time_point lastRead_;
    std::optional<Clock::time_point> frameStarted_; // a frame is partly received
    Clock::time_point lastWriteMoved_;
    bool reading_ = false;
    bool writing_ = false;
    bool readPaused_ = false;
    bool peerFinished_ = false; // the terminal has closed its sending side
    bool closeAfterWrite_ = false;
    bool closed_ = false;
};

} // namespace termserver
