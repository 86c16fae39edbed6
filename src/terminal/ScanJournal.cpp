#include "terminal/ScanJournal.h"

#include <chrono>

namespace veska::terminal {

std::int64_t utcMillisecondsNow() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace veska::terminal
