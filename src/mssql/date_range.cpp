#include "mssql/date_range.h"

#include "mssql/value_changes.h"
#include "toolkit/tk_log.h"
#include "variant/ole_date.h"

namespace {

constexpr WORD last_year = 9999;

std::wstring date_text(const SYSTEMTIME& time)
{
    return ole_date(time).to_wstring(6);
}

}  // namespace

mss_date_fit mss_move_date(SYSTEMTIME& time, const t_ftd* column)
{
    const int zero_parts = (time.wYear == 0 ? 1 : 0) + (time.wMonth == 0 ? 1 : 0) + (time.wDay == 0 ? 1 : 0);
    if (zero_parts == 3) {
        time.wYear = 1899;
        time.wMonth = 12;
        time.wDay = 30;
        return mss_date_fit::zero_date;
    }
    if (zero_parts != 0)
        return mss_date_fit::unheld;
    if (time.wYear <= last_year)
        return mss_date_fit::held;
    const SYSTEMTIME read = time;
    time.wYear = last_year;
    // 9999 is no leap year.
    if (time.wMonth == 2 && time.wDay == 29)
        time.wDay = 28;
    tk_log(2, L"Date '%ls' is out of range", date_text(read).c_str());
    if (column)
        mss_note_changed_value(*column, date_text(read), date_text(time));
    return mss_date_fit::past_last_year;
}
