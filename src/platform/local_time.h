// The local wall-clock time (GetLocalTime).
#pragma once

namespace platform {

struct local_clock_time {
    int year;
    int month;  // 1 to 12
    int day;
    int hour;
    int minute;
    int second;
};

local_clock_time get_local_time();

}  // namespace platform
