#include "terminal/TermServerLibrary.h"

#include "QtPrinters.h"

#include <QTemporaryDir>
#include <arpa/inet.h>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace veska::terminal {
namespace {

namespace fs = std::filesystem;

const std::string kFake = FAKE_TERMSERVER_PATH;
const std::string kIncomplete = FAKE_TERMSERVER_INCOMPLETE_PATH;

// The fake's own control functions, reached through a second handle on the same file.
template <typename Function> Function fakeControl(const char* name) {
    void* handle = dlopen(kFake.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return nullptr;
    void* address = dlsym(handle, name);
    dlclose(handle);
    return reinterpret_cast<Function>(address);
}

QString errorText(const std::string& file) {
    try {
        TermServerLibrary library(file);
    } catch (const LibraryLoadError& error) {
        return error.text();
    }
    return {};
}

TEST(TermServerLibraryTest, ResolvesAllElevenFunctions) {
    TermServerLibrary library(kFake);
    const TermServerApi& api = library.api();
    ASSERT_TRUE(api.vInitialize && api.dll_version && api.tc_startserver && api.bTerminate &&
                api.bReceiveBarcode && api.bSendProdPrice && api.bSendProdNotFound &&
                api.bSendDisplayMsg && api.GetTabConectados && api.Inet_Addr && api.Inet_NtoA);
    EXPECT_EQ(api.tc_wakefd, nullptr) << "the eleven alone: the program polls";
    EXPECT_EQ(library.file(), kFake);

    auto initializeCalls = fakeControl<int (*)()>("fake_termserver_initialize_calls");
    ASSERT_NE(initializeCalls, nullptr);
    const int before = initializeCalls();
    api.vInitialize();
    EXPECT_EQ(initializeCalls(), before + 1);

    EXPECT_STREQ(api.dll_version(), "test 1");
    auto setStart = fakeControl<void (*)(std::int32_t)>("fake_termserver_set_start_result");
    ASSERT_NE(setStart, nullptr);
    setStart(0);
    EXPECT_EQ(api.tc_startserver(), 0);
    setStart(5);
    EXPECT_EQ(api.tc_startserver(), 5);
    EXPECT_EQ(api.bTerminate(), 1);

    const std::uint32_t address = api.Inet_Addr("127.0.0.5");
    EXPECT_EQ(address, inet_addr("127.0.0.5"));
    EXPECT_STREQ(api.Inet_NtoA(address), "127.0.0.5");

    TTABSOCK table;
    std::memset(&table, 0xAB, sizeof table);
    api.GetTabConectados(&table, 1);
    EXPECT_EQ(table.NumSockConec, 1);
    EXPECT_EQ(table.TabSock[0], 4321);
    EXPECT_EQ(table.TabIP[0], inet_addr("127.0.0.1"));
    EXPECT_EQ(table.TabIP[1023], 0u);
}

TEST(TermServerLibraryTest, AMovedLibraryKeepsItsFunctions) {
    TermServerLibrary first(kFake);
    TermServerLibrary second(std::move(first));
    EXPECT_STREQ(second.api().dll_version(), "test 1");
    EXPECT_EQ(first.api().dll_version, nullptr);
}

TEST(TermServerLibraryTest, TheFunctionsOutliveTheBinding) {
    TermServerApi api{};
    {
        TermServerLibrary library(kFake);
        api = library.api();
    }
    EXPECT_STREQ(api.dll_version(), "test 1");
    void* stillLoaded = dlopen(kFake.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(stillLoaded, nullptr);
    if (stillLoaded)
        dlclose(stillLoaded);
}

TEST(TermServerLibraryTest, AMissingFunctionIsNamedWithTheFile) {
    const QString text = errorText(kIncomplete);
    EXPECT_EQ(text,
              QStringLiteral("The terminal-server library '%1' lacks the function 'Inet_NtoA'")
                  .arg(QString::fromStdString(kIncomplete)));
}

TEST(TermServerLibraryTest, AMissingFileIsNamed) {
    const std::string missing = "/nonexistent/veska/libtermserver.so.1";
    const QString text = errorText(missing);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Cannot load the terminal-server library '%1': ")
                                    .arg(QString::fromStdString(missing))))
        << text.toStdString();
}

TEST(TermServerLibraryTest, AFileThatIsNoLibraryIsNamed) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = dir.filePath(QStringLiteral("libtermserver.so.1")).toStdString();
    std::FILE* out = std::fopen(file.c_str(), "w");
    ASSERT_NE(out, nullptr);
    std::fputs("not a library\n", out);
    std::fclose(out);
    EXPECT_TRUE(errorText(file).contains(QString::fromStdString(file)));
}

class LibrarySearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = fs::path(dir_.path().toStdString());
        bin_ = root_ / "bin";
        fs::create_directories(bin_);
        fs::create_directories(root_ / "lib" / "x86_64-linux-gnu");
    }
    void place(const fs::path& folder) { fs::copy_file(kFake, folder / kTermServerLibraryName); }
    std::string expected(const fs::path& folder) const {
        return (folder / kTermServerLibraryName).lexically_normal().string();
    }

    QTemporaryDir dir_;
    fs::path root_;
    fs::path bin_;
};

TEST_F(LibrarySearchTest, TheSystemSearchWhenNoCandidateExists) {
    EXPECT_EQ(TermServerLibrary::chooseFile(std::nullopt, bin_), kTermServerLibraryName);
    EXPECT_EQ(TermServerLibrary::chooseFile(std::nullopt, fs::path()), kTermServerLibraryName);
}

TEST_F(LibrarySearchTest, CandidatesInOrderBesideTheExecutable) {
    place(root_ / "lib" / "x86_64-linux-gnu");
    EXPECT_EQ(TermServerLibrary::chooseFile(std::nullopt, bin_),
              expected(root_ / "lib" / "x86_64-linux-gnu"));
    place(root_ / "lib");
    EXPECT_EQ(TermServerLibrary::chooseFile(std::nullopt, bin_), expected(root_ / "lib"));
    place(bin_);
    const std::string chosen = TermServerLibrary::chooseFile(std::nullopt, bin_);
    EXPECT_EQ(chosen, expected(bin_));
    TermServerLibrary library(chosen);
    EXPECT_STREQ(library.api().dll_version(), "test 1");
}

TEST_F(LibrarySearchTest, AFolderOfTheLibrarysNameIsNoCandidate) {
    fs::create_directories(bin_ / kTermServerLibraryName);
    place(root_ / "lib");
    EXPECT_EQ(TermServerLibrary::chooseFile(std::nullopt, bin_), expected(root_ / "lib"));
}

TEST_F(LibrarySearchTest, TheVariableNamesTheFileWithoutSearch) {
    place(bin_);
    EXPECT_EQ(TermServerLibrary::chooseFile(std::string("/elsewhere/lib.so"), bin_),
              "/elsewhere/lib.so");
    // An empty variable counts as unset.
    EXPECT_EQ(TermServerLibrary::chooseFile(std::string(), bin_), expected(bin_));
}

class VariableTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* value = std::getenv(kTermServerLibraryVariable))
            saved_ = value;
    }
    void TearDown() override {
        if (saved_)
            setenv(kTermServerLibraryVariable, saved_->c_str(), 1);
        else
            unsetenv(kTermServerLibraryVariable);
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(VariableTest, LoadDefaultTakesTheVariable) {
    setenv(kTermServerLibraryVariable, kFake.c_str(), 1);
    TermServerLibrary library = TermServerLibrary::loadDefault();
    EXPECT_EQ(library.file(), kFake);
    EXPECT_STREQ(library.api().dll_version(), "test 1");
}

TEST_F(VariableTest, LoadDefaultNamesAMissingFileFromTheVariable) {
    setenv(kTermServerLibraryVariable, "/nonexistent/veska/termserver.so", 1);
    try {
        TermServerLibrary::loadDefault();
        ADD_FAILURE() << "loaded a missing file";
    } catch (const LibraryLoadError& error) {
        EXPECT_TRUE(error.text().contains(QStringLiteral("/nonexistent/veska/termserver.so")));
    }
}

} // namespace
} // namespace veska::terminal
