// Calendar arithmetic behind the DATE conversions (proleptic Gregorian).
#pragma once

#include "platform/automation/date_time.h"

#include <string>

namespace automation_detail {

int days_in_month(int year, int month);
// False for a date or time that does not exist or lies outside the DATE range.
bool date_from_parts(int year, int month, int day, int hour, int minute, int second, DATE* out);
// The date in the forms of locale 1033: "12/31/2020 11:59:59 PM"; the date
// alone when there is no time, the time alone on day 0.
HRESULT date_to_text(DATE date, std::wstring* out);

}  // namespace automation_detail
