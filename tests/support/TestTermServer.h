#pragma once
// A stand-in for the terminal-server library in window and service tests: the eleven
// functions answer from this object's state and record what they were given. One instance
// at a time (the functions are plain C function pointers).

#include "terminal/TermServerApi.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct TestTermServer {
    struct Barcode {
        std::string code;
        std::uint32_t address;
        std::uint16_t socket;
    };
    struct Reply {
        std::string kind; // "price", "notfound", "display"
        std::uint32_t address;
        std::string text1, text2;
        std::u16string line1, line2;
        bool line1Null = false, line2Null = false;
        std::int32_t time = 0;
    };

    TestTermServer();
    ~TestTermServer();
    TestTermServer(const TestTermServer&) = delete;
    TestTermServer& operator=(const TestTermServer&) = delete;

    const veska::terminal::TermServerApi& api() const { return api_; }

    std::string version = "test 1.0";
    std::int32_t startResult = 1;
    std::int32_t terminateResult = 1;
    std::deque<Barcode> pending;
    veska::terminal::TTABSOCK table{};
    std::vector<std::string> calls; // names, in call order
    std::vector<Reply> replies;

private:
    veska::terminal::TermServerApi api_;
};
