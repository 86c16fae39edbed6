// The terminal simulator as a program, against the library running in this process: this
// thread plays the price program, taking barcodes and answering them.

#include "server/Instance.h"
#include "support/LoopbackServer.h"

#include <arpa/inet.h>
#include <cstdio>
#include <fstream>
#include <future>
#include <iterator>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace termserver::test;

struct ProcessResult {
    int exitCode = -1;
    std::string output;
    std::string errors; // standard error, when it was kept in a file
};

ProcessResult runProgram(const std::string& command, const std::string& errorsFile = {}) {
    ProcessResult result;
    FILE* pipe =
        ::popen((command + " 2>" + (errorsFile.empty() ? "/dev/null" : errorsFile)).c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        result.output += buffer;
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!errorsFile.empty()) {
        std::ifstream file(errorsFile);
        result.errors.assign(std::istreambuf_iterator<char>(file), {});
    }
    return result;
}

class TerminalSim : public LoopbackServerTest {
protected:
    std::string sim() const {
        return std::string(TERMINAL_SIM_PATH) + " --server 127.0.0.1:" + std::to_string(port_);
    }
    // Answers scans like the program until the simulator ends: codes starting with "X" are
    // not found, the rest get their own code back as description.
    ProcessResult answerWhile(std::future<ProcessResult>& program) {
        while (program.wait_for(std::chrono::milliseconds(2)) != std::future_status::ready) {
            std::uint32_t address = 0;
            std::uint16_t socket = 0;
            const std::string code = bReceiveBarcode(&address, &socket, nullptr);
            if (code.empty())
                continue;
            if (code[0] == 'X')
                bSendProdNotFound(address);
            else
                bSendProdPrice(address,
                               ("A\xC7\xDA"
                                "CAR " +
                                code)
                                   .c_str(),
                               "R$ 4,59");
        }
        return program.get();
    }
};

TEST_F(TerminalSim, ScanPrintsEachAnswerInUtf8) {
    auto program = std::async(std::launch::async, runProgram,
                              sim() + " --bind 127.0.0.30 scan 7891 XNONE 42", std::string());
    const auto result = answerWhile(program);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "7891\tAÇÚCAR 7891\tR$ 4,59\n"
                             "XNONE\tPRODUTO NAO\tENCONTRADO\n"
                             "42\tAÇÚCAR 42\tR$ 4,59\n");
}

TEST_F(TerminalSim, ScanExitsWithTwoWhenNoAnswerComes) {
    const auto result = runProgram(sim() + " --timeout 0.3 scan 1");
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.output, "");
}

TEST_F(TerminalSim, ScanExitsWithOneWhenNothingListens) {
    const std::uint16_t port = port_;
    ASSERT_EQ(bTerminate(), 1);
    const auto result = runProgram(std::string(TERMINAL_SIM_PATH) +
                                   " --server 127.0.0.1:" + std::to_string(port) + " scan 1");
    EXPECT_EQ(result.exitCode, 1);
    ASSERT_NE(tc_startserver(), 0); // the fixture stops it again
}

TEST_F(TerminalSim, HelpPrintsTheUsageAndSucceeds) {
    for (const char* flag : {" --help", " -h", " --server 127.0.0.1:1 --help"}) {
        const auto result = runProgram(std::string(TERMINAL_SIM_PATH) + flag);
        EXPECT_EQ(result.exitCode, 0) << flag;
        EXPECT_EQ(result.output.rfind("usage: terminal-sim", 0), 0u) << flag << result.output;
    }
    EXPECT_EQ(runProgram(std::string(TERMINAL_SIM_PATH) + " --bogus").exitCode, 64);
}

TEST_F(TerminalSim, ListenPrintsDisplayMessages) {
    auto program = std::async(std::launch::async, runProgram,
                              sim() + " --bind 127.0.0.31 listen --for 1.5", std::string());
    // Wait until the simulator is connected, then send it two messages.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (table().NumSockConec == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::uint32_t address = addressOf("127.0.0.31");
    EXPECT_EQ(bSendDisplayMsg(address, u"Preço", u"AÇÚCAR", 4), 1);
    EXPECT_EQ(bSendDisplayMsg(address, nullptr, u"SÓ LINHA 2", 0), 1);
    const auto result = program.get();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "MSG\tPreço\tAÇÚCAR\t4\nMSG\t\tSÓ LINHA 2\t0\n");
}

