#pragma once
// The descriptors the server may spend on connections. The process's open-file limit is
// shared with the rest of the program (its windows, the database client), which keeps a
// reserve of it; and a spare descriptor lets the server refuse a connection politely even
// when the process has none left.

#include <cstddef>
#include <cstdint>

namespace termserver {

// Descriptors left to the rest of the program; half the limit when it is below twice this.
inline constexpr std::size_t kDescriptorReserve = 256;

// The number of connections the server holds at most under a soft open-file limit: the
// limit less the reserve, never more than the table's slots.
std::size_t connectionCapFor(std::uint64_t openFileLimit);
// The same for the process's current soft limit.
std::size_t connectionCap();

// One descriptor held in reserve (on /dev/null), given back for the moment it takes to
// accept and refuse a connection when accept() finds no descriptor free.
class SpareDescriptor {
public:
    SpareDescriptor();
    ~SpareDescriptor();
    SpareDescriptor(const SpareDescriptor&) = delete;
    SpareDescriptor& operator=(const SpareDescriptor&) = delete;

    bool held() const { return fd_ >= 0; }
    void release();
    // Takes a descriptor again; false when none is free yet.
    bool acquire();

private:
    int fd_ = -1;
};

} // namespace termserver
