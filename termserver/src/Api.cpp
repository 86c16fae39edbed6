// The C functions of the library (the eleven, tc_lasterror and tc_wakefd), called from the host
// program's one thread. Text they return lives in per-function thread-local buffers, valid until
// the next call.

#include "protocol/CodePage.h"
#include "protocol/Limits.h"
#include "protocol/Messages.h"
#include "server/Config.h"
#include "server/Instance.h"
#include "server/Version.h"
#include "termserver/termserver.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

namespace termserver {

Server& instance() {
    static Server server;
    return server;
}

} // namespace termserver

namespace {

using termserver::instance;

// Why the last start failed, for tc_lasterror.
std::string& lastError() {
    thread_local std::string text;
    return text;
}
namespace cp = termserver::codepage;
namespace proto = termserver::protocol;

// Reads only as many characters as a display line can show, so an unterminated or huge
// text from the caller is not scanned to its end.
std::string lineFrom8Bit(const char* text) {
    return proto::displayLine(
        cp::decodeZeroTerminated(text, proto::kDisplayColumns, instance().codePage()));
}

std::string lineFromUtf16(const char16_t* text) {
    return proto::displayLine(cp::decodeUtf16(text, proto::kDisplayColumns));
}

} // namespace

extern "C" {

void vInitialize(void) {
    static_cast<void>(instance());
}

const char* dll_version(void) {
    return termserver::kVersionText;
}

int32_t tc_startserver(void) {
    lastError().clear();
    std::string reason;
    const auto config = termserver::loadConfig(&reason);
    if (!config) {
        lastError() = reason;
        errno = EINVAL;
        return 0;
    }
    const std::error_code error = instance().start(*config);
    if (error) {
        lastError() = "cannot listen on " + config->listen.address + ":" +
                      std::to_string(config->listen.port) + ": " + error.message();
        errno = error.category() == std::system_category() ? error.value() : EINVAL;
        return 0;
    }
    return 1;
}

const char* tc_lasterror(void) {
    return lastError().c_str();
}

int32_t tc_wakefd(void) {
    return instance().wakeDescriptor();
}

int32_t bTerminate(void) {
    instance().stop();
    return 1;
}

const char* bReceiveBarcode(uint32_t* address, uint16_t* socket, int32_t* reserved) {
    thread_local std::string barcode;
    std::size_t stillPending = 0;
    auto scan = instance().takeScan(&stillPending);
    barcode = scan ? std::move(scan->barcode) : std::string();
    if (address != nullptr)
        *address = scan ? scan->address : 0;
    if (socket != nullptr)
        *socket = scan ? scan->socket : 0;
    if (reserved != nullptr)
        *reserved = static_cast<int32_t>(stillPending);
    return barcode.c_str();
}

int32_t bSendProdPrice(uint32_t address, const char* description, const char* price) {
    const std::string line1 = lineFrom8Bit(description);
    const std::string line2 = lineFrom8Bit(price);
    return instance().sendReply(
               address,
               [&](std::string_view barcode) { return proto::priceFrame(barcode, line1, line2); })
               ? 1
               : 0;
}

int32_t bSendProdNotFound(uint32_t address) {
    return instance().sendReply(address, proto::notFoundFrame) ? 1 : 0;
}

int32_t bSendDisplayMsg(uint32_t address, const char16_t* line1, const char16_t* line2,
                        int32_t displaySeconds) {
    return instance().sendMessage(
               address,
               proto::messageFrame(lineFromUtf16(line1), lineFromUtf16(line2), displaySeconds))
               ? 1
               : 0;
}

int32_t GetTabConectados(TTABSOCK* table, int32_t /*flags*/) {
    if (table == nullptr)
        return 0;
    instance().fillTable(*table);
    return 1;
}

uint32_t Inet_Addr(const char* dotted) {
    if (dotted == nullptr)
        return INADDR_NONE;
    return ::inet_addr(dotted);
}

const char* Inet_NtoA(uint32_t address) {
    thread_local char text[INET_ADDRSTRLEN];
    in_addr value{};
    value.s_addr = address;
    if (::inet_ntop(AF_INET, &value, text, sizeof text) == nullptr)
        text[0] = 0;
    return text;
}

} // extern "C"
