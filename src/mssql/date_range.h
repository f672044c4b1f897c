// The dates MS SQL Server holds, one rule for every path that writes one: a
// zero date is the server's base date at the same time of day; a year past
// 9999 becomes 9999 with its month, day and time kept (29 February, the
// 28th), so that no more of the value is lost than its year; a date of which
// only some parts are zero is held by no column.
#pragma once

#include "platform/automation/date_time.h"

#include <cstdint>

class t_ftd;

// The server's base date, which a zero date becomes.
inline constexpr const char* mss_base_date_text = "1899-12-30";

enum class mss_date_fit : std::uint8_t {
    held,            // written as it is
    zero_date,       // moved to the base date
    past_last_year,  // moved into the year 9999, noted as a changed value
    unheld,          // refused with its record
};

// Moves a calendar value out of the server's range into it and says how. A
// date moved out of a year past 9999 is noted with the error handler as a
// changed value of the column, when a column is given.
mss_date_fit mss_move_date(SYSTEMTIME& time, const t_ftd* column);

// The same for any calendar value; inline, since the script asks it of every
// date and nearly all are held.
inline mss_date_fit mss_fit_date(SYSTEMTIME& time, const t_ftd* column)
{
    if (time.wYear != 0 && time.wMonth != 0 && time.wDay != 0 && time.wYear <= 9999)
        return mss_date_fit::held;
    return mss_move_date(time, column);
}
