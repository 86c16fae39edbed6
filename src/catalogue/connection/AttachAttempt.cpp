#include "catalogue/connection/AttachAttempt.h"

#include "core/Errors.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace veska::catalogue {

struct AttachAttempt::State {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<Outcome> outcome;
};

AttachAttempt::AttachAttempt(const firebird::AttachParameters& parameters)
    : state_(std::make_shared<State>()), startedAt_(std::chrono::steady_clock::now()) {
    // The thread owns its share of the state, so it may outlive this object.
    std::thread([state = state_, parameters] {
        Outcome outcome;
        try {
            outcome.attachment =
                std::make_shared<firebird::Attachment>(firebird::Attachment::attach(parameters));
        } catch (const Error& error) {
            outcome.error = error.text();
        }
        const std::lock_guard lock(state->mutex);
        state->outcome = std::move(outcome);
        state->done.notify_all();
    }).detach();
}

std::optional<AttachAttempt::Outcome> AttachAttempt::waitFor(std::chrono::milliseconds time) {
    std::unique_lock lock(state_->mutex);
    state_->done.wait_for(lock, time, [this] { return state_->outcome.has_value(); });
    return state_->outcome;
}

} // namespace veska::catalogue
