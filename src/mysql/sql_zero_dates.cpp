#include "mysql/sql_zero_dates.h"

#include "model/column_descriptor.h"
#include "model/field.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_literals.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_text_conversion.h"

#include <string>
#include <string_view>

namespace {

enum class zero_part { none, whole_date, month_or_day };

// What is zero in the date that the text starts with (YYYY-MM-DD).
zero_part zero_part_of(std::string_view text)
{
    if (text.size() < 10 || text[4] != '-' || text[7] != '-')
        return zero_part::none;
    for (std::size_t at : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[at] < '0' || text[at] > '9')
            return zero_part::none;
    const bool zero_month = text.substr(5, 2) == "00";
    const bool zero_day = text.substr(8, 2) == "00";
    if (text.substr(0, 4) == "0000" && zero_month && zero_day)
        return zero_part::whole_date;
    return zero_month || zero_day ? zero_part::month_or_day : zero_part::none;
}

}  // namespace

void sql_check_zero_date(const udb_field& field, const t_ftd& column)
{
    const VARTYPE type = field.get_type();
    if (column.vartype != VT_DATE || sql_is_time_column(column) || (type != VT_DATE && type != VT_BSTR))
        return;
    // A value without a date part prints with its zero date.
    const std::string text = field.to_string();
    const zero_part part = zero_part_of(text);
    if (part == zero_part::none)
        return;
    // Without strict mode the server stores the value all the same but warns,
    // and a batch would fail as changed: the mode alone decides.
    if (!sql_current_engine().has_sql_mode(part == zero_part::whole_date ? "NO_ZERO_DATE" : "NO_ZERO_IN_DATE"))
        return;
    throw tk_exception(L"Column '" + column.name + L"': the server's sql_mode refuses the zero date '" +
                           tk_utf8_to_unicode(text) + L"'",
                       0);
}
