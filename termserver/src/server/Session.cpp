#include "server/Session.h"

#include "protocol/Messages.h"

namespace termserver {

Session::Session(asio::ip::tcp::socket socket, std::uint16_t number, SessionOwner& owner,
                 SessionTimeouts timeouts)
    : socket_(std::move(socket)), timer_(socket_.get_executor()), number_(number), owner_(owner),
      timeouts_(timeouts) {}

void Session::start(std::string greeting) {
    std::error_code ignored;
    socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
    lastRead_ = Clock::now();
    send(std::move(greeting));
    readMore();
    schedule();
}

std::size_t Session::backlog() const {
    return due_.size() + outgoing_.size() + framesInWrite_;
}

bool Session::readingActive() const {
    return !closed_ && !peerFinished_ && !closeAfterWrite_ && !readPaused_;
}

void Session::readMore() {
    if (closed_ || reading_ || peerFinished_ || closeAfterWrite_)
        return;
    // A terminal that does not read its answers stops being read: what it sends waits in
    // the network's buffers instead of ours.
    if (backlog() >= kReadPauseBacklog) {
        readPaused_ = true;
        return;
    }
    if (readPaused_) {
        readPaused_ = false;
        lastRead_ = Clock::now(); // the idle time counts again from here
        if (frameStarted_)
            frameStarted_ = lastRead_; // and so does a frame's
    }
    reading_ = true;
    socket_.async_read_some(asio::buffer(readBuffer_), [self = shared_from_this()](
                                                           std::error_code error, std::size_t n) {
        self->reading_ = false;
        if (self->closed_)
            return;
        if (error == asio::error::eof) {
            // The terminal has said all it will; its scans still get their answers.
            self->peerFinished_ = true;
            self->finishIfDone();
            self->schedule();
            return;
        }
        if (error) {
            self->close();
            return;
        }
        self->lastRead_ = Clock::now();
        self->handleBytes(self->readBuffer_.data(), self->readBuffer_.data() + n);
        self->readMore();
        self->schedule();
    });
}

void Session::handleBytes(const char* begin, const char* end) {
    while (begin != end && !closed_ && !closeAfterWrite_) {
        const auto [result, next] = parser_.parse(begin, end);
        begin = next;
        if (result == protocol::FrameParser::Result::NeedMore) {
            if (!frameStarted_)
                frameStarted_ = Clock::now(); // its time counts from its first byte
            return;
        }
        frameStarted_.reset();
        if (result == protocol::FrameParser::Result::Bad) {
            failProtocol(protocol::describe(parser_.error()));
            return;
        }
        auto request = protocol::readTerminalFrame(parser_.takeFrame());
        owner_.onActivity(number_);
        if (auto* scan = std::get_if<protocol::ScanRequest>(&request)) {
            receiveScan(std::move(scan->barcode));
        } else if (std::holds_alternative<protocol::PingRequest>(request)) {
            send(protocol::pongFrame());
        } else {
            failProtocol(std::get<protocol::InvalidRequest>(request).reason);
        }
    }
}

void Session::receiveScan(std::string barcode) {
    if (const auto id = owner_.onScan(number_, barcode)) {
        due_.push_back(DueAnswer{*id, std::move(barcode), Clock::now() + timeouts_.answer, {}});
        return;
    }
    // Not queued: BUSY, which still waits for the answers of the scans before it.
    auto busy = protocol::busyFrame(barcode);
    due_.push_back(DueAnswer{0, std::move(barcode), {}, std::move(busy)});
    releaseAnswered();
}

void Session::answer(ScanId scan, std::string frame) {
    if (closed_)
        return;
    for (DueAnswer& due : due_) {
        if (due.scan == scan && !due.frame) {
            due.frame = std::move(frame);
            releaseAnswered();
            readMore();
            schedule();
            return;
        }
    }
}

void Session::releaseAnswered() {
    while (!due_.empty() && due_.front().frame) {
        outgoing_.push_back(std::move(*due_.front().frame));
        due_.pop_front();
    }
    writeNext();
}

void Session::failProtocol(const std::string& reason) {
    // The peer broke the protocol: tell it why, then close once that is written.
    send(protocol::errorFrame(reason));
    closeAfterWrite_ = true;
}

void Session::send(std::string frame) {
    if (closed_)
        return;
    outgoing_.push_back(std::move(frame));
    writeNext();
    schedule();
}

void Session::writeNext() {
    if (closed_ || writing_)
        return;
    if (outgoing_.empty()) {
        if (closeAfterWrite_)
            close();
        else
            finishIfDone();
        return;
    }
    // Everything waiting goes in one write.
    writeBuffer_.clear();
    for (const std::string& frame : outgoing_)
        writeBuffer_ += frame;
    framesInWrite_ = outgoing_.size();
    outgoing_.clear();
    writing_ = true;
    lastWriteMoved_ = Clock::now();
    asio::async_write(socket_, asio::buffer(writeBuffer_),
                      [self = shared_from_this()](std::error_code error, std::size_t) {
                          if (self->closed_)
                              return;
                          if (error) {
                              self->close();
                              return;
                          }
                          self->writing_ = false;
                          self->framesInWrite_ = 0;
                          self->lastWriteMoved_ = Clock::now();
                          self->writeNext();
                          self->readMore();
                          self->schedule();
                      });
}

void Session::finishIfDone() {
    if (peerFinished_ && due_.empty() && outgoing_.empty() && !writing_)
        close();
}

std::optional<Session::Clock::time_point> Session::nextDeadline() const {
    std::optional<Clock::time_point> next;
    const auto consider = [&next](Clock::time_point at) {
        if (!next || at < *next)
            next = at;
    };
    if (readingActive())
        consider(lastRead_ + timeouts_.idle);
    if (readingActive() && frameStarted_)
        consider(*frameStarted_ + timeouts_.frame);
    if (writing_)
        consider(lastWriteMoved_ + timeouts_.idle);
    // Scans arrive in order and share one time-out: the first unanswered one is due first.
    for (const DueAnswer& due : due_) {
        if (!due.frame) {
            consider(due.deadline);
            break;
        }
    }
    return next;
}

void Session::schedule() {
    if (closed_)
        return;
    const auto next = nextDeadline();
    if (!next || (timerSetFor_ && *timerSetFor_ <= *next))
        return;
    timerSetFor_ = *next;
    timer_.expires_at(*next);
    timer_.async_wait([self = shared_from_this()](std::error_code error) {
        if (error == asio::error::operation_aborted || self->closed_)
            return; // set again for an earlier time, or closed
        self->timerSetFor_.reset();
        self->checkTimes();
        self->schedule();
    });
}

void Session::checkTimes() {
    const auto now = Clock::now();
    if ((readingActive() && now >= lastRead_ + timeouts_.idle) ||
        (writing_ && now >= lastWriteMoved_ + timeouts_.idle)) {
        close();
        return;
    }
    if (readingActive() && frameStarted_ && now >= *frameStarted_ + timeouts_.frame) {
        frameStarted_.reset();
        failProtocol("frame not complete within " + std::to_string(timeouts_.frame.count()) + " s");
        return;
    }
    bool expired = false;
    for (DueAnswer& due : due_) {
        if (!due.frame && due.deadline <= now) {
            owner_.onScanExpired(number_, due.scan);
            due.frame = protocol::retryFrame(due.barcode);
            expired = true;
        }
    }
    if (expired) {
        releaseAnswered();
        readMore();
    }
}

void Session::close() {
    if (closed_)
        return;
    closed_ = true;
    // The registry forgets the connection before the peer can see the close, so a closed
    // terminal's scans are never handed over afterwards.
    owner_.onClosed(number_);
    due_.clear();
    outgoing_.clear();
    std::error_code ignored;
    timer_.cancel();
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
}

} // namespace termserver
