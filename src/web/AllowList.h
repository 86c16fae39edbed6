#pragma once
// The addresses that may use the web console (web_allow), read as termserver.conf's allow
// is, by the terminal server's own list: single IPv4 addresses and ADDRESS/BITS networks,
// separated by commas. Empty: every address may.

#include "server/AllowList.h"

#include <QString>
#include <optional>
#include <string>

namespace veska::web {

class AllowList {
public:
    // Nothing for a list with a bad entry (named in *bad). Empty entries are passed over.
    static std::optional<AllowList> parse(const QString& list, QString* bad);
    // A dotted IPv4 address, as the server reports a client's.
    bool permits(const std::string& dotted) const;

private:
    termserver::AllowList list_;
};

} // namespace veska::web
