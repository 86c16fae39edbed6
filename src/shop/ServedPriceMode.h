#pragma once
// The price mode a shop is served in at start: the saved one, unless the table of articles
// lacks the retail column. Served, the retail mode would then fail every scan, so the
// wholesale price is served and the saved choice stays in the file for when the column is
// added.

#include "catalogue/settings/PriceMode.h"

#include <QString>
#include <optional>

namespace veska::shop {

struct ServedPriceMode {
    catalogue::PriceMode mode = catalogue::PriceMode::Wholesale;
    // The file holds the retail mode, which the table cannot serve.
    bool savedRetailUnused = false;
};

ServedPriceMode servedPriceMode(std::optional<catalogue::PriceMode> saved, bool retailColumnExists);

// The activity-log line when the saved retail mode is not used.
QString savedRetailUnusedLine();

} // namespace veska::shop
