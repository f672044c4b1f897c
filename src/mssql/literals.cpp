#include "mssql/literals.h"

#include "model/column_descriptor.h"
#include "model/custom_conversion.h"
#include "model/field.h"
#include "mssql/date_range.h"
#include "mssql/mss_engine.h"
#include "mssql/quoting.h"
#include "mssql/value_changes.h"
#include "mssql/write_plan.h"
#include "platform/compare_string.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"
#include "variant/ole_guid_extractor.h"
#include "variant/ole_variant.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace {

// The column's native type in lower case, in a buffer reused from call to
// call on the thread: it is asked for with every text and date value.
std::wstring_view lower_native_type(const t_ftd& column)
{
    thread_local std::wstring type;
    type.assign(column.native_type);
    std::transform(type.begin(), type.end(), type.begin(), platform::to_lower);
    return type;
}

// DATETIME2, TIME and DATETIMEOFFSET hold microseconds; DATETIME and
// SMALLDATETIME refuse more than milliseconds.
std::uint32_t date_precision(const t_ftd* column)
{
    if (!column)
        return 3;
    if (column->native_type.empty())
        return column->vartype == VT_DATE ? 6 : 3;
    const std::wstring_view type = lower_native_type(*column);
    const bool fine = type.find(L"datetime2") != std::wstring_view::npos ||
                      type.find(L"datetimeoffset") != std::wstring_view::npos || type.starts_with(L"time");
    return fine ? 6 : 3;
}

// Whether the date prints as it would after being read again from its text:
// a whole date whose milliseconds are derived from its microseconds, as the
// reading leaves them. Others are read again.
bool prints_as_read(const ole_date& date)
{
    const SYSTEMTIME& time = date.get_time();
    const bool whole_date = time.wYear != 0 && time.wMonth != 0 && time.wDay != 0;
    return (date.get_kind() == ole_date::kind_date || date.get_kind() == ole_date::kind_date_time) && whole_date &&
           time.wHour < 24 && time.wMilliseconds == date.get_microseconds() / 1000;
}

// Whether the column holds a time of day alone; without a column a value
// is written as it is.
bool holds_time_only(const t_ftd* column)
{
    if (!column)
        return true;
    if (!column->native_type.empty())
        return lower_native_type(*column).starts_with(L"time");
    return column->vartype != VT_DATE || (column->dw_reserved & 3) == 3;
}

std::string date_text(const std::string& text, const t_ftd* column)
{
    // The parser reads years of four digits only, so no year here passes 9999.
    const ole_date date(text);
    std::string result = date.to_script_text(date_precision(column));
    // A zero date with a time of day reads as a time alone; in a column of
    // dates and times it is the base date at that time, as bulk load writes it.
    if (date.get_kind() == ole_date::kind_time && !holds_time_only(column))
        result = "0000-00-00 " + result;
    const std::size_t zero_date = result.find("0000-00-00");
    if (zero_date != std::string::npos) {
        tk_log(2, "Null date has been found");
        result.replace(zero_date, 10, mss_base_date_text);
    }
    return result;
}

// The UTF-8 text of a text value, as to_string gives it: the bytes it was
// read as, or else encoded into one buffer reused from value to value; one
// that grew for a long text lets its storage go again at the next value.
const std::string& utf8_text(const ole_variant& value)
{
    if (const std::string* attached = value.attached_utf8())
        return *attached;
    constexpr std::size_t kept_capacity = 1 << 16;
    thread_local std::string text;
    if (text.capacity() > kept_capacity)
        std::string().swap(text);
    const BYTE* bytes = nullptr;
    if (value.get_bytes1(bytes, text) == 0)
        text.clear();
    return text;
}

}  // namespace

namespace {

// The value itself when MS SQL Server takes it as it is, else its
// replacement, kept in storage: most values are not copied. A date moved out
// of a year past 9999 is noted for the column; one the server cannot hold is
// refused for the column.
const ole_variant& safe_value(const ole_variant& value, std::optional<ole_variant>& storage, const t_ftd* column)
{
    tk_log(1, "mssql_get_safe_variant");
    tk_log(1, "ole_variant::get_type");
    tk_log(1, "vt=%d", static_cast<int>(value.get_type()));
    if (value.get_type() == VT_DATE) {
        SYSTEMTIME time;
        value.get_systemtime(time);
        const mss_date_fit fit = mss_fit_date(time, column);
        if (fit == mss_date_fit::past_last_year)
            return storage.emplace(ole_date(time));
        if (fit == mss_date_fit::unheld && column)
            throw mss_unheld_value(*column, value.to_wstring());
    } else if (value.get_type() == VT_R8) {
        const double number = value.to_double();
        if (number != 0) {
            return storage.emplace(mss_safe_double(number));
        }
    }
    tk_log(1, "mssql_get_safe_variant - DEFAULT");
    return value;
}

}  // namespace

