#include "app/StartupDelay.h"

#include "core/IntegerText.h"

#include <algorithm>
#include <limits>

namespace veska::app {

std::int32_t StartupDelayMs = 1;

std::int32_t startupDelayFor(const QStringList& arguments) {
    if (arguments.isEmpty())
        return 1;
    const std::int64_t seconds = parseInteger(arguments.first());
    // Multiplying in 32 bits would wrap a large or negative value into a meaningless
    // delay of up to 49 days; keep the delay within what the operator can have meant.
    const std::int64_t ms =
        std::clamp<std::int64_t>(seconds * 1000, 0, std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(ms - ms % 1000);
}

} // namespace veska::app