TEST_F(TerminalSim, LoadReportsEveryAnswer) {
    const std::string codes = directory_->path() + "/codes.txt";
    std::ofstream(codes) << "7891\nXNONE\n42\n";
    auto program =
        std::async(std::launch::async, runProgram,
                   sim() + " load --terminals 5 --scans 4 --duration 30 " + codes, std::string());
    const auto result = answerWhile(program);
    EXPECT_EQ(result.exitCode, 0);
    // The last line sums up.
    const std::string output = "\n" + result.output;
    const auto summary = output.rfind("\nanswered=");
    ASSERT_NE(summary, std::string::npos) << result.output;
    EXPECT_EQ(output.substr(summary + 1, 25), "answered=20 unanswered=0 ");
    EXPECT_NE(result.output.find(" p99="), std::string::npos);
}

// A server that plays its part from a script, to send what the library never sends: an
// answer to another barcode (a late answer to a scan the terminal gave up on).
class ScriptedServer {
public:
    ScriptedServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen");
        port_ = ntohs(address.sin_port);
    }
    ~ScriptedServer() {
        if (peer_ >= 0)
            ::close(peer_);
        ::close(listener_);
    }
    std::uint16_t port() const { return port_; }
    bool accept(std::chrono::seconds timeout) {
        pollfd entry{listener_, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(timeout.count() * 1000)) != 1)
            return false;
        peer_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        return peer_ >= 0;
    }
    bool write(const std::string& bytes) {
        return ::send(peer_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }
    // Reads until the text has come (or the time is up).
    bool readUntil(const std::string& text, std::chrono::seconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (received_.find(text) == std::string::npos) {
            pollfd entry{peer_, POLLIN, 0};
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            char buffer[256];
            if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) != 1)
                return false;
            const auto n = ::recv(peer_, buffer, sizeof buffer, 0);
            if (n <= 0)
                return false;
            received_.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    }

private:
    int listener_ = -1;
    int peer_ = -1;
    std::uint16_t port_ = 0;
    std::string received_;
};

TEST_F(TerminalSim, ScanTakesOnlyTheAnswerToItsOwnBarcode) {
    ScriptedServer server;
    const std::string errors = directory_->path() + "/errors.txt";
    auto program = std::async(std::launch::async, runProgram,
                              std::string(TERMINAL_SIM_PATH) + " --server 127.0.0.1:" +
                                  std::to_string(server.port()) + " scan 7891",
                              errors);
    ASSERT_TRUE(server.accept(std::chrono::seconds(10)));
    ASSERT_TRUE(server.write("HELLO\t2\t1.1.0\n"));
    ASSERT_TRUE(server.readUntil("SCAN\t7891\n", std::chrono::seconds(10)));
    ASSERT_TRUE(server.write("PRICE\t789\tOUTRO ARTIGO\tR$ 9,99\n"
                             "PRICE\t7891\tARTIGO\tR$ 1,00\n"));
    const auto result = program.get();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "7891\tARTIGO\tR$ 1,00\n");
    EXPECT_NE(result.errors.find("PRICE for 789 while waiting for 7891, not taken"),
              std::string::npos)
        << result.errors;
}

TEST_F(TerminalSim, AServerOfProtocolOneIsLeft) {
    ScriptedServer server;
    const std::string errors = directory_->path() + "/errors.txt";
    auto program = std::async(std::launch::async, runProgram,
                              std::string(TERMINAL_SIM_PATH) + " --server 127.0.0.1:" +
                                  std::to_string(server.port()) + " scan 7891",
                              errors);
    ASSERT_TRUE(server.accept(std::chrono::seconds(10)));
    ASSERT_TRUE(server.write("HELLO\t1\t1.0.0\n"));
    const auto result = program.get();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.errors.find("the server speaks protocol 1, not 2"), std::string::npos)
        << result.errors;
}

} // namespace
