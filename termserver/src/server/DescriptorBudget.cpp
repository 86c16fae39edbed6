#include "server/DescriptorBudget.h"

#include "termserver/termserver.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace termserver {

std::size_t connectionCapFor(std::uint64_t openFileLimit) {
    const std::uint64_t reserve = std::min<std::uint64_t>(kDescriptorReserve, openFileLimit / 2);
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(openFileLimit - reserve, TERMSERVER_MAX_CONNECTIONS));
}

std::size_t connectionCap() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return TERMSERVER_MAX_CONNECTIONS;
    return connectionCapFor(limit.rlim_cur);
}

SpareDescriptor::SpareDescriptor() {
    acquire();
}

SpareDescriptor::~SpareDescriptor() {
    release();
}

void SpareDescriptor::release() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool SpareDescriptor::acquire() {
    if (fd_ < 0)
        fd_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    return fd_ >= 0;
}

} // namespace termserver
