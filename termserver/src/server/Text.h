#pragma once
// Text helpers of the settings.

#include <string_view>

namespace termserver {

// The text without the blanks, tabs and carriage returns around it.
inline std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace termserver
