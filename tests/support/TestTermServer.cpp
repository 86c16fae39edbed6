#include "TestTermServer.h"

#include <arpa/inet.h>
#include <cstring>

namespace {

TestTermServer* current = nullptr;
std::string lastText; // returned text stays valid until the next call

std::u16string copyLine(const char16_t* line) {
    return line ? std::u16string(line) : u"";
}

} // namespace

TestTermServer::TestTermServer() {
    current = this;
    api_.vInitialize = [] { current->calls.push_back("vInitialize"); };
    api_.dll_version = [] {
        current->calls.push_back("dll_version");
        lastText = current->version;
        return lastText.c_str();
    };
    api_.tc_startserver = [] {
        current->calls.push_back("tc_startserver");
        return current->startResult;
    };
    api_.bTerminate = [] {
        current->calls.push_back("bTerminate");
        return current->terminateResult;
    };
    api_.bReceiveBarcode = [](std::uint32_t* address, std::uint16_t* socket, std::int32_t*) {
        current->calls.push_back("bReceiveBarcode");
        if (current->pending.empty()) {
            lastText.clear();
            return lastText.c_str();
        }
        const Barcode b = current->pending.front();
        current->pending.pop_front();
        *address = b.address;
        *socket = b.socket;
        lastText = b.code;
        return lastText.c_str();
    };
    api_.bSendProdPrice = [](std::uint32_t address, const char* description, const char* price) {
        current->calls.push_back("bSendProdPrice");
        current->replies.push_back({"price", address, description, price, {}, {}});
        return 1;
    };
    api_.bSendProdNotFound = [](std::uint32_t address) {
        current->calls.push_back("bSendProdNotFound");
        current->replies.push_back({"notfound", address, {}, {}, {}, {}});
        return 1;
    };
    api_.bSendDisplayMsg = [](std::uint32_t address, const char16_t* l1, const char16_t* l2,
                              std::int32_t time) {
        current->calls.push_back("bSendDisplayMsg");
        Reply r{"display", address, {}, {}, copyLine(l1), copyLine(l2)};
        r.line1Null = l1 == nullptr;
        r.line2Null = l2 == nullptr;
        r.time = time;
        current->replies.push_back(r);
        return 1;
    };
    api_.GetTabConectados = [](veska::terminal::TTABSOCK* out, std::int32_t) {
        current->calls.push_back("GetTabConectados");
        std::memcpy(out, &current->table, sizeof *out);
        return 1;
    };
    api_.Inet_Addr = [](const char* dotted) {
        current->calls.push_back("Inet_Addr");
        return static_cast<std::uint32_t>(inet_addr(dotted));
    };
    api_.Inet_NtoA = [](std::uint32_t address) {
        current->calls.push_back("Inet_NtoA");
        in_addr a{};
        a.s_addr = address;
        lastText = inet_ntoa(a);
        return lastText.c_str();
    };
}

TestTermServer::~TestTermServer() {
    current = nullptr;
}
