#include "Commands.h"
#include "protocol/CodePage.h"
#include "protocol/Limits.h"

#include <iostream>

namespace terminalsim {

std::string fieldUtf8(const termserver::protocol::Frame& frame, std::size_t index) {
    if (index >= frame.fields.size())
        return {};
    return termserver::codepage::windows1252ToUtf8(frame.fields[index]);
}

bool isScanAnswer(const termserver::protocol::Frame& frame) {
    return (frame.command == "PRICE" || frame.command == "NOTFOUND" || frame.command == "BUSY" ||
            frame.command == "RETRY") &&
           !frame.fields.empty();
}

const std::string& answeredBarcode(const termserver::protocol::Frame& frame) {
    return frame.fields.front();
}

std::optional<TerminalClient> connectAndGreet(const CommonOptions& options,
                                              const std::string& bindAddress) {
    std::string error;
    auto client = TerminalClient::connect(options.server, bindAddress, options.timeout, &error);
    if (!client) {
        std::cerr << "terminal-sim: " << options.server.host << ':' << options.server.port << ": "
                  << error << '\n';
        return std::nullopt;
    }
    auto greeting = client->receive(options.timeout);
    if (greeting.status != TerminalClient::Status::Frame) {
        std::cerr << "terminal-sim: no greeting from the server\n";
        return std::nullopt;
    }
    if (greeting.frame.command == "REFUSED") {
        std::cerr << "terminal-sim: refused: " << fieldUtf8(greeting.frame, 0) << " / "
                  << fieldUtf8(greeting.frame, 1) << '\n';
        return std::nullopt;
    }
    if (greeting.frame.command != "HELLO" || greeting.frame.fields.empty()) {
        std::cerr << "terminal-sim: unexpected greeting " << greeting.frame.command << '\n';
        return std::nullopt;
    }
    if (greeting.frame.fields[0] != std::to_string(termserver::protocol::kVersion)) {
        std::cerr << "terminal-sim: the server speaks protocol " << fieldUtf8(greeting.frame, 0)
                  << ", not " << termserver::protocol::kVersion << '\n';
        return std::nullopt;
    }
    return client;
}

} // namespace terminalsim
