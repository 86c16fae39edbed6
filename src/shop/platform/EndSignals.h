#pragma once
// SIGTERM, SIGINT and SIGHUP as both programs take them: blocked in every thread and read
// from a signalfd, by the event loop or by a wait of the program's own. A handler would run
// on whichever thread the kernel picks; when that is one of the embedded database engine's
// threads, its interrupted wait leaves the engine spinning at the final detach and the
// program never ends. A signal that comes before anyone reads waits for its reader.

#include <vector>

namespace veska::shop::platform {

// Call first in main, before any thread exists, so that every thread inherits the block.
void blockEndSignals();

class EndSignals {
public:
    EndSignals(); // fd() is negative when the system gives no signalfd
    ~EndSignals();
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // Readable once a signal has come.
    int fd() const { return fd_; }
    // The signals that came since the last call, oldest first.
    std::vector<int> take();

private:
    int fd_ = -1;
};

} // namespace veska::shop::platform
