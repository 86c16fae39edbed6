#include "web/AllowList.h"

#include <QStringList>
#include <arpa/inet.h>

namespace veska::web {

namespace {

std::optional<std::uint32_t> hostOrder(const std::string& dotted) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, dotted.c_str(), &parsed) != 1)
        return std::nullopt;
    return ntohl(parsed.s_addr);
}

} // namespace

std::optional<AllowList> AllowList::parse(const QString& list, QString* bad) {
    AllowList allowed;
    for (const QString& raw : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString entry = raw.trimmed();
        if (entry.isEmpty())
            continue;
        const qsizetype slash = entry.indexOf(QLatin1Char('/'));
        int bits = 32;
        bool bitsRead = true;
        if (slash >= 0)
            bits = entry.mid(slash + 1).toInt(&bitsRead);
        const auto address = hostOrder(entry.left(slash).toStdString());
        if (!address || !bitsRead || bits < 0 || bits > 32) {
            if (bad != nullptr)
                *bad = entry;
            return std::nullopt;
        }
        const std::uint32_t mask = bits == 0 ? 0 : ~std::uint32_t{0} << (32 - bits);
        allowed.networks_.push_back({*address & mask, mask});
    }
    return allowed;
}

bool AllowList::permits(const std::string& dotted) const {
    if (networks_.empty())
        return true;
    const auto address = hostOrder(dotted);
    if (!address)
        return false;
    for (const Network& network : networks_) {
        if ((*address & network.mask) == network.base)
            return true;
    }
    return false;
}

} // namespace veska::web
