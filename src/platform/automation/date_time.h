// Dates: SYSTEMTIME, the broken-down form, and DATE, days since 1899-12-30
// with the time of day as the fraction. DATE spans the years 100 to 9999 and
// carries whole seconds.
#pragma once

#include "platform/automation/variant.h"

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;  // 0 Sunday
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

// FALSE (0) for a date or time that does not exist or lies outside the DATE
// range; the milliseconds are not used.
INT SystemTimeToVariantTime(const SYSTEMTIME* time, DOUBLE* date);
// Rounds to the nearest second; FALSE outside the DATE range.
INT VariantTimeToSystemTime(DOUBLE date, SYSTEMTIME* time);

// Date and time texts of locale 1033 whatever lcid says: month/day/year (or
// day/month/year where the month would be above 12, year/month/day where the
// first number is a year), month names, "h:mm[:ss]" with AM/PM. Two-digit
// years are 1930 to 2029. A time alone is a time on 1899-12-30. Anything else,
// also a date without its year, gives DISP_E_TYPEMISMATCH.
HRESULT VarDateFromStr(LPCOLESTR text, LCID lcid, ULONG flags, DATE* out);
