#include "mysql/sql_literals.h"

#include "model/column_descriptor.h"
#include "model/custom_conversion.h"
#include "model/field.h"
#include "platform/code_page.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "variant/ole_date.h"
#include "variant/ole_variant.h"

#include <algorithm>
#include <charconv>

namespace {

template <class Char>
std::basic_string<Char> masked(std::basic_string_view<Char> text)
{
    std::basic_string<Char> result;
    result.reserve(text.size() + 2);
    for (Char c : text) {
        if (c == Char('\\') || c == Char('\'')) {
            result += Char('\\');
            result += c;
        } else if (c == Char('\0')) {
            result += Char('\\');
            result += Char('0');
        } else {
            result += c;
        }
    }
    return result;
}

template <class Char>
std::basic_string<Char> quoted(std::basic_string_view<Char> text)
{
    return Char('\'') + masked(text) + Char('\'');
}

template <class Char>
bool is_digit(Char c)
{
    return c >= Char('0') && c <= Char('9');
}

template <class Char>
bool is_hex_digit(Char c)
{
    return is_digit(c) || (c >= Char('a') && c <= Char('f')) || (c >= Char('A') && c <= Char('F'));
}

template <class Char>
bool is_number(std::basic_string_view<Char> text)
{
    std::size_t at = 0;
    if (at < text.size() && (text[at] == Char('+') || text[at] == Char('-')))
        ++at;
    std::size_t digits = 0;
    for (; at < text.size() && is_digit(text[at]); ++at)
        ++digits;
    if (at < text.size() && text[at] == Char('.'))
        for (++at; at < text.size() && is_digit(text[at]); ++at)
            ++digits;
    if (digits == 0)
        return false;
    if (at < text.size() && (text[at] == Char('e') || text[at] == Char('E'))) {
        ++at;
        if (at < text.size() && (text[at] == Char('+') || text[at] == Char('-')))
            ++at;
        std::size_t exponent = 0;
        for (; at < text.size() && is_digit(text[at]); ++at)
            ++exponent;
        if (exponent == 0)
            return false;
    }
    return at == text.size();
}

template <class Char>
bool is_binary_number(std::basic_string_view<Char> text)
{
    if (text.size() < 2 || !is_digit(text[0]))
        return false;
    if (text[0] == Char('0') && (text[1] == Char('x') || text[1] == Char('X')))
        return text.size() > 2 && std::all_of(text.begin() + 2, text.end(), is_hex_digit<Char>);
    return std::all_of(text.begin() + 1, text.end(), is_digit<Char>);
}

bool is_binary_type(VARTYPE type)
{
    return type == VT_BLOB || type == VT_BLOB_OBJECT || type == ole_vt_bytes;
}

// The shortest text that reads back as the same float: seven digits are
// not always enough.
std::string float_text(float value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string date_text(const std::string& text)
{
    return ole_date(text).to_script_text(6);
}
std::wstring date_text(const std::wstring& text)
{
    return ole_date(text).to_wstring(6);
}

template <class Char>
std::basic_string<Char> literal(const std::basic_string<Char>& text, VARTYPE type)
{
    using string = std::basic_string<Char>;
    using view = std::basic_string_view<Char>;
    if (type < VT_I2) {
        tk_log(1, "******* NULL VALUE ******");
        return {Char('N'), Char('U'), Char('L'), Char('L')};
    }
    if (text.empty())
        return {Char('\''), Char('\'')};
    if (type == VT_DATE) {
        // A text that is no date goes as it is: the server refuses it rather
        // than this side dropping it.
        string printed = date_text(text);
        return quoted<Char>(printed.empty() ? view(text) : view(printed));
    }
    if (is_binary_type(type)) {
        tk_log(1, "GOT BLOB");
        if (is_binary_number<Char>(text)) {
            tk_log(1, "BLOB IS VALID");
            return text;
        }
        return quoted<Char>(text);
    }
    // Numbers stand bare; any other text only in quotes, so that it cannot
    // become part of the statement.
    if (type != VT_BSTR && is_number<Char>(text))
        return text;
    return quoted<Char>(text);
}

std::string default_literal(const t_ftd& column)
{
    std::wstring text = column.default_value.to_wstring();
    return text.empty() ? std::string() : sql_utf8(to_mysql_wstr(text, column.vartype));
}

// The text for a value the row does not give.
std::string missing_value(const t_ftd& column)
{
    if (!column.b_not_null) {
        tk_log(1, "Put NULL-field");
        return "NULL";
    }
    tk_log(1, "Put default value");
    std::string value = default_literal(column);
    return value.empty() ? "DEFAULT" : value;
}

}  // namespace

std::string sql_mask(std::string_view text)
{
    return masked(text);
}
std::wstring sql_mask(std::wstring_view text)
{
    return masked(text);
}
bool sql_is_number(std::wstring_view text)
{
    return is_number(text);
}
bool sql_is_binary_number(std::wstring_view text)
{
    return is_binary_number(text);
}

bool sql_is_time_column(const t_ftd& column)
{
    return column.vartype == VT_DATE && (column.dw_reserved & 3) == ole_date::kind_time;
}

std::string sql_utf8(std::wstring_view text)
{
    std::string result;
    WideCharToMultiByte(CP_UTF8, text, result);
    return result;
}

std::string sql_field_utf8(const udb_field& field)
{
    if (field.get_type() != VT_BSTR)
        return sql_utf8(field.to_wstring());
    // The piecewise reader is the one that sees past a zero character.
    constexpr std::uint32_t piece = 1 << 20;
    std::string text;
    std::uint32_t read = 0;
    do {
        const std::size_t start = text.size();
        text.resize(start + piece);
        read = field.get_at(text.data() + start, static_cast<std::uint32_t>(start), piece);
        text.resize(start + read);
    } while (read != 0);
    return text;
}

std::string to_mysql_str(const std::string& text, VARTYPE type)
{
    tk_log(1, "to_mysql_str(%s)", text.c_str());
    return literal(text, type);
}

std::wstring to_mysql_wstr(const std::wstring& text, VARTYPE type)
{
    tk_log(1, L"to_mysql_wstr(%ls)", text.c_str());
    return literal(text, type);
}

std::string to_mysql_str(const udb_field* field)
{
    tk_log(1, "to_mysql_str");
    if (field == nullptr)
        throw tk_mail_assertion("sql_util", 907);
    if (field->get_type() == VT_BSTR)
        return to_mysql_str(sql_field_utf8(*field), VT_BSTR);
    if (field->get_type() == VT_R4)
        return to_mysql_str(float_text(field->to_float()), VT_R4);
    if (field->get_type() != ole_vt_bytes)
        return to_mysql_str(field->to_string(), field->get_type());
    tk_log(1, "special processing for BLOBs");
    std::string hex = field->to_string();
    tk_log(1, "to_mysql_str - at the END");
    // An empty byte array is a value of its own, neither NULL nor a number.
    return hex.empty() ? "X''" : hex;
}

std::string to_mysql_str(const udb_field* field, const t_ftd* column)
{
    if (field == nullptr || column == nullptr || field->get_type() != VT_DATE || column->vartype != VT_DATE ||
        sql_is_time_column(*column))
        return to_mysql_str(field);
    // Printed with its date part, a zero one included.
    const std::string text = field->to_string();
    const std::string printed = ole_date(text).to_string(6);
    return quoted<char>(printed.empty() ? text : printed);
}

std::string get_fld_append_str(const udb_field* field, const t_ftd* column, bool placeholders)
{
    tk_log(1, "get_fld_append_str");
    if (field == nullptr)
        throw tk_mail_assertion("sql_util", 1138);
    if (column == nullptr)
        throw tk_mail_assertion("sql_util", 1139);
    VARTYPE type = field->get_type();
    if (placeholders && type >= VT_I2) {
        tk_log(1, "fld->get_size()=%d", static_cast<int>(field->get_size()));
        if (field->get_size() > sql_long_data_threshold) {
            tk_log(1, "Returns placeholder for prepared statement");
            return "?";
        }
    }
    if (udb_custom_conversion::is_acceptable2(*field)) {
        tk_log(1, "udb_custom_conversion::is_acceptable");
        return sql_utf8(udb_custom_conversion::handle2(*field));
    }
    if (type < VT_I2)
        return missing_value(*column);
    if (column->vartype == VT_BSTR) {
        std::string text = sql_field_utf8(*field);
        tk_log(1, "Got BSTR value: %s, flags=%d", text.c_str(), static_cast<int>(column->dw_reserved));
        if (column->dw_reserved == 2 || column->dw_reserved == 8)
            return "ST_GeomFromText(" + literal(text, VT_BSTR) + ")";
        return to_mysql_str(text, type);
    }
    std::string value = to_mysql_str(field, column);
    if (ole_variant::is_numeric_type(column->vartype) && !ole_variant::is_numeric_type(type))
        value = to_mysql_str(field->to_string(), column->vartype);
    tk_log(1, "Got field: %s, type=%08X", value.c_str(), static_cast<unsigned>(type));
    if (value != "''" || is_binary_type(column->vartype))
        return value;
    if (!column->b_not_null)
        return missing_value(*column);
    std::string fallback = default_literal(*column);
    if (!fallback.empty())
        return fallback;
    return ole_variant::is_numeric_type(type) ? "0" : value;
}
