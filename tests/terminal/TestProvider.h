#pragma once
// A stand-in for the terminal-server library: static functions that answer from a
// scripted state and record each call in the journal. Only one provider exists per test
// process; every test starts from resetProvider().

#include "terminal/TTabSock.h"
#include "terminal/TermServerApi.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace veska::terminal::test {

struct PendingBarcode {
    std::optional<std::string> text; // nothing: the library returns a null pointer
    std::uint32_t address = 0;
    std::uint16_t socket = 0;
};

struct SentPrice {
    std::uint32_t address;
    std::string description;
    std::string price;
};

struct SentMessage {
    std::uint32_t address;
    std::optional<std::u16string> line1; // nothing: a null pointer
    std::optional<std::u16string> line2;
    std::int32_t displayTime;
};

struct ProviderState {
    std::optional<std::string> version = "test 1"; // nothing: a null pointer
    std::optional<std::string> dottedText;         // answers every Inet_NtoA when given
    std::int32_t startResult = 1;
    int startErrno = 0; // left in errno by a start
    std::int32_t terminateResult = 1;
    std::deque<PendingBarcode> barcodes;
    TTABSOCK table{};
    std::vector<SentPrice> prices;
    std::vector<std::uint32_t> notFound;
    std::vector<SentMessage> messages;
    std::vector<std::string> addressTexts; // arguments of Inet_Addr
    int tableCalls = 0;
    std::int32_t lastTableFlags = 0;
    std::string returnedText; // the library keeps what it returns until the next call
};

ProviderState& provider();
void resetProvider();
const TermServerApi& providerApi();

// The library's address form: the IPv4 value in network byte order.
std::uint32_t addressOf(const char* dotted);

} // namespace veska::terminal::test
