#pragma once
// The simulator's commands. Each returns the process exit code: 0 success, 1 connection
// failure, 2 an answer did not come in time.

#include "TerminalClient.h"

#include <chrono>
#include <string>
#include <vector>

namespace terminalsim {

inline constexpr int kExitOk = 0;
inline constexpr int kExitConnection = 1;
inline constexpr int kExitTimeout = 2;
inline constexpr int kExitUsage = 64;

struct CommonOptions {
    Endpoint server{"127.0.0.1", 9123};
    std::string bindAddress;
    std::chrono::milliseconds timeout{5000};
};

struct LoadOptions {
    int terminals = 1;
    int scansPerTerminal = 1;
    double ratePerSecond = 0; // 0: as fast as answers come
    std::chrono::seconds maxDuration{60};
    std::string codeFile;
    // Every scan's outcome, a line each, when given (see runLoad).
    std::string traceFile;
};

int runScan(const CommonOptions& options, const std::vector<std::string>& codes);
// seconds < 0: until the server closes the connection.
int runListen(const CommonOptions& options, double seconds);
// With a trace file, one line per scan: when it was sent (seconds since 1970), the
// terminal's index, the code, the answer (PRICE, NOTFOUND, BUSY, RETRY, UNAVAILABLE for the
// program's "try again" screen, NONE when nothing came in time) and the milliseconds it took.
int runLoad(const CommonOptions& options, const LoadOptions& load);

// Connects and waits for the server's greeting; prints the reason on stderr on failure.
std::optional<TerminalClient> connectAndGreet(const CommonOptions& options,
                                              const std::string& bindAddress);
// A frame's field as UTF-8 (fields are Windows-1252 on the wire); "" when absent.
std::string fieldUtf8(const termserver::protocol::Frame& frame, std::size_t index);
// PRICE, NOTFOUND, BUSY and RETRY answer a scan; their first field is its barcode.
bool isScanAnswer(const termserver::protocol::Frame& frame);
// The barcode that a scan answer answers.
const std::string& answeredBarcode(const termserver::protocol::Frame& frame);

} // namespace terminalsim
