// The shared library as the program binds it: loaded with dlopen, the eleven names resolved,
// nothing else exported.

#include "termserver/termserver.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

class SharedLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        handle_ = ::dlopen(TERMSERVER_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << ::dlerror();
    }
    void TearDown() override {
        if (handle_ != nullptr)
            ::dlclose(handle_);
    }
    template <typename Function> Function resolve(const char* name) {
        void* symbol = ::dlsym(handle_, name);
        EXPECT_NE(symbol, nullptr) << name;
        return reinterpret_cast<Function>(symbol);
    }
    void* handle_ = nullptr;
};

TEST_F(SharedLibrary, ExportsTheElevenFunctionsAndTheTwoOptionalOnes) {
    for (const char* name :
         {"vInitialize", "dll_version", "tc_startserver", "bTerminate", "bReceiveBarcode",
          "bSendProdPrice", "bSendProdNotFound", "bSendDisplayMsg", "GetTabConectados", "Inet_Addr",
          "Inet_NtoA", "tc_lasterror", "tc_wakefd"})
        EXPECT_NE(::dlsym(handle_, name), nullptr) << name;
    EXPECT_EQ(::dlsym(handle_, "_ZN10termserver8instanceEv"), nullptr)
        << "internal names stay hidden";
}

TEST_F(SharedLibrary, RunsThroughTheResolvedFunctions) {
    ::setenv("TERMSERVER_LISTEN", "127.0.0.1:0", 1);
    resolve<void (*)()>("vInitialize")();
    EXPECT_STREQ(resolve<const char* (*)()>("dll_version")(), "termserver 1.1.0 (protocol 2)");
    EXPECT_EQ(resolve<std::uint32_t (*)(const char*)>("Inet_Addr")("127.0.0.1"), htonl(0x7F000001));
    EXPECT_NE(resolve<std::int32_t (*)()>("tc_startserver")(), 0);
    TTABSOCK table;
    EXPECT_EQ(resolve<std::int32_t (*)(TTABSOCK*, std::int32_t)>("GetTabConectados")(&table, 1), 1);
    EXPECT_EQ(table.NumSockConec, 0);
    EXPECT_STREQ(resolve<const char* (*)(std::uint32_t*, std::uint16_t*, std::int32_t*)>(
                     "bReceiveBarcode")(nullptr, nullptr, nullptr),
                 "");
    EXPECT_EQ(resolve<std::int32_t (*)()>("bTerminate")() & 0xFF, 1);
    ::unsetenv("TERMSERVER_LISTEN");
}

} // namespace
