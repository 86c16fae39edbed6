#include "TestProvider.h"

#include "Journal.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>

namespace veska::terminal::test {
namespace {

ProviderState state;

const char* keep(std::string text) {
    state.returnedText = std::move(text);
    return state.returnedText.c_str();
}

std::string dotted(std::uint32_t address) {
    in_addr value{};
    value.s_addr = address;
    char buffer[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &value, buffer, sizeof buffer);
    return buffer;
}

std::optional<std::u16string> line(const char16_t* text) {
    if (!text)
        return std::nullopt;
    return std::u16string(text);
}

void vInitialize() {
    record(QStringLiteral("vInitialize"));
}

const char* dll_version() {
    record(QStringLiteral("dll_version"));
    return state.version ? keep(*state.version) : nullptr;
}

std::int32_t tc_startserver() {
    record(QStringLiteral("tc_startserver"));
    errno = state.startErrno;
    return state.startResult;
}

std::int32_t bTerminate() {
    record(QStringLiteral("bTerminate"));
    return state.terminateResult;
}

const char* bReceiveBarcode(std::uint32_t* address, std::uint16_t* socket, std::int32_t* reserved) {
    record(QStringLiteral("bReceiveBarcode"));
    *reserved = 77;
    if (state.barcodes.empty())
        return keep("");
    const PendingBarcode next = state.barcodes.front();
    state.barcodes.pop_front();
    *address = next.address;
    *socket = next.socket;
    if (!next.text)
        return nullptr;
    return keep(*next.text);
}

std::int32_t bSendProdPrice(std::uint32_t address, const char* description, const char* price) {
    record(QStringLiteral("bSendProdPrice"));
    state.prices.push_back({address, description, price});
    return 1;
}

std::int32_t bSendProdNotFound(std::uint32_t address) {
    record(QStringLiteral("bSendProdNotFound"));
    state.notFound.push_back(address);
    return 1;
}

std::int32_t bSendDisplayMsg(std::uint32_t address, const char16_t* line1, const char16_t* line2,
                             std::int32_t displayTime) {
    record(QStringLiteral("bSendDisplayMsg"));
    state.messages.push_back({address, line(line1), line(line2), displayTime});
    return 1;
}

std::int32_t GetTabConectados(TTABSOCK* table, std::int32_t flags) {
    record(QStringLiteral("GetTabConectados"));
    ++state.tableCalls;
    state.lastTableFlags = flags;
    std::memcpy(table, &state.table, sizeof(TTABSOCK));
    return 1;
}

std::uint32_t Inet_Addr(const char* text) {
    record(QStringLiteral("Inet_Addr"));
    state.addressTexts.emplace_back(text);
    return addressOf(text);
}

const char* Inet_NtoA(std::uint32_t address) {
    record(QStringLiteral("Inet_NtoA"));
    return keep(state.dottedText.value_or(dotted(address)));
}

const TermServerApi kApi = {vInitialize,      dll_version,    tc_startserver,    bTerminate,
                            bReceiveBarcode,  bSendProdPrice, bSendProdNotFound, bSendDisplayMsg,
                            GetTabConectados, Inet_Addr,      Inet_NtoA};

} // namespace

QStringList& journal() {
    static QStringList events;
    return events;
}

ProviderState& provider() {
    return state;
}

void resetProvider() {
    state = ProviderState{};
    journal().clear();
}

const TermServerApi& providerApi() {
    return kApi;
}

std::uint32_t addressOf(const char* text) {
    return inet_addr(text);
}

} // namespace veska::terminal::test
