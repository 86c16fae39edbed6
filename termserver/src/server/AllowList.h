#pragma once
// The addresses from which terminals may connect: single IPv4 addresses ("10.0.0.5") and
// networks ("192.168.10.0/24"). An empty list lets every address in.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace termserver {

class AllowList {
public:
    // Adds the entries of one list: addresses or ADDRESS/BITS networks (BITS 0-32; the
    // address is cut to its network), separated by commas, blanks around them ignored.
    // On a bad entry nothing is added, false is returned and *bad holds the entry.
    bool add(std::string_view list, std::string* bad);
    // The address is in network byte order, as the library hands addresses over.
    bool permits(std::uint32_t address) const;
    bool empty() const { return networks_.empty(); }

private:
    struct Network {
        std::uint32_t base = 0; // host byte order, already masked
        std::uint32_t mask = 0;
    };
    std::vector<Network> networks_;
};

} // namespace termserver
