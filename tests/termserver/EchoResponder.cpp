// termserver-echo-responder: a stand-in for the price program, for measuring the library
// with terminal-sim load. Starts the server (termserver.conf / TERMSERVER_LISTEN), then
// every interval takes at most one barcode and answers it with its own text as the
// description and "R$ 1,00" as the price (codes beginning with "X" get the not-found
// answer), for a bounded time.
//
//   termserver-echo-responder [--for SECONDS] [--interval-ms N]

#include "termserver/termserver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    double seconds = 60;
    long intervalMs = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--for") == 0)
            seconds = std::strtod(argv[i + 1], nullptr);
        else if (std::strcmp(argv[i], "--interval-ms") == 0)
            intervalMs = std::strtol(argv[i + 1], nullptr, 10);
    }
    if (seconds <= 0 || seconds > 3600 || intervalMs < 0 || intervalMs > 10000) {
        std::fprintf(stderr,
                     "usage: termserver-echo-responder [--for 1..3600] [--interval-ms N]\n");
        return 64;
    }
    vInitialize();
    if (tc_startserver() == 0) {
        std::perror("termserver-echo-responder: start");
        return 1;
    }
    std::printf("%s listening\n", dll_version());
    std::fflush(stdout);

    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(seconds));
    long answered = 0;
    // Ticks at a fixed pace, as a periodic timer does: a late wake-up does not push the
    // later ticks back, and ticks missed altogether are not made up.
    auto tick = Clock::now();
    while (Clock::now() < end) {
        std::uint32_t address = 0;
        std::uint16_t socket = 0;
        std::int32_t pending = 0;
        const std::string code = bReceiveBarcode(&address, &socket, &pending);
        if (!code.empty()) {
            if (code[0] == 'X')
                bSendProdNotFound(address);
            else
                bSendProdPrice(address, code.c_str(), "R$ 1,00");
            ++answered;
        }
        tick = std::max(tick + std::chrono::milliseconds(intervalMs), Clock::now());
        std::this_thread::sleep_until(tick);
    }
    bTerminate();
    std::printf("answered=%ld\n", answered);
    return 0;
}
