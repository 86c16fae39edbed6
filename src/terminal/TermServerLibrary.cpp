#include "terminal/TermServerLibrary.h"

#include <QString>
#include <cstdlib>
#include <dlfcn.h>
#include <system_error>
#include <termserver/termserver.h>
#include <type_traits>
#include <utility>

namespace veska::terminal {
namespace {

// The table's entries must keep the library header's signatures (the connection table is
// the same record under another name, checked in TTabSock.h).
static_assert(std::is_same_v<decltype(TermServerApi::vInitialize), decltype(&::vInitialize)>);
static_assert(std::is_same_v<decltype(TermServerApi::dll_version), decltype(&::dll_version)>);
static_assert(std::is_same_v<decltype(TermServerApi::tc_startserver), decltype(&::tc_startserver)>);
static_assert(std::is_same_v<decltype(TermServerApi::bTerminate), decltype(&::bTerminate)>);
static_assert(
    std::is_same_v<decltype(TermServerApi::bReceiveBarcode), decltype(&::bReceiveBarcode)>);
static_assert(std::is_same_v<decltype(TermServerApi::bSendProdPrice), decltype(&::bSendProdPrice)>);
static_assert(
    std::is_same_v<decltype(TermServerApi::bSendProdNotFound), decltype(&::bSendProdNotFound)>);
static_assert(
    std::is_same_v<decltype(TermServerApi::bSendDisplayMsg), decltype(&::bSendDisplayMsg)>);
static_assert(std::is_same_v<decltype(TermServerApi::Inet_Addr), decltype(&::Inet_Addr)>);
static_assert(std::is_same_v<decltype(TermServerApi::Inet_NtoA), decltype(&::Inet_NtoA)>);
static_assert(sizeof(::TTABSOCK) == sizeof(TTABSOCK));

QString local8(const std::string& text) {
    return QString::fromLocal8Bit(text);
}

QString lastLoaderError() {
    const char* message = dlerror();
    return message ? QString::fromLocal8Bit(message) : QString();
}

template <typename Function>
void resolve(void* handle, const std::string& file, const char* name, Function& slot) {
    dlerror();
    void* address = dlsym(handle, name);
    if (!address) {
        throw LibraryLoadError(
            QStringLiteral("The terminal-server library '%1' lacks the function '%2'")
                .arg(local8(file), QLatin1String(name)));
    }
    slot = reinterpret_cast<Function>(address);
}

std::filesystem::path executableDir() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return executable.parent_path();
}

} // namespace

TermServerLibrary::TermServerLibrary(const std::string& file) : file_(file) {
    // Never unmapped, not even by the last dlclose: the library runs threads and keeps
    // thread-local text, and the function table may be copied beyond this object.
    handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle_) {
        throw LibraryLoadError(QStringLiteral("Cannot load the terminal-server library '%1': %2")
                                   .arg(local8(file), lastLoaderError()));
    }
    try {
        resolve(handle_, file_, "vInitialize", api_.vInitialize);
        resolve(handle_, file_, "dll_version", api_.dll_version);
        resolve(handle_, file_, "tc_startserver", api_.tc_startserver);
        resolve(handle_, file_, "bTerminate", api_.bTerminate);
        resolve(handle_, file_, "bReceiveBarcode", api_.bReceiveBarcode);
        resolve(handle_, file_, "bSendProdPrice", api_.bSendProdPrice);
        resolve(handle_, file_, "bSendProdNotFound", api_.bSendProdNotFound);
        resolve(handle_, file_, "bSendDisplayMsg", api_.bSendDisplayMsg);
        resolve(handle_, file_, "GetTabConectados", api_.GetTabConectados);
        resolve(handle_, file_, "Inet_Addr", api_.Inet_Addr);
        resolve(handle_, file_, "Inet_NtoA", api_.Inet_NtoA);
        // Optional: why the last start failed. A library without it still stands in.
        api_.tc_lasterror =
            reinterpret_cast<decltype(api_.tc_lasterror)>(dlsym(handle_, "tc_lasterror"));
        // Optional: the signal of a waiting scan. Without it the scans are polled.
        api_.tc_wakefd = reinterpret_cast<decltype(api_.tc_wakefd)>(dlsym(handle_, "tc_wakefd"));
    } catch (...) {
        dlclose(handle_);
        throw;
    }
}

TermServerLibrary::~TermServerLibrary() {
    if (handle_)
        dlclose(handle_);
}

TermServerLibrary::TermServerLibrary(TermServerLibrary&& other) noexcept
    : file_(std::move(other.file_)), handle_(std::exchange(other.handle_, nullptr)),
      api_(std::exchange(other.api_, TermServerApi{})) {}

TermServerLibrary TermServerLibrary::loadDefault() {
    std::optional<std::string> variable;
    if (const char* value = std::getenv(kTermServerLibraryVariable))
        variable = value;
    return TermServerLibrary(chooseFile(variable, executableDir()));
}

std::string TermServerLibrary::chooseFile(const std::optional<std::string>& variableValue,
                                          const std::filesystem::path& executableDir) {
    if (variableValue && !variableValue->empty())
        return *variableValue;
    if (!executableDir.empty()) {
        const std::filesystem::path candidates[] = {
            executableDir / kTermServerLibraryName,
            executableDir / ".." / "lib" / kTermServerLibraryName,
            executableDir / ".." / "lib" / "x86_64-linux-gnu" / kTermServerLibraryName,
        };
        for (const auto& candidate : candidates) {
            std::error_code error;
            if (std::filesystem::is_regular_file(candidate, error))
                return candidate.lexically_normal().string();
        }
    }
    return kTermServerLibraryName;
}

} // namespace veska::terminal
