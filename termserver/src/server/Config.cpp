#include "server/Config.h"

#include "server/Text.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace termserver {
namespace {

template <typename Number> std::optional<Number> parseNumber(std::string_view text) {
    Number value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::optional<int> numberIn(std::string_view text, int low, int high) {
    const auto value = parseNumber<int>(text);
    if (!value || *value < low || *value > high)
        return std::nullopt;
    return value;
}

std::optional<codepage::CodePage> parseCodePage(std::string_view text) {
    if (text == "1252" || text == "windows-1252" || text == "cp1252")
        return codepage::CodePage::Windows1252;
    if (text == "28591" || text == "iso-8859-1" || text == "latin1")
        return codepage::CodePage::Latin1;
    return std::nullopt;
}

} // namespace

std::optional<ListenEndpoint> parseListen(std::string_view text) {
    text = trimBlanks(text);
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    ListenEndpoint endpoint;
    endpoint.address = std::string(text.substr(0, colon));
    in_addr parsed{};
    if (::inet_pton(AF_INET, endpoint.address.c_str(), &parsed) != 1)
        return std::nullopt;
    const auto port = parseNumber<std::uint16_t>(text.substr(colon + 1));
    if (!port)
        return std::nullopt;
    endpoint.port = *port;
    return endpoint;
}

std::optional<Config> parseConfig(std::string_view fileText, const char* listenOverride,
                                  std::string* error) {
    Config config;
    auto failure = [error](std::string reason) -> std::optional<Config> {
        if (error != nullptr)
            *error = std::move(reason);
        return std::nullopt;
    };
    std::istringstream lines{std::string(fileText)};
    std::string rawLine;
    for (int number = 1; std::getline(lines, rawLine); ++number) {
        const auto lineFailure = [&](const std::string& what) {
            return failure("line " + std::to_string(number) + ": " + what);
        };
        const std::string_view line = trimBlanks(rawLine);
        if (line.empty() || line.front() == '#')
            continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            return lineFailure("no '=' in \"" + std::string(line) + "\"");
        const std::string_view key = trimBlanks(line.substr(0, equals));
        const std::string_view value = trimBlanks(line.substr(equals + 1));
        if (key == "listen") {
            const auto endpoint = parseListen(value);
            if (!endpoint)
                return lineFailure(
                    "listen must be ADDRESS:PORT (dotted IPv4, port 0-65535), not \"" +
                    std::string(value) + "\"");
            config.listen = *endpoint;
        } else if (key == "codepage") {
            const auto page = parseCodePage(value);
            if (!page)
                return lineFailure("unknown code page \"" + std::string(value) +
                                   "\" (1252 or 28591)");
            config.codePage = *page;
        } else if (key == "idle_timeout") {
            const auto seconds = numberIn(value, 1, 86400);
            if (!seconds)
                return lineFailure("idle_timeout must be 1 to 86400 seconds, not \"" +
                                   std::string(value) + "\"");
            config.idleTimeout = std::chrono::seconds(*seconds);
        } else if (key == "answer_timeout") {
            const auto seconds = numberIn(value, 1, 3600);
            if (!seconds)
                return lineFailure("answer_timeout must be 1 to 3600 seconds, not \"" +
                                   std::string(value) + "\"");
            config.answerTimeout = std::chrono::seconds(*seconds);
        } else if (key == "max_connections_per_address") {
            const auto count = numberIn(value, 1, TERMSERVER_MAX_CONNECTIONS);
            if (!count)
                return lineFailure("max_connections_per_address must be 1 to " +
                                   std::to_string(TERMSERVER_MAX_CONNECTIONS) + ", not \"" +
                                   std::string(value) + "\"");
            config.connectionsPerAddress = static_cast<std::size_t>(*count);
        } else if (key == "max_queued_scans_per_address") {
            const auto count =
                numberIn(value, 1, static_cast<int>(Registry::kMaxQueuedScansPerAddress));
            if (!count)
                return lineFailure("max_queued_scans_per_address must be 1 to " +
                                   std::to_string(Registry::kMaxQueuedScansPerAddress) +
                                   ", not \"" + std::string(value) + "\"");
            config.queuedScansPerAddress = static_cast<std::size_t>(*count);
        } else if (key == "allow") {
            std::string bad;
            if (!config.allow.add(value, &bad))
                return lineFailure("allow takes addresses and networks (10.0.0.5, "
                                   "192.168.10.0/24) separated by commas; \"" +
                                   bad + "\" is neither");
        }
        // Unknown keys are ignored, so a newer file still works with this version.
    }
    if (listenOverride != nullptr && *listenOverride != 0) {
        const auto endpoint = parseListen(listenOverride);
        if (!endpoint)
            return failure(std::string(kListenVariable) + " must be ADDRESS:PORT, not \"" +
                           listenOverride + "\"");
        config.listen = *endpoint;
    }
    return config;
}

std::optional<Config> loadConfig(std::string* error) {
    std::string fileText;
    // No file means the defaults; a file that is there but cannot be read is an error.
    std::error_code ignored;
    if (std::filesystem::exists(kConfigFileName, ignored)) {
        if (std::filesystem::is_directory(kConfigFileName, ignored)) {
            if (error != nullptr)
                *error = std::string(kConfigFileName) + ": " + std::strerror(EISDIR);
            return std::nullopt;
        }
        errno = 0;
        std::ifstream file{kConfigFileName, std::ios::binary};
        std::ostringstream content;
        if (file)
            content << file.rdbuf();
        if (!file || file.bad()) {
            if (error != nullptr)
                *error =
                    std::string(kConfigFileName) + ": " + std::strerror(errno != 0 ? errno : EIO);
            return std::nullopt;
        }
        fileText = content.str();
    }
    std::string reason;
    auto config = parseConfig(fileText, std::getenv(kListenVariable), &reason);
    if (!config && error != nullptr)
        *error =
            reason.rfind("line ", 0) == 0 ? std::string(kConfigFileName) + ", " + reason : reason;
    return config;
}

} // namespace termserver
