#pragma once
// The addresses that may use the web console (web_allow), written as termserver.conf's
// allow: single IPv4 addresses and ADDRESS/BITS networks, separated by commas. Empty: every
// address may.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veska::web {

class AllowList {
public:
    // Nothing for a list with a bad entry (named in *bad).
    static std::optional<AllowList> parse(const QString& list, QString* bad);
    // A dotted IPv4 address, as the server reports a client's.
    bool permits(const std::string& dotted) const;

private:
    struct Network {
        std::uint32_t base = 0; // host order, masked
        std::uint32_t mask = 0;
    };
    std::vector<Network> networks_;
};

} // namespace veska::web
