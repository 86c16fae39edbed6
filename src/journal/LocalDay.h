#pragma once
// The shop's local calendar for the journal: the day of a moment, and the moments a day
// or an hour of the clock begin, in the system's time zone.

#include <cstdint>
#include <string>

namespace veska::journal {

// "AAAA-MM-DD" of the local day that holds the moment (milliseconds since 1970, UTC).
std::string localDayOf(std::int64_t utcMs);

// The moment a local day begins, from "AAAA-MM-DD"; -1 for text that is not a date.
std::int64_t localDayStart(const std::string& day);

// The moment a local clock time (minutes after midnight, up to 1440) of a day happens.
std::int64_t localTimeOn(const std::string& day, int minutes);

// The local time of a moment as "dd/mm/aaaa hh:mm", and as "hh:mm".
std::string localDateTimeText(std::int64_t utcMs);
std::string localClockText(std::int64_t utcMs);

// The local hour that holds the moment, as "AAAA-MM-DD hh".
std::string localHourText(std::int64_t utcMs);

// The local day after the given one.
std::string nextDay(const std::string& day);

} // namespace veska::journal
