#pragma once
// One attempt to attach to the database, made on a thread of its own so that the caller
// can stop waiting for a server that does not answer. The caller waits as long as it wants
// and asks again later; the thread ends by itself (the client's connect time-out bounds it)
// and nobody waits for it at exit.

#include "catalogue/connection/firebird/FbAttachment.h"

#include <QString>
#include <chrono>
#include <memory>
#include <optional>

namespace veska::catalogue {

class AttachAttempt {
public:
    struct Outcome {
        std::shared_ptr<firebird::Attachment> attachment; // null when it failed
        QString error;                                    // the engine's message then
    };

    explicit AttachAttempt(const firebird::AttachParameters& parameters);
    AttachAttempt(const AttachAttempt&) = delete;
    AttachAttempt& operator=(const AttachAttempt&) = delete;

    // The outcome once the attempt is over; nullopt while it still waits after the time.
    std::optional<Outcome> waitFor(std::chrono::milliseconds time);
    std::chrono::steady_clock::time_point startedAt() const { return startedAt_; }

private:
    struct State;
    std::shared_ptr<State> state_;
    std::chrono::steady_clock::time_point startedAt_;
};

} // namespace veska::catalogue
