#include "server/Config.h"

#include "server/Text.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

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

struct BoundedRead {
    std::optional<std::string> text;
    std::string problem; // when there is no text
};

// The whole content of a regular file of at most byteLimit bytes.
BoundedRead readBounded(int fd, std::size_t byteLimit) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return {std::nullopt, std::strerror(errno)};
    if (S_ISDIR(info.st_mode))
        return {std::nullopt, std::strerror(EISDIR)};
    if (!S_ISREG(info.st_mode))
        return {std::nullopt, "not a regular file"};
    // The size is read, not trusted: the file may grow while it is read.
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return {std::nullopt, std::strerror(errno)};
        if (count == 0)
            return {std::move(text), {}};
        text.append(buffer, static_cast<std::size_t>(count));
        if (text.size() > byteLimit)
            return {std::nullopt,
                    "larger than " + std::to_string(byteLimit / 1024) + " KiB, not read"};
    }
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
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
    // Editors on the shop's Windows machines save UTF-8 with a byte-order mark; left in, it
    // would make the first key unknown.
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (fileText.substr(0, byteOrderMark.size()) == byteOrderMark)
        fileText.remove_prefix(byteOrderMark.size());
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
        // Keys are case-insensitive: "Allow" must not silently mean nothing.
        const std::string key = lowerCase(trimBlanks(line.substr(0, equals)));
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
        } else {
            // A misspelt key would drop its setting silently: "alow" would serve everyone.
            return lineFailure("unknown key \"" + std::string(trimBlanks(line.substr(0, equals))) +
                               "\"");
        }
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
    const auto fileFailure = [error](const std::string& what) -> std::optional<Config> {
        if (error != nullptr)
            *error = std::string(kConfigFileName) + ": " + what;
        return std::nullopt;
    };
    std::string fileText;
    // No file means the defaults; a file that is there but cannot be read is an error.
    // Opened without blocking, so a FIFO of that name is refused instead of waiting for a
    // writer for ever.
    const int fd = ::open(kConfigFileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno != ENOENT)
        return fileFailure(std::strerror(errno));
    if (fd >= 0) {
        const auto read = readBounded(fd, kConfigByteLimit);
        ::close(fd);
        if (!read.text)
            return fileFailure(read.problem);
        fileText = *read.text;
    }
    std::string reason;
    auto config = parseConfig(fileText, std::getenv(kListenVariable), &reason);
    if (!config && error != nullptr)
        *error =
            reason.rfind("line ", 0) == 0 ? std::string(kConfigFileName) + ", " + reason : reason;
    return config;
}

} // namespace termserver
