// The terminal simulator as a program, against the library running in this process: this
// thread plays the price program, taking barcodes and answering them.

#include "server/Instance.h"
#include "support/LoopbackServer.h"

#include <cstdio>
#include <fstream>
#include <future>
#include <sys/wait.h>
#include <thread>

namespace {

using namespace termserver::test;

struct ProcessResult {
    int exitCode = -1;
    std::string output;
};

ProcessResult runProgram(const std::string& command) {
    ProcessResult result;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        result.output += buffer;
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
    auto program =
        std::async(std::launch::async, runProgram, sim() + " --bind 127.0.0.30 scan 7891 XNONE 42");
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
    auto program =
        std::async(std::launch::async, runProgram, sim() + " --bind 127.0.0.31 listen --for 1.5");
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
    auto program = std::async(std::launch::async, runProgram,
                              sim() + " load --terminals 5 --scans 4 --duration 30 " + codes);
    const auto result = answerWhile(program);
    EXPECT_EQ(result.exitCode, 0);
    // The last line sums up.
    const std::string output = "\n" + result.output;
    const auto summary = output.rfind("\nanswered=");
    ASSERT_NE(summary, std::string::npos) << result.output;
    EXPECT_EQ(output.substr(summary + 1, 25), "answered=20 unanswered=0 ");
    EXPECT_NE(result.output.find(" p99="), std::string::npos);
}

} // namespace
