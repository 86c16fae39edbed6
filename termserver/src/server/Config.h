#pragma once
// The server's settings: the file termserver.conf in the working directory, lines of
// key=value ('#' starts a comment line, keys are case-insensitive, an unknown key is an
// error, a UTF-8 byte-order mark is skipped), overridden for the listen address by the
// environment variable TERMSERVER_LISTEN=ADDRESS:PORT.

#include "protocol/CodePage.h"
#include "protocol/Limits.h"
#include "server/AllowList.h"
#include "server/Registry.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace termserver {

inline constexpr const char* kConfigFileName = "termserver.conf";
// A settings file is a few hundred bytes; a longer one is refused rather than read.
inline constexpr std::size_t kConfigByteLimit = 64 * 1024;
inline constexpr const char* kListenVariable = "TERMSERVER_LISTEN";
inline constexpr std::uint16_t kDefaultPort = 9123;
// Every scan is answered within this time of its arrival: by the program, or else by the
// library with a "try again" screen. Below the 10 seconds that a terminal waits at least.
inline constexpr std::chrono::seconds kDefaultAnswerTimeout{8};

struct ListenEndpoint {
    std::string address = "0.0.0.0"; // dotted IPv4
    std::uint16_t port = kDefaultPort;
};

struct Config {
    ListenEndpoint listen;
    codepage::CodePage codePage = codepage::CodePage::Windows1252;
    std::chrono::seconds idleTimeout = protocol::kDefaultIdleTimeout;
    std::chrono::seconds answerTimeout = kDefaultAnswerTimeout;
    std::size_t connectionsPerAddress = kDefaultConnectionsPerAddress;
    std::size_t queuedScansPerAddress = kDefaultQueuedScansPerAddress;
    AllowList allow; // empty: every address may connect
};

// "ADDRESS:PORT" with a dotted IPv4 address and a port 0..65535 (0: any free port).
std::optional<ListenEndpoint> parseListen(std::string_view text);

// Builds the settings from the file's text (empty when there is no file) and the value of
// TERMSERVER_LISTEN (null when unset). A bad value gives nullopt and a reason in *error.
std::optional<Config> parseConfig(std::string_view fileText, const char* listenOverride,
                                  std::string* error);

// Reads termserver.conf from the working directory and the environment. The file must be a
// regular file of at most kConfigByteLimit bytes; anything else is refused, naming the file.
std::optional<Config> loadConfig(std::string* error);

} // namespace termserver
