// A small terminal-server library file for the binding tests: exports the library's
// functions with canned answers and one extra function that sets the start result.
#include <arpa/inet.h>
#include <cstdint>
#include <cstring>
#include <termserver/termserver.h>

namespace {

std::int32_t startResult = 1;
int initializeCalls = 0;

} // namespace

extern "C" {

TERMSERVER_API void fake_termserver_set_start_result(std::int32_t result) {
    startResult = result;
}
TERMSERVER_API int fake_termserver_initialize_calls() {
    return initializeCalls;
}

void vInitialize(void) {
    ++initializeCalls;
}
const char* dll_version(void) {
    return "test 1";
}
int32_t tc_startserver(void) {
    return startResult;
}
int32_t bTerminate(void) {
    return 1;
}
const char* bReceiveBarcode(uint32_t* address, uint16_t* socket, int32_t* reserved) {
    *address = 0;
    *socket = 0;
    *reserved = 0;
    return "";
}
int32_t bSendProdPrice(uint32_t, const char*, const char*) {
    return 1;
}
int32_t bSendProdNotFound(uint32_t) {
    return 1;
}
int32_t bSendDisplayMsg(uint32_t, const char16_t*, const char16_t*, int32_t) {
    return 1;
}
int32_t GetTabConectados(TTABSOCK* table, int32_t) {
    std::memset(table, 0, sizeof *table);
    table->TabSock[0] = 4321;
    table->TabIP[0] = inet_addr("127.0.0.1");
    table->NumSockConec = 1;
    return 1;
}
uint32_t Inet_Addr(const char* text) {
    return inet_addr(text);
}
#ifndef FAKE_TERMSERVER_WITHOUT_INET_NTOA
const char* Inet_NtoA(uint32_t address) {
    static char dotted[INET_ADDRSTRLEN];
    in_addr value{};
    value.s_addr = address;
    return inet_ntop(AF_INET, &value, dotted, sizeof dotted);
}
#endif
}
