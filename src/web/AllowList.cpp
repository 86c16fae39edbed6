#include "web/AllowList.h"

#include <QStringList>
#include <arpa/inet.h>

namespace veska::web {

std::optional<AllowList> AllowList::parse(const QString& list, QString* bad) {
    AllowList allowed;
    for (const QString& entry : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (entry.trimmed().isEmpty())
            continue;
        std::string refused;
        if (!allowed.list_.add(entry.toStdString(), &refused)) {
            if (bad != nullptr)
                *bad = QString::fromStdString(refused);
            return std::nullopt;
        }
    }
    return allowed;
}

bool AllowList::permits(const std::string& dotted) const {
    if (list_.empty())
        return true;
    in_addr address{};
    return ::inet_pton(AF_INET, dotted.c_str(), &address) == 1 && list_.permits(address.s_addr);
}

} // namespace veska::web