tk_exception mss_unheld_value(const t_ftd& column, const std::wstring& value)
{
    return tk_exception(L"Column '" + column.name + L"': MS SQL Server cannot hold the value '" + value + L"'", 0);
}

bool mss_is_unheld_date_text(const std::wstring& text)
{
    return text.starts_with(L'-') || !ole_date(text).is_valid();
}

bool mss_is_decimal_text(const std::wstring& text)
{
    std::size_t i = text.starts_with(L'-') ? 1 : 0;
    std::size_t digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= L'0' && text[i] <= L'9')
            ++digits;
        else if (text[i] == L'.' && !point)
            point = true;
        else
            return false;
    }
    return digits > 0;
}

ole_variant mssql_get_safe_variant(const ole_variant& value)
{
    std::optional<ole_variant> storage;
    return safe_value(value, storage, nullptr);
}

namespace {

std::wstring text_literal(const std::wstring& text, VARTYPE vartype, const t_ftd* column, bool unicode)
{
    tk_log(1, L"to_mssql_str(%ls,%d), unicode=%d", text.c_str(), static_cast<int>(vartype), unicode ? 1 : 0);
    if (text.empty())
        return L"''";
    std::wstring value = text;
    if (vartype == VT_DATE) {
        const std::string date = date_text(tk_unicode_to_utf8(text), column);
        value.assign(date.begin(), date.end());
    }
    if (vartype == VT_BSTR && column && mss_is_guid_column(*column)) {
        const ole_guid_extractor guid(text);
        const std::wstring guid_text = guid.get_wstr();
        if (!guid_text.empty()) {
            tk_log(1, "BSTR IS AN GUID");
            return L"'" + mss_escape_literal(guid_text) + L"'";
        }
    }
    if (vartype == VT_BSTR)
        return mss_text_literal(value, unicode);
    value = mss_escape_literal(value);
    return ole_variant::is_date_or_string_type(vartype) ? L"'" + value + L"'" : value;
}

// A number the server keeps as a double is noted when that double is not
// the number read; the literal stays the one the mapping writes.
void note_float_value(const udb_field& field, const t_ftd& column)
{
    if (mss_is_float_value(field, column))
        mss_float_value(field, column);
}

void check_arguments(const udb_field* field, const t_ftd* column)
{
    if (!field)
        throw tk_mail_assertion("mss_util", 110);
    if (!column)
        throw tk_mail_assertion("mss_util", 111);
    tk_log(1, "mss_get_fld_append_str");
    tk_log(1, "fld->size=%d", static_cast<int>(field->size));
}

// A DECIMAL value carried as its exact text is written bare; a text in a
// decimal column that is no number is refused.
std::wstring exact_number_literal(const std::wstring& text, const t_ftd& column)
{
    if (!mss_is_decimal_text(text))
        throw mss_unheld_value(column, text);
    return text;
}

// A text in a decimal or date column: a value that reading kept as its
// source text because its type could not hold it exactly, or a date text.
bool is_kept_text(VARTYPE vartype, const t_ftd& column)
{
    return vartype == VT_BSTR && (column.vartype == VT_DECIMAL || column.vartype == VT_DATE);
}

void append_utf8(std::string& result, const std::wstring& text)
{
    result += tk_unicode_to_utf8(text);
}

// The literal of a value that has text, in UTF-8; an empty number's text or
// '' stands for the column's NULL, which the caller puts in its place.
void append_value_literal(std::string& result, const udb_field& field, VARTYPE vartype, const t_ftd& column,
                          bool unicode)
{
    tk_log(1, L"Before mssql_get_safe_variant: %ls", field.to_wstring().c_str());
    // The narrow text of a value is the UTF-8 form of its wide one. The
    // replacement's room is reused: made anew for every value, its zeroing
    // cost more than the rest of a number's literal.
    thread_local std::optional<ole_variant> storage;
    storage.reset();
    const ole_variant& safe = safe_value(field, storage, &column);
    if (vartype == VT_DATE && prints_as_read(safe.get_date())) {
        // Printed as it was read, straight into the statement.
        result += '\'';
        safe.get_date().append_script_text(result, date_precision(&column));
        result += '\'';
    } else if (ole_variant::is_numeric_type(vartype)) {
        // A number's text holds no apostrophe; none at all stands for NULL.
        safe.append_string(result);
    } else {
        std::string printed;
        const std::string& text = vartype == VT_BSTR ? utf8_text(safe) : printed = safe.to_string();
        tk_log(1, L"to_mssql_str(%ls,%d), unicode=%d", tk_utf8_to_unicode(text).c_str(), static_cast<int>(vartype),
               unicode ? 1 : 0);
        if (text.empty()) {
            result += "''";
        } else if (vartype == VT_BSTR) {
            mss_append_text_literal(result, text, unicode);
        } else if (vartype == VT_DATE) {
            result += '\'';
            mss_append_escaped_literal(result, date_text(text, &column));
            result += '\'';
        } else if (ole_variant::is_date_or_string_type(vartype)) {
            result += '\'';
            mss_append_escaped_literal(result, text);
            result += '\'';
        } else {
            mss_append_escaped_literal(result, text);
        }
    }
}

// Appends the literal of the field's own value, without a custom conversion
// rule; false, with nothing appended, for a value that stands for NULL.
bool append_value(std::string& result, const udb_field& field, VARTYPE vartype, const t_ftd& column, bool unicode)
{
    if (udb_is_binary_type(vartype)) {
        tk_log(1, "Simplify processing BLOBs");
        if (field.get_size() == 0)
            result += "0x";
        else
            field.append_string(result);
        return true;
    }
    if (is_kept_text(vartype, column)) {
        const std::wstring text = field.to_wstring();
        if (column.vartype == VT_DECIMAL) {
            append_utf8(result, exact_number_literal(text, column));
            note_float_value(field, column);
            return true;
        }
        if (mss_is_unheld_date_text(text))
            throw mss_unheld_value(column, text);
    }
    if (vartype == VT_BSTR && mss_is_guid_column(column)) {
        append_utf8(result, text_literal(field.to_wstring(), vartype, &column, unicode));
        return true;
    }
    // A value without text writes nothing: it takes the column's NULL.
    if (vartype == VT_EMPTY || vartype == VT_NULL)
        return false;
    const std::size_t start = result.size();
    append_value_literal(result, field, vartype, column, unicode);
    tk_log(1, L"Got string after mssql_get_safe_variant: %ls", tk_utf8_to_unicode(result.substr(start)).c_str());
    if (result.size() == start || (vartype != VT_BSTR && std::string_view(result).substr(start) == "''")) {
        result.resize(start);
        return false;
    }
    note_float_value(field, column);
    return true;
}

// What a NULL (or an empty non-text value) becomes in the column, as the
// column's plan decides it: a statement writes a date-time function default
// itself.
void append_null_literal(std::string& result, const t_ftd& column, bool unicode)
{
    tk_log(1, "Put NULL-field");
    if (!column.b_not_null) {
        result += "NULL";
        return;
    }
    const mss_null_substitute substitute = mss_null_substitute_of(column);
    switch (substitute.rule) {
    case mss_null_rule::null: result += "NULL"; return;
    case mss_null_rule::server_function: append_utf8(result, substitute.value.to_wstring()); return;
    case mss_null_rule::unheld: throw mss_unheld_value(column, substitute.value.to_wstring());
    case mss_null_rule::value: break;
    }
    if (!append_value(result, udb_field(column.name, 0, substitute.value), substitute.value.get_type(), column,
                      unicode))
        result += "NULL";
}

}  // namespace

std::wstring to_mssql_str(const std::wstring& text, VARTYPE vartype, const t_ftd* column)
{
    return text_literal(text, vartype, column, mss_engine::instance().unicode);
}

// The statements of the direct path take the script's literal: one builder
// decides every value.
std::wstring mss_get_fld_append_str(const udb_field* field, const t_ftd* column)
{
    std::string literal;
    mss_append_fld_literal(literal, field, column, mss_engine::instance().unicode);
    return tk_utf8_to_unicode(literal);
}

void mss_append_fld_literal(std::string& result, const udb_field* field, const t_ftd* column, bool unicode)
{
    check_arguments(field, column);
    const VARTYPE vartype = field->get_type();
    // Bytes are written as they are, whatever rule a value of another type takes.
    if (!udb_is_binary_type(vartype) && udb_custom_conversion::is_acceptable2(*field)) {
        append_utf8(result, udb_custom_conversion::handle2(*field));
        return;
    }
    if (!append_value(result, *field, vartype, *column, unicode))
        append_null_literal(result, *column, unicode);
}
