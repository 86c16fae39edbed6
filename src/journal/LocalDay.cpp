#include "journal/LocalDay.h"

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
    const std::tm parts = localTm(utcMs);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday);
    day = text;
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
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d", parts.tm_mday, parts.tm_mon + 1,
                  parts.tm_year + 1900, parts.tm_hour, parts.tm_min);
    return text;
}

std::string localClockText(std::int64_t utcMs) {
    const std::tm parts = localTm(utcMs);
    char text[64];
    std::snprintf(text, sizeof text, "%02d:%02d", parts.tm_hour, parts.tm_min);
    return text;
}

std::string localHourText(std::int64_t utcMs) {
    const std::tm parts = localTm(utcMs);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour);
    return text;
}

std::string nextDay(const std::string& day) {
    std::tm parts{};
    if (!parseDay(day, parts))
        return {};
    parts.tm_mday += 1;
    parts.tm_hour = 12; // clear of any daylight-saving change
    std::mktime(&parts);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d", &parts);
    return text;
}

} // namespace veska::journal
