// termserver-flood-bench: the terminal-server library alone under a bounded mix of abuse on
// loopback. The echo responder stands in for the program (one answer every 100 ms, the
// program's pace) in a process of its own started under `ulimit -n 1024`. 200 well-behaved
// terminals (terminal-sim load) scan 9 times a second in all, first for N calm seconds, then
// for N seconds during which:
//   - one host tries to hold 1,100 connections, with a PING every 30 s;
//   - one host scans 10 times a second over 4 connections without waiting for answers;
//   - bursts of 600 connections from 250 addresses come every 2 s, read the greeting and go;
//   - once a second a connection sends bytes that break the protocol.
// Prints the well-behaved terminals' summary of both phases (the calm one is the yardstick
// on a shared machine), what each abuser got, and the responder's resident memory and open
// descriptors at the start, the peak and the end.
//
//   termserver-flood-bench [--seconds N]    (10 to 600, default 60; PORT, default 47124)

#include "TerminalClient.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using terminalsim::TerminalClient;

// A child process whose standard output the bench reads.
struct Child {
    pid_t pid = -1;
    int out = -1;
};

Child spawnShell(const std::string& script, const std::vector<std::string>& args) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    std::vector<const char*> argv{"sh", "-c", script.c_str()};
    for (const auto& arg : args)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    Child child;
    const int failed = ::posix_spawn(&child.pid, "/bin/sh", &actions, nullptr,
                                     const_cast<char* const*>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (failed != 0)
        throw std::runtime_error("posix_spawn");
    child.out = pipeEnds[0];
    return child;
}

// Reads the child's output until the text has come; false at its end or the deadline.
bool readUntil(const Child& child, const std::string& text, std::string& seen,
               std::chrono::seconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (seen.find(text) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd entry{child.out, POLLIN, 0};
        char buffer[4096];
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) != 1)
            return false;
        const auto n = ::read(child.out, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

struct ProcessFigures {
    long rssKb = 0;
    long descriptors = 0;
};

ProcessFigures figuresOf(pid_t pid) {
    ProcessFigures figures;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            figures.rssKb = std::atol(line.c_str() + 6);
    }
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        static_cast<void>(entry);
        ++figures.descriptors;
    }
    return figures;
}

std::optional<TerminalClient> connectFrom(const terminalsim::Endpoint& server,
                                          const std::string& address) {
    std::string error;
    return TerminalClient::connect(server, address, std::chrono::seconds(5), &error);
}

// The first frame of a new connection: HELLO, REFUSED, or "" when none came in time.
std::string greetingOf(TerminalClient& client) {
    const auto received = client.receive(std::chrono::seconds(5));
    return received.status == TerminalClient::Status::Frame ? received.frame.command : "";
}

struct Tally {
    long attempts = 0, greeted = 0, refused = 0, silent = 0;
    void count(const std::string& greeting) {
        ++attempts;
        greeted += greeting == "HELLO" ? 1 : 0;
        refused += greeting == "REFUSED" ? 1 : 0;
        silent += greeting.empty() ? 1 : 0;
    }
};

// The host that scans without waiting: every answer must name the oldest scan of its
// connection still without one.
struct Scanner {
    std::vector<TerminalClient> connections;
    std::vector<std::deque<std::string>> waiting;
    long sent = 0, price = 0, busy = 0, retry = 0, outOfOrder = 0;
    void take(std::size_t index, const termserver::protocol::Frame& frame) {
        if (frame.fields.empty() || frame.command == "PONG" || frame.command == "MSG")
            return;
        auto& queue = waiting[index];
        if (queue.empty() || queue.front() != frame.fields.front()) {
            ++outOfOrder;
            return;
        }
        queue.pop_front();
        price += frame.command == "PRICE" || frame.command == "NOTFOUND" ? 1 : 0;
        busy += frame.command == "BUSY" ? 1 : 0;
        retry += frame.command == "RETRY" ? 1 : 0;
    }
};

// The 200 well-behaved terminals for about the given time.
Child startTerminals(const std::string& port, long seconds, const std::string& codes) {
    return spawnShell("exec \"$0\" --server \"$1\" --timeout 5 load --terminals 200 --scans "
                      "\"$2\" --rate 9 --duration \"$3\" \"$4\"",
                      {TERMINAL_SIM_PATH, "127.0.0.1:" + port,
                       std::to_string((9 * seconds + 199) / 200), std::to_string(seconds + 15),
                       codes});
}

