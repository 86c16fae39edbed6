#include "Commands.h"

#include <iostream>

namespace terminalsim {

int runScan(const CommonOptions& options, const std::vector<std::string>& codes) {
    auto client = connectAndGreet(options, options.bindAddress);
    if (!client)
        return kExitConnection;
    for (const std::string& code : codes) {
        if (!client->scan(code)) {
            std::cerr << "terminal-sim: connection lost while scanning " << code << '\n';
            return kExitConnection;
        }
        // Waits for this scan's answer; display messages and pongs in between are skipped, and
        // so are answers to other barcodes (late answers to scans given up on).
        const auto deadline = std::chrono::steady_clock::now() + options.timeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            auto received = client->receive(std::max(left, std::chrono::milliseconds(0)));
            if (received.status == TerminalClient::Status::Timeout) {
                std::cerr << "terminal-sim: no answer for " << code << '\n';
                return kExitTimeout;
            }
            if (received.status != TerminalClient::Status::Frame) {
                std::cerr << "terminal-sim: connection lost waiting for " << code << '\n';
                return kExitConnection;
            }
            if (received.frame.command == "ERROR") {
                std::cerr << "terminal-sim: server error: " << fieldUtf8(received.frame, 0) << '\n';
                return kExitConnection;
            }
            if (!isScanAnswer(received.frame))
                continue;
            if (answeredBarcode(received.frame) != code) {
                std::cerr << "terminal-sim: " << received.frame.command << " for "
                          << fieldUtf8(received.frame, 0) << " while waiting for " << code
                          << ", not taken\n";
                continue;
            }
            std::cout << code << '\t' << fieldUtf8(received.frame, 1) << '\t'
                      << fieldUtf8(received.frame, 2) << std::endl;
            break;
        }
    }
    return kExitOk;
}

} // namespace terminalsim
