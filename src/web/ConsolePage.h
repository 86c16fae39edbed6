#pragma once
// The console's one page (pt_BR): the login form, then the status, the terminals with the
// message form, the activity log, the price look-up and the reports (usage per hour as a
// chart the page draws in SVG, the not-found codes, the link to a day's printable
// availability). Everything it needs is in it (no script, font or style from elsewhere: a
// shop's network may have no internet); its data comes from the JSON API.

#include <string_view>

namespace veska::web {

std::string_view consolePage();

} // namespace veska::web
