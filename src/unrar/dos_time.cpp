#include "unrar/dos_time.h"

#include <ctime>

namespace tavox::unrar {

std::int64_t DosTimeToUnix(unsigned dos_time) {
    std::tm t{};
    t.tm_sec = static_cast<int>((dos_time & 0x1F) * 2);
    t.tm_min = static_cast<int>((dos_time >> 5) & 0x3F);
    t.tm_hour = static_cast<int>((dos_time >> 11) & 0x1F);
    t.tm_mday = static_cast<int>((dos_time >> 16) & 0x1F);
    t.tm_mon = static_cast<int>((dos_time >> 21) & 0x0F) - 1;
    t.tm_year = static_cast<int>((dos_time >> 25) & 0x7F) + 80;
    t.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&t));
}

unsigned UnixTimeToDos(std::int64_t unix_time) {
    const auto seconds = static_cast<std::time_t>(unix_time);
    std::tm t{};
    if (::localtime_r(&seconds, &t) == nullptr || t.tm_year < 80) {
        return (1u << 21) | (1u << 16); // 1 January 1980, the first day DOS can tell
    }
    if (t.tm_year > 80 + 127) {
        return 0xFF9FBF7Du; // 31 December 2107, 23:59:58, the last
    }
    return static_cast<unsigned>(t.tm_sec / 2) | static_cast<unsigned>(t.tm_min) << 5 |
           static_cast<unsigned>(t.tm_hour) << 11 | static_cast<unsigned>(t.tm_mday) << 16 |
           static_cast<unsigned>(t.tm_mon + 1) << 21 | static_cast<unsigned>(t.tm_year - 80) << 25;
}

} // namespace tavox::unrar
