#include "platform/automation/date_calendar.h"

#include <cmath>

namespace automation_detail {

namespace {

constexpr int first_year = 100;
constexpr int last_year = 9999;
constexpr long seconds_per_day = 86400;
// 1899-12-30 counted from 1970-01-01.
constexpr long day_zero = -25569;

// Days from 1970-01-01 (the civil-calendar algorithm of H. Hinnant).
long days_from_civil(long year, long month, long day)
{
    year -= month <= 2;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long year_of_era = year - era * 400;
    const long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

void civil_from_days(long days, int* year, int* month, int* day)
{
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long day_of_era = days - era * 146097;
    const long year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const long day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const long shifted_month = (5 * day_of_year + 2) / 153;
    *day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
    *month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
    *year = static_cast<int>(year_of_era + era * 400 + (*month <= 2));
}

}  // namespace

int days_in_month(int year, int month)
{
    static constexpr int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : lengths[month - 1];
}

bool date_from_parts(int year, int month, int day, int hour, int minute, int second, DATE* out)
{
    if (year < first_year || year > last_year || month < 1 || month > 12 || day < 1 ||
        day > days_in_month(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59)
        return false;
    const double days = static_cast<double>(days_from_civil(year, month, day) - day_zero);
    const double time = static_cast<double>(hour * 3600L + minute * 60L + second) / seconds_per_day;
    // Before day 0 the time of day still counts forward from midnight.
    *out = days < 0 ? days - time : days + time;
    return true;
}

}  // namespace automation_detail

using namespace automation_detail;

INT SystemTimeToVariantTime(const SYSTEMTIME* time, DOUBLE* date)
{
    if (time == nullptr || date == nullptr)
        return 0;
    return date_from_parts(time->wYear, time->wMonth, time->wDay, time->wHour, time->wMinute, time->wSecond, date) ? 1
                                                                                                                   : 0;
}

INT VariantTimeToSystemTime(DOUBLE date, SYSTEMTIME* time)
{
    constexpr double first_date = -657434.0;  // 0100-01-01
    constexpr double after_last = 2958466.0;  // 10000-01-01
    if (time == nullptr || !(date >= first_date && date < after_last))
        return 0;
    long day = static_cast<long>(std::trunc(date));
    long seconds = std::lround(std::fabs(date - std::trunc(date)) * seconds_per_day);
    if (seconds >= seconds_per_day) {
        seconds -= seconds_per_day;
        ++day;
    }
    int year = 0, month = 0, day_of_month = 0;
    civil_from_days(day + day_zero, &year, &month, &day_of_month);
    if (year > last_year)
        return 0;
    time->wYear = static_cast<WORD>(year);
    time->wMonth = static_cast<WORD>(month);
    time->wDay = static_cast<WORD>(day_of_month);
    time->wDayOfWeek = static_cast<WORD>(((day % 7) + 7 + 6) % 7);  // day 0 was a Saturday
    time->wHour = static_cast<WORD>(seconds / 3600);
    time->wMinute = static_cast<WORD>(seconds / 60 % 60);
    time->wSecond = static_cast<WORD>(seconds % 60);
    time->wMilliseconds = 0;
    return 1;
}
