#include "mssql/write_plan.h"

#include "model/column_descriptor.h"
#include "model/custom_conversion.h"
#include "model/field.h"
#include "model/name_compare.h"
#include "model/schema.h"
#include "mssql/literals.h"
#include "mssql/text_fit.h"
#include "mssql/type_mapping.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_string_utils.h"
#include "variant/ole_date.h"

#include <algorithm>
#include <vector>

namespace {

// The longest binary column with a length: VARBINARY(8000).
constexpr std::int32_t longest_sized_binary = 8000;
// The bytes of a value shown in a report.
constexpr std::uint32_t shown_bytes = 32;

// The date-time functions a server keeps as a column's default.
bool is_date_time_function(const std::wstring& text)
{
    const wchar_t* const functions[] = {L"getdate()",        L"getutcdate()",        L"sysdatetime()",
                                        L"sysutcdatetime()", L"sysdatetimeoffset()", L"current_timestamp"};
    return std::any_of(std::begin(functions), std::end(functions),
                       [&](const wchar_t* function) { return udb_same_name(text, function); });
}

// The value of a NOT NULL column without a default.
ole_variant zero_of(const t_ftd& column)
{
    if (udb_is_binary_type(column.vartype))
        return ole_variant(std::vector<BYTE>{});
    if (column.vartype == VT_BSTR)
        return ole_variant(std::wstring(mss_is_guid_column(column) ? L"00000000-0000-0000-0000-000000000000" : L""));
    if (column.vartype == VT_DATE)
        return ole_variant(ole_date(std::string("0000-00-00 00:00:00")));
    try {
        ole_variant zero(std::int32_t{0});
        zero.change_type(column.vartype);
        return zero;
    } catch (const tk_exception&) {
        return ole_variant();
    }
}

// The default as a value of the column's kind: a date-time function stays
// the server's, a date text is read as a date, a plain decimal number as a
// number (an exact number keeps its text); what is none of these is unheld.
mss_null_substitute default_of(const t_ftd& column)
{
    const ole_variant& given = column.default_value;
    if (column.vartype == VT_BSTR)
        return {mss_null_rule::value, ole_variant(given.to_wstring())};
    if (given.get_type() != VT_BSTR)
        return {mss_null_rule::value, given};
    const std::wstring text = tk_trim(given.to_wstring());
    if (column.vartype == VT_DATE) {
        if (is_date_time_function(text))
            return {mss_null_rule::server_function, ole_variant(text)};
        if (mss_is_unheld_date_text(text))
            return {mss_null_rule::unheld, given};
        return {mss_null_rule::value, ole_variant(ole_date(text))};
    }
    if (!udb_is_number_type(column.vartype))
        return {mss_null_rule::value, given};
    if (!mss_is_decimal_text(text))
        return {mss_null_rule::unheld, given};
    if (column.vartype == VT_DECIMAL)
        return {mss_null_rule::value, given};
    try {
        ole_variant number = ole_variant::from_wstring(text, column.vartype);
        if (number.get_type() != column.vartype)
            return {mss_null_rule::unheld, given};
        return {mss_null_rule::value, number};
    } catch (const tk_exception&) {
        return {mss_null_rule::unheld, given};
    }
}

std::uint32_t server_byte_room(const t_ftd& column)
{
    const bool sized = column.size >= 1 && column.size <= longest_sized_binary;
    return udb_is_binary_type(column.vartype) && sized ? static_cast<std::uint32_t>(column.size) : 0;
}

[[noreturn]] void refuse_bytes(const BYTE* bytes, std::uint32_t count, std::uint32_t room, const std::wstring& column)
{
    const std::uint32_t shown = std::min(count, shown_bytes);
    std::wstring hex(2 * shown + 1, L'\0');
    tk_bin_to_hex(shown, bytes, hex.data());
    hex.resize(2 * shown);
    throw tk_exception(L"The value of column '" + column + L"' needs " + std::to_wstring(count) +
                           L" bytes, the column holds " + std::to_wstring(room) + L": 0x" + hex +
                           (shown < count ? L"..." : L""),
                       0);
}

}  // namespace

mss_null_substitute mss_null_substitute_of(const t_ftd& column)
{
    if (!column.b_not_null)
        return {};
    const VARTYPE given = column.default_value.get_type();
    const bool has_default = given != VT_EMPTY && given != VT_NULL &&
                             column.default_form != udb_default_form::expression && !udb_is_binary_type(column.vartype);
    if (has_default)
        return default_of(column);
    ole_variant zero = zero_of(column);
    if (zero.get_type() == VT_EMPTY)
        return {};
    return {mss_null_rule::value, std::move(zero)};
}

mss_column_plan mss_plan_column(const t_ftd& column, mss_column_origin origin)
{
    mss_column_plan plan;
    if (origin == mss_column_origin::created_by_run) {
        plan.text_room = mss_text_length(column);
        plan.byte_room = mss_binary_length(column);
    } else {
        plan.text_room = mss_server_text_room(column);
        plan.byte_room = server_byte_room(column);
    }
    plan.null = mss_null_substitute_of(column);
    return plan;
}

std::vector<mss_column_plan> mss_plan_table(const udb_schema& schema, mss_column_origin origin)
{
    std::vector<mss_column_plan> plans;
    plans.reserve(schema.size());
    for (const t_ftd* column : schema)
        plans.push_back(mss_plan_column(*column, origin));
    return plans;
}

void mss_check_value_fits(const udb_field& field, const mss_column_plan& plan, const std::wstring& column)
{
    if (plan.text_room != 0)
        mss_check_field_fits(field, plan.text_room, column);
    if (plan.byte_room == 0 || !udb_is_binary_type(field.get_type()))
        return;
    const BYTE* bytes = nullptr;
    std::string unused;
    const std::uint32_t count = field.get_bytes1(bytes, unused);
    if (count > plan.byte_room && !udb_custom_conversion::is_acceptable2(field))
        refuse_bytes(bytes, count, plan.byte_room, column);
}

bool mss_is_guid_rule_type(const std::wstring& native_type)
{
    return udb_same_name(tk_trim_view(native_type), L"uniqueidentifier");
}
