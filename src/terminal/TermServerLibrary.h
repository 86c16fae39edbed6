#pragma once
// Binds the terminal-server library at start-up: finds the shared library, loads it and
// resolves its eleven functions into a TermServerApi table. The program does not run
// without it, so every failure is an error that names the file and, when one is missing,
// the function.
//
// Which file is loaded:
//   1. the file named by the environment variable VESKA_TERMSERVER_LIBRARY, when it is set
//      and not empty (exactly that file, no search);
//   2. otherwise "libtermserver.so.1" found next to the executable, then in ../lib and in
//      ../lib/x86_64-linux-gnu relative to the executable's folder;
//   3. otherwise "libtermserver.so.1" through the system's library search path.

#include "core/Errors.h"
#include "terminal/TermServerApi.h"

#include <filesystem>
#include <optional>
#include <string>

namespace veska::terminal {

inline constexpr const char* kTermServerLibraryName = "libtermserver.so.1";
inline constexpr const char* kTermServerLibraryVariable = "VESKA_TERMSERVER_LIBRARY";

// The library cannot be found or loaded, or lacks one of the functions.
class LibraryLoadError : public Error {
public:
    using Error::Error;
    const char* kind() const override { return "ELibraryLoadError"; }
};

// Once loaded, the library stays in the process until it ends, like a library bound at
// load time: the functions of api() stay valid after this object is gone.
class TermServerLibrary {
public:
    // Loads the file (a path, or a bare name for the system's search) and resolves the table.
    explicit TermServerLibrary(const std::string& file);
    ~TermServerLibrary();
    TermServerLibrary(TermServerLibrary&& other) noexcept;
    TermServerLibrary& operator=(TermServerLibrary&&) = delete;
    TermServerLibrary(const TermServerLibrary&) = delete;
    TermServerLibrary& operator=(const TermServerLibrary&) = delete;

    // Finds and loads the library by the rules above, for the running executable.
    static TermServerLibrary loadDefault();

    // The file to load: the variable's value when given, the first existing candidate
    // beside the executable, or the bare library name for the system's search.
    static std::string chooseFile(const std::optional<std::string>& variableValue,
                                  const std::filesystem::path& executableDir);

    const TermServerApi& api() const { return api_; }
    const std::string& file() const { return file_; }

private:
    std::string file_;
    void* handle_ = nullptr;
    TermServerApi api_{};
};

} // namespace veska::terminal
