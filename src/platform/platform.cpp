#include "platform/platform.hpp"

#include <ctime>

namespace vura {

LocalTime brokenDownTime(std::int64_t calendarTime, bool local) {
    std::time_t t = static_cast<std::time_t>(calendarTime);
    std::tm parts{};
    if (local)
        localtime_r(&t, &parts);
    else
        gmtime_r(&t, &parts);
    LocalTime out;
    out.year = parts.tm_year + 1900;
    out.month = parts.tm_mon + 1;
    out.day = parts.tm_mday;
    out.weekday = parts.tm_wday;
    out.hour = parts.tm_hour;
    out.minute = parts.tm_min;
    out.second = parts.tm_sec;
    return out;
}

} // namespace vura
