#include "tray/platform/IconRegistry.h"

#include <map>

namespace veska::platform {
namespace {

std::map<uint32_t, QIcon>& icons() {
    // Never destroyed: icons released at process end still reach it.
    static auto* table = new std::map<uint32_t, QIcon>;
    return *table;
}

uint32_t nextHandle = 0x20000;

} // namespace

uint32_t RegisterIcon(const QIcon& icon) {
    if (icon.isNull())
        return 0;
    const uint32_t handle = nextHandle++;
    icons().emplace(handle, icon);
    return handle;
}

void ReleaseIcon(uint32_t handle) {
    icons().erase(handle);
}

QIcon LookupIcon(uint32_t handle) {
    const auto found = icons().find(handle);
    return found == icons().end() ? QIcon() : found->second;
}

std::size_t RegisteredIconCount() {
    return icons().size();
}

} // namespace veska::platform
