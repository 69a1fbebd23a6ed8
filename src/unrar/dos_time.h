#pragma once

#include <cstdint>

namespace tavox::unrar {

// MS-DOS date and time (local time) and seconds since 1970 (UTC), both ways.
std::int64_t DosTimeToUnix(unsigned dos_time);
unsigned UnixTimeToDos(std::int64_t unix_time);

} // namespace tavox::unrar
