// The local clock. One definition per platform; the rest of the parsers only
// see NowLocal().
#include "ftp/listparse/ListDateTime.h"

#include <chrono>
#include <ctime>

namespace {

#if defined(_WIN32)
bool LocalParts(std::time_t t, std::tm& out)
{
    return localtime_s(&out, &t) == 0;
}
#else
bool LocalParts(std::time_t t, std::tm& out)
{
    return localtime_r(&t, &out) != nullptr;
}
#endif

} // namespace

TDateTime NowLocal()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    if (!LocalParts(t, tm))
        return 0;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        now.time_since_epoch()).count() % 1000;
    TIdDateParts p{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                   tm.tm_sec > 59 ? 59 : tm.tm_sec, static_cast<int>(ms < 0 ? 0 : ms)};
    return EncodeDateTimeOrZero(p);
}