// Their summary line and exit code, once they are done.
std::string terminalsResult(const Child& terminals, std::string output) {
    readUntil(terminals, "answered=", output, std::chrono::seconds(120));
    readUntil(terminals, " late=", output, std::chrono::seconds(5));
    readUntil(terminals, "\n", output, std::chrono::seconds(5));
    int status = 0;
    ::waitpid(terminals.pid, &status, 0);
    ::close(terminals.out);
    const auto summary = output.rfind("\nanswered=");
    const std::string line =
        summary == std::string::npos
            ? "no summary"
            : output.substr(summary + 1, output.find('\n', summary + 1) - summary - 1);
    return line + " (exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
}

} // namespace

int main(int argc, char** argv) {
    long seconds = 60;
    if (argc == 3 && std::strcmp(argv[1], "--seconds") == 0)
        seconds = std::strtol(argv[2], nullptr, 10);
    if ((argc != 1 && argc != 3) || seconds < 10 || seconds > 600) {
        std::cerr << "usage: termserver-flood-bench [--seconds 10..600]\n";
        return 64;
    }
    const char* portText = std::getenv("PORT");
    const std::string port = portText != nullptr ? portText : "47124";
    const terminalsim::Endpoint server{"127.0.0.1", static_cast<std::uint16_t>(std::stoi(port))};
    std::signal(SIGPIPE, SIG_IGN);

    const auto work = std::filesystem::temp_directory_path() /
                      ("termserver-flood-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(work);
    std::filesystem::current_path(work); // no termserver.conf here: the defaults
    {
        std::ofstream codes(work / "codes.txt");
        for (int i = 0; i < 1000; ++i)
            codes << (i % 3 == 0 ? "X" : "") << 7891000000000 + i << '\n';
    }

    ::setenv("TERMSERVER_LISTEN", ("127.0.0.1:" + port).c_str(), 1);
    const Child responder =
        spawnShell("ulimit -n 1024 && exec \"$0\" --for \"$1\" --interval-ms 100",
                   {TERMSERVER_ECHO_RESPONDER_PATH, std::to_string(2 * seconds + 120)});
    std::string responderOutput;
    if (!readUntil(responder, "listening\n", responderOutput, std::chrono::seconds(30))) {
        std::cerr << "termserver-flood-bench: the responder did not start\n";
        return 1;
    }
    const ProcessFigures atStart = figuresOf(responder.pid);
    ProcessFigures peak = atStart;

    const std::string codes = (work / "codes.txt").string();
    const std::string calm = terminalsResult(startTerminals(port, seconds, codes), {});

    // The abuse starts once the well-behaved terminals are connected and scanning.
    const Child honest = startTerminals(port, seconds, codes);
    std::string honestOutput;
    if (!readUntil(honest, "second=1 ", honestOutput, std::chrono::seconds(60))) {
        std::cerr << "termserver-flood-bench: the terminals did not start scanning\n";
        ::kill(responder.pid, SIGTERM);
        return 1;
    }

    // The host that tries to hold 1,100 connections.
    Tally holder;
    std::vector<TerminalClient> held;
    for (int i = 0; i < 1100; ++i) {
        auto client = connectFrom(server, "127.0.9.1");
        const std::string greeting = client ? greetingOf(*client) : "";
        holder.count(greeting);
        if (greeting == "HELLO")
            held.push_back(std::move(*client));
    }

    Scanner scanner;
    for (int i = 0; i < 4; ++i) {
        auto client = connectFrom(server, "127.0.9.2");
        if (client && greetingOf(*client) == "HELLO") {
            scanner.connections.push_back(std::move(*client));
            scanner.waiting.emplace_back();
        }
    }

    Tally churn;
    long garbageSent = 0, garbageErrors = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    auto nextScan = start, nextBurst = start, nextGarbage = start, nextPing = start,
         nextSample = start;
    while (Clock::now() < end) {
        const auto now = Clock::now();
        if (now >= nextScan && !scanner.connections.empty()) {
            const auto index = static_cast<std::size_t>(scanner.sent) % scanner.connections.size();
            const std::string code = "G" + std::to_string(scanner.sent++);
            if (scanner.connections[index].scan(code))
                scanner.waiting[index].push_back(code);
            nextScan += std::chrono::milliseconds(100);
        }
        if (now >= nextBurst) {
            std::vector<TerminalClient> burst;
            for (int i = 0; i < 600; ++i) {
                auto client = connectFrom(server, "127.0.10." + std::to_string(2 + i % 250));
                if (client)
                    burst.push_back(std::move(*client));
                else
                    churn.count("");
            }
            const auto figures = figuresOf(responder.pid); // while the burst is connected
            peak.descriptors = std::max(peak.descriptors, figures.descriptors);
            for (auto& client : burst)
                churn.count(greetingOf(client));
            nextBurst += std::chrono::seconds(2);
        }
        if (now >= nextGarbage) {
            if (auto client = connectFrom(server, "127.0.9.3");
                client && greetingOf(*client) == "HELLO") {
                ++garbageSent;
                client->sendRaw(std::string("\x01\x02garbage\xff\n", 12));
                garbageErrors += greetingOf(*client) == "ERROR" ? 1 : 0;
            }
            nextGarbage += std::chrono::seconds(1);
        }
        if (now >= nextPing) {
            for (auto& client : held)
                client.ping();
            for (auto& client : scanner.connections)
                client.ping();
            nextPing += std::chrono::seconds(30);
        }
        for (auto& client : held) {
            client.pump();
            while (client.popFrame()) {
            }
        }
        for (std::size_t i = 0; i < scanner.connections.size(); ++i) {
            scanner.connections[i].pump();
            while (auto frame = scanner.connections[i].popFrame())
                scanner.take(i, *frame);
        }
        if (now >= nextSample) {
            const auto figures = figuresOf(responder.pid);
            peak.rssKb = std::max(peak.rssKb, figures.rssKb);
            peak.descriptors = std::max(peak.descriptors, figures.descriptors);
            nextSample += std::chrono::milliseconds(500);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    const std::string underAbuse = terminalsResult(honest, honestOutput);
    const ProcessFigures atEnd = figuresOf(responder.pid);
    const bool alive = ::waitpid(responder.pid, nullptr, WNOHANG) == 0;
    ::kill(responder.pid, SIGTERM);
    ::waitpid(responder.pid, nullptr, 0);
    std::filesystem::current_path("/");
    std::filesystem::remove_all(work);

    long scannerUnanswered = 0;
    for (const auto& queue : scanner.waiting)
        scannerUnanswered += static_cast<long>(queue.size());
    std::printf("2 x %ld s, responder under ulimit -n 1024 answering 10 scans a second\n", seconds);
    std::printf("200 terminals at 9 scans/s, calm:        %s\n", calm.c_str());
    std::printf("200 terminals at 9 scans/s, under abuse: %s\n", underAbuse.c_str());
    std::printf("host holding connections: attempts=%ld greeted=%ld refused=%ld silent=%ld\n",
                holder.attempts, holder.greeted, holder.refused, holder.silent);
    std::printf("host scanning 10/s without waiting: sent=%ld price/notfound=%ld busy=%ld "
                "retry=%ld out-of-order=%ld still-waiting=%ld\n",
                scanner.sent, scanner.price, scanner.busy, scanner.retry, scanner.outOfOrder,
                scannerUnanswered);
    std::printf("connection churn: attempts=%ld greeted=%ld refused=%ld silent=%ld\n",
                churn.attempts, churn.greeted, churn.refused, churn.silent);
    std::printf("garbage: connections=%ld answered-error=%ld\n", garbageSent, garbageErrors);
    std::printf("responder: alive=%s rss start=%ld kB peak=%ld kB end=%ld kB; descriptors "
                "start=%ld peak=%ld end=%ld (limit 1024)\n",
                alive ? "yes" : "no", atStart.rssKb, peak.rssKb, atEnd.rssKb, atStart.descriptors,
                peak.descriptors, atEnd.descriptors);
    return alive && churn.silent == 0 && holder.silent == 0 && scanner.outOfOrder == 0 ? 0 : 1;
}
