#pragma once
// The web console's logins. A right password opens a session: a token of 128 random bits
// (the cookie) and a CSRF token of its own, which every POST but the login must carry. A
// session ends at logout, or after idleLimit without a request. An address that gives
// wrongBeforeSlowDown wrong passwords in a row is refused (429) for slowDown, right
// password or not. Safe to call from the server's threads at once.

#include <QByteArray>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace veska::web {

class Sessions {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::hours idleLimit{8};
    static constexpr int wrongBeforeSlowDown = 5;
    static constexpr std::chrono::minutes slowDown{5};

    // passwordHash: libsodium's Argon2id string (veska-passwd).
    explicit Sessions(QByteArray passwordHash);

    enum class Login { Opened, Refused, SlowedDown };
    struct LoginResult {
        Login result = Login::Refused;
        std::string token; // when opened
    };
    LoginResult login(const std::string& address, const std::string& password,
                      Clock::time_point now = Clock::now());

    // The session's CSRF token, and the session kept alive; nothing for no (or an ended)
    // session.
    std::optional<std::string> touch(const std::string& token,
                                     Clock::time_point now = Clock::now());
    void logout(const std::string& token);

private:
    struct Session {
        std::string csrf;
        Clock::time_point lastUse;
    };
    struct Attempts {
        int wrong = 0;
        Clock::time_point refusedUntil{};
    };

    const QByteArray passwordHash_;
    std::mutex mutex_;
    std::mutex verifyMutex_; // one password check at a time
    std::map<std::string, Session> sessions_;
    std::map<std::string, Attempts> attempts_;
};

// 128 random bits as 32 hexadecimal digits.
std::string randomToken();

} // namespace veska::web
