#include "Commands.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <poll.h>

namespace terminalsim {
namespace {

using Clock = std::chrono::steady_clock;

struct SimulatedTerminal {
    std::optional<TerminalClient> client;
    int scansLeft = 0;
    bool waiting = false;
    std::string waitingFor; // the barcode of the scan waiting for its answer
    std::size_t nextCode = 0;
    Clock::time_point sentAt;
};

// 127.0.0.2 onwards, 250 addresses per third octet: only ever loopback addresses.
std::string loopbackAddress(int index) {
    return "127.0." + std::to_string(index / 250) + '.' + std::to_string(2 + index % 250);
}

std::vector<std::string> readCodes(const std::string& path) {
    std::vector<std::string> codes;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            codes.push_back(line);
    }
    return codes;
}

double percentile(const std::vector<double>& sorted, double fraction) {
    if (sorted.empty())
        return 0;
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1));
    return sorted[index];
}

} // namespace

int runLoad(const CommonOptions& options, const LoadOptions& load) {
    const auto codes = readCodes(load.codeFile);
    if (codes.empty()) {
        std::cerr << "terminal-sim: no codes in " << load.codeFile << '\n';
        return kExitUsage;
    }
    std::vector<SimulatedTerminal> terminals(static_cast<std::size_t>(load.terminals));
    for (std::size_t i = 0; i < terminals.size(); ++i) {
        terminals[i].client = connectAndGreet(options, loopbackAddress(static_cast<int>(i)));
        if (!terminals[i].client)
            return kExitConnection;
        terminals[i].scansLeft = load.scansPerTerminal;
        terminals[i].nextCode =
            (i * static_cast<std::size_t>(load.scansPerTerminal)) % codes.size();
    }

    std::ofstream trace;
    if (!load.traceFile.empty()) {
        trace.open(load.traceFile);
        if (!trace) {
            std::cerr << "terminal-sim: cannot write " << load.traceFile << '\n';
            return kExitUsage;
        }
    }
    const auto traceScan = [&](std::size_t index, const SimulatedTerminal& terminal,
                               const std::string& answer, double milliseconds) {
        if (!trace.is_open())
            return;
        // Wall-clock time, to set beside the times of other programs.
        const auto sentAt =
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch() -
                                          (Clock::now() - terminal.sentAt))
                .count();
        char line[200];
        std::snprintf(line, sizeof line, "%.3f %zu %s %s %.2f\n", sentAt, index,
                      terminal.waitingFor.c_str(), answer.c_str(), milliseconds);
        trace << line;
    };

    std::vector<double> latenciesMs;
    long sent = 0, unanswered = 0, answeredThisSecond = 0;
    long busy = 0, retry = 0, late = 0;
    const auto start = Clock::now();
    const auto stopAt = start + load.maxDuration;
    auto secondStart = start;
    int second = 0;
    std::vector<pollfd> polls(terminals.size());
    std::size_t nextInLine = 0;

    auto mayScan = [&] {
        if (load.ratePerSecond <= 0)
            return true;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        return static_cast<double>(sent) < elapsed * load.ratePerSecond + 1;
    };

    for (;;) {
        const auto now = Clock::now();
        if (now >= stopAt)
            break;
        bool active = false;
        // The turn to scan goes round the terminals, so with a rate limit each terminal scans
        // every N / PER_SECOND seconds, as a shop's terminals do, rather than the first ones
        // taking every turn.
        const std::size_t firstInLine = nextInLine;
        for (std::size_t k = 0; k < terminals.size(); ++k) {
            const std::size_t index = (firstInLine + k) % terminals.size();
            auto& terminal = terminals[index];
            if (terminal.waiting && now - terminal.sentAt > options.timeout) {
                ++unanswered;
                traceScan(index, terminal, "NONE",
                          std::chrono::duration<double, std::milli>(now - terminal.sentAt).count());
                terminal.waiting = false;
            }
            if (!terminal.waiting && terminal.scansLeft > 0 && !terminal.client->broken() &&
                mayScan()) {
                terminal.waitingFor = codes[terminal.nextCode++ % codes.size()];
                terminal.client->scan(terminal.waitingFor);
                terminal.sentAt = Clock::now();
                terminal.waiting = true;
                --terminal.scansLeft;
                ++sent;
                nextInLine = (index + 1) % terminals.size();
            }
            active = active || terminal.waiting ||
                     (terminal.scansLeft > 0 && !terminal.client->broken());
        }
        if (!active)
            break;
        for (std::size_t i = 0; i < terminals.size(); ++i)
            polls[i] = pollfd{terminals[i].client->fd(), POLLIN, 0};
        ::poll(polls.data(), polls.size(), 5);
        for (std::size_t i = 0; i < terminals.size(); ++i) {
            if ((polls[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
                continue;
            auto& terminal = terminals[i];
            terminal.client->pump();
            while (auto frame = terminal.client->popFrame()) {
                if (!isScanAnswer(*frame))
                    continue;
                // An answer for another barcode is late: its scan was given up on.
                if (!terminal.waiting || answeredBarcode(*frame) != terminal.waitingFor) {
                    ++late;
                    continue;
                }
                terminal.waiting = false;
                busy += frame->command == "BUSY" ? 1 : 0;
                retry += frame->command == "RETRY" ? 1 : 0;
                const double milliseconds =
                    std::chrono::duration<double, std::milli>(Clock::now() - terminal.sentAt)
                        .count();
                latenciesMs.push_back(milliseconds);
                const bool unavailable =
                    frame->command == "PRICE" && fieldUtf8(*frame, 1) == "SISTEMA INDISPONIVEL";
                traceScan(i, terminal, unavailable ? "UNAVAILABLE" : frame->command, milliseconds);
                ++answeredThisSecond;
            }
        }
        if (Clock::now() - secondStart >= std::chrono::seconds(1)) {
            std::cout << "second=" << ++second << " answers=" << answeredThisSecond << std::endl;
            answeredThisSecond = 0;
            secondStart += std::chrono::seconds(1);
        }
    }
    long lostConnections = 0, unsent = 0;
    for (const auto& terminal : terminals) {
        unanswered += terminal.waiting ? 1 : 0;
        lostConnections += terminal.client->broken() ? 1 : 0;
        unsent += terminal.scansLeft;
    }
    if (lostConnections > 0 || unsent > 0)
        std::cerr << "terminal-sim: " << lostConnections << " terminals lost their connection; "
                  << unsent << " scans not sent\n";

    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(latenciesMs.begin(), latenciesMs.end());
    const auto answered = static_cast<long>(latenciesMs.size());
    char summary[320];
    std::snprintf(summary, sizeof summary,
                  "answered=%ld unanswered=%ld rate=%.1f/s p50=%.2f p95=%.2f p99=%.2f max=%.2f ms"
                  " busy=%ld retry=%ld late=%ld",
                  answered, unanswered, elapsed > 0 ? static_cast<double>(answered) / elapsed : 0.0,
                  percentile(latenciesMs, 0.50), percentile(latenciesMs, 0.95),
                  percentile(latenciesMs, 0.99), latenciesMs.empty() ? 0.0 : latenciesMs.back(),
                  busy, retry, late);
    std::cout << summary << std::endl;
    if (lostConnections > 0)
        return kExitConnection;
    return unanswered == 0 && unsent == 0 ? kExitOk : kExitTimeout;
}

} // namespace terminalsim
