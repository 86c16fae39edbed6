#pragma once
// The web console's login as the tests make it: the password's hash for gerencia.conf (or
// the console's settings) and the session a login opened.

#include <gtest/gtest.h>
#include <httplib.h>
#include <sodium.h>
#include <string>

namespace veska::test {

// An Argon2id hash of the password at libsodium's least costs: the tests check the console,
// not the hash's strength. Empty when libsodium fails.
inline std::string cheapPasswordHash(const std::string& password) {
    char hash[crypto_pwhash_STRBYTES] = {};
    if (sodium_init() < 0 ||
        crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_MIN,
                          crypto_pwhash_MEMLIMIT_MIN) != 0)
        return {};
    return hash;
}

// The Cookie header of the session that the login's answer opened.
inline httplib::Headers sessionOf(const httplib::Response& login) {
    const std::string cookie = login.get_header_value("Set-Cookie");
    return {{"Cookie", cookie.substr(0, cookie.find(';'))}};
}

// Logs in with the password; on success the session's Cookie header is in session.
inline ::testing::AssertionResult logIn(httplib::Client& console, const std::string& password,
                                        httplib::Headers& session) {
    const auto login = console.Post("/login", httplib::Params{{"password", password}});
    if (!login)
        return ::testing::AssertionFailure() << "no answer from the console";
    if (login->status != 200)
        return ::testing::AssertionFailure() << "the login was answered " << login->status;
    session = sessionOf(*login);
    return ::testing::AssertionSuccess();
}

} // namespace veska::test
