#pragma once
// Breaks off a database call that waits too long. A thread of its own looks at the call in
// progress on the thread that armed it a few times a second and, once the call's time is
// up, aborts the call's attachment: the waiting call returns at once with a lost-connection
// error instead of hanging for as long as the server does. Arming and disarming take an
// uncontended lock and wake nobody, so a call of a few microseconds stays one.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace veska::catalogue {

namespace firebird {
class Attachment;
}

class Watchdog {
public:
    Watchdog() = default;
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Watches until destroyed. Calls armed while one is armed (nested calls) share the
    // outer call's time.
    class Armed {
    public:
        Armed(Armed&& other) noexcept;
        Armed(const Armed&) = delete;
        Armed& operator=(const Armed&) = delete;
        Armed& operator=(Armed&&) = delete;
        ~Armed();
        // Whether the time ran out and the attachment was aborted.
        bool fired() const;

    private:
        friend class Watchdog;
        Armed(Watchdog* watchdog, std::uint64_t serial) : watchdog_(watchdog), serial_(serial) {}
        Watchdog* watchdog_;
        std::uint64_t serial_;
    };

    Armed arm(std::shared_ptr<firebird::Attachment> attachment, std::chrono::milliseconds limit);

    // How often the watching thread looks: a call is broken off at most this long after its
    // time is up.
    static constexpr std::chrono::milliseconds lookEvery{200};

private:
    void disarm(std::uint64_t serial);
    bool fired(std::uint64_t serial) const;
    void watch();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::shared_ptr<firebird::Attachment> watched_;
    std::chrono::steady_clock::time_point deadline_;
    std::uint64_t serial_ = 0;      // of the outermost armed call
    std::uint64_t firedSerial_ = 0; // the call whose attachment was aborted
    int depth_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace veska::catalogue
