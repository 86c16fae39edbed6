#include "server/AllowList.h"

#include "server/Text.h"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>

namespace termserver {
bool AllowList::add(std::string_view list, std::string* bad) {
    std::vector<Network> parsed;
    for (;;) {
        const auto comma = list.find(',');
        const std::string_view entry = trimBlanks(list.substr(0, comma));
        const auto slash = entry.find('/');
        const std::string address(entry.substr(0, slash));
        in_addr value{};
        int bits = 32;
        bool good = ::inet_pton(AF_INET, address.c_str(), &value) == 1;
        if (good && slash != std::string_view::npos) {
            const std::string_view digits = entry.substr(slash + 1);
            const auto [end, ec] =
                std::from_chars(digits.data(), digits.data() + digits.size(), bits);
            good = ec == std::errc{} && end == digits.data() + digits.size() && !digits.empty() &&
                   bits >= 0 && bits <= 32;
        }
        if (!good) {
            if (bad != nullptr)
                *bad = std::string(entry);
            return false;
        }
        const std::uint32_t mask = bits == 0 ? 0 : ~std::uint32_t{0} << (32 - bits);
        parsed.push_back(Network{ntohl(value.s_addr) & mask, mask});
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    networks_.insert(networks_.end(), parsed.begin(), parsed.end());
    return true;
}

bool AllowList::permits(std::uint32_t address) const {
    if (networks_.empty())
        return true;
    const std::uint32_t host = ntohl(address);
    return std::any_of(networks_.begin(), networks_.end(), [host](const Network& network) {
        return (host & network.mask) == network.base;
    });
}

} // namespace termserver
