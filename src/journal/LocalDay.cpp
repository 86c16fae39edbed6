#include "journal/LocalDay.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>

namespace veska::journal {
namespace {

std::tm localTm(std::int64_t utcMs) {
    const std::time_t seconds = static_cast<std::time_t>(utcMs / 1000);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    return parts;
}

// The text of a printf format; the compiler checks the format against the values.
[[gnu::format(printf, 1, 2)]] std::string printed(const char* format, ...) {
    char text[64];
    std::va_list values;
    va_start(values, format);
    const int length = std::vsnprintf(text, sizeof text, format, values);
    va_end(values);
    return std::string(
        text, static_cast<std::size_t>(std::clamp(length, 0, static_cast<int>(sizeof text) - 1)));
}

// "2026-12-09"
std::string dayText(const std::tm& parts) {
    return printed("%04d-%02d-%02d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
}

bool parseDay(const std::string& day, std::tm& parts) {
    int year = 0, month = 0, dayOfMonth = 0;
    char extra = 0;
    if (day.size() != 10 ||
        std::sscanf(day.c_str(), "%4d-%2d-%2d%c", &year, &month, &dayOfMonth, &extra) != 3)
        return false;
    if (year < 1970 || month < 1 || month > 12 || dayOfMonth < 1 || dayOfMonth > 31)
        return false;
    parts = std::tm{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = dayOfMonth;
    parts.tm_isdst = -1;
    std::tm check = parts;
    if (std::mktime(&check) == -1)
        return false;
    // 2026-02-30 is not a day.
    return check.tm_mday == dayOfMonth && check.tm_mon == month - 1;
}

} // namespace

std::string localDayOf(std::int64_t utcMs) {
    // Many rows of a batch share a day: the last answer is kept.
    thread_local std::int64_t dayBegins = 0, dayEnds = 0;
    thread_local std::string day;
    if (utcMs >= dayBegins && utcMs < dayEnds)
        return day;
    day = dayText(localTm(utcMs));
    dayBegins = localDayStart(day);
    dayEnds = localDayStart(nextDay(day));
    return day;
}

std::int64_t localDayStart(const std::string& day) {
    return localTimeOn(day, 0);
}

std::int64_t localTimeOn(const std::string& day, int minutes) {
    std::tm parts{};
    if (!parseDay(day, parts))
        return -1;
    parts.tm_hour = minutes / 60;
    parts.tm_min = minutes % 60;
    return static_cast<std::int64_t>(std::mktime(&parts)) * 1000;
}

std::string localDateTimeText(std::int64_t utcMs) {
    const std::tm parts = localTm(utcMs);
    return printed("%02d/%02d/%04d %02d:%02d", parts.tm_mday, parts.tm_mon + 1,
                   parts.tm_year + 1900, parts.tm_hour, parts.tm_min);
}

std::string localClockText(std::int64_t utcMs) {
    const std::tm parts = localTm(utcMs);
    return printed("%02d:%02d", parts.tm_hour, parts.tm_min);
}

std::string localHourText(std::int64_t utcMs) {
    const std::tm parts = localTm(utcMs);
    return dayText(parts) + printed(" %02d", parts.tm_hour);
}

std::string nextDay(const std::string& day) {
    std::tm parts{};
    if (!parseDay(day, parts))
        return {};
    parts.tm_mday += 1;
    parts.tm_hour = 12; // clear of any daylight-saving change
    std::mktime(&parts);
    return dayText(parts);
}

} // namespace veska::journal
