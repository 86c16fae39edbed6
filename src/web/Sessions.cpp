#include "web/Sessions.h"

#include <sodium.h>

namespace veska::web {

std::string randomToken() {
    unsigned char bytes[16];
    randombytes_buf(bytes, sizeof bytes);
    char hex[2 * sizeof bytes + 1];
    sodium_bin2hex(hex, sizeof hex, bytes, sizeof bytes);
    return hex;
}

Sessions::Sessions(QByteArray passwordHash) : passwordHash_(std::move(passwordHash)) {
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not start");
}

Sessions::LoginResult Sessions::login(const std::string& address, const std::string& password,
                                      Clock::time_point now) {
    {
        std::lock_guard lock(mutex_);
        if (const auto it = attempts_.find(address);
            it != attempts_.end() && now < it->second.refusedUntil)
            return {Login::SlowedDown, {}};
    }
    // The hash costs 64 MiB and a fraction of a second: it is checked outside the sessions'
    // lock, and one login at a time, so that logins at once (or an attacker's flood of them
    // from many addresses) cost no more memory and no more than one core.
    bool right = false;
    {
        std::lock_guard verifying(verifyMutex_);
        right = !passwordHash_.isEmpty() &&
                crypto_pwhash_str_verify(passwordHash_.constData(), password.data(),
                                         static_cast<unsigned long long>(password.size())) == 0;
    }
    std::lock_guard lock(mutex_);
    if (!right) {
        Attempts& attempts = attempts_[address];
        if (++attempts.wrong >= wrongBeforeSlowDown) {
            attempts.wrong = 0;
            attempts.refusedUntil = now + slowDown;
        }
        return {Login::Refused, {}};
    }
    attempts_.erase(address);
    // Ended sessions go when a new one opens.
    std::erase_if(sessions_,
                  [now](const auto& entry) { return now - entry.second.lastUse >= idleLimit; });
    std::string token = randomToken();
    sessions_[token] = {randomToken(), now};
    return {Login::Opened, token};
}

std::optional<std::string> Sessions::touch(const std::string& token, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    const auto it = sessions_.find(token);
    if (it == sessions_.end())
        return {};
    if (now - it->second.lastUse >= idleLimit) {
        sessions_.erase(it);
        return {};
    }
    it->second.lastUse = now;
    return it->second.csrf;
}

void Sessions::logout(const std::string& token) {
    std::lock_guard lock(mutex_);
    sessions_.erase(token);
}

} // namespace veska::web
