#include "mssql/value_changes.h"

#include "model/column_descriptor.h"
#include "mssql/type_mapping.h"
#include "toolkit/error_handler.h"
#include "variant/ole_variant.h"

#include <charconv>
#include <string>
#include <string_view>

namespace {

constexpr double smallest_double = 2.23e-308;
constexpr double largest_double = 1.79e308;

// A number's text as sign, significant digits and the exponent of its
// first digit, so that equal numbers compare equal whatever their spelling.
struct decimal_digits {
    bool negative = false;
    std::string digits;
    long exponent = 0;

    bool operator==(const decimal_digits&) const = default;
};

decimal_digits digits_of(std::string_view text)
{
    long power = 0;
    if (const std::size_t e = text.find_first_of("eE"); e != std::string_view::npos) {
        std::string_view exponent = text.substr(e + 1);
        if (exponent.starts_with('+'))
            exponent.remove_prefix(1);
        std::from_chars(exponent.data(), exponent.data() + exponent.size(), power);
        text = text.substr(0, e);
    }
    decimal_digits result;
    result.negative = text.starts_with('-');
    if (result.negative || text.starts_with('+'))
        text.remove_prefix(1);
    const std::size_t point = text.find('.');
    const auto whole = static_cast<long>(point == std::string_view::npos ? text.size() : point);
    for (char c : text)
        if (c != '.')
            result.digits += c;
    const std::size_t leading = result.digits.find_first_not_of('0');
    if (leading == std::string::npos)
        return {};
    result.digits.erase(0, leading);
    result.digits.erase(result.digits.find_last_not_of('0') + 1);
    result.exponent = whole + power - static_cast<long>(leading);
    return result;
}

// The shortest text that reads back as the number, in the form of %g.
std::string shortest_text(double number)
{
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof(buffer), number, std::chars_format::general);
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

std::wstring wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

void note(const t_ftd& column, const std::wstring& read, double written)
{
    mss_note_changed_value(column, read, wide(shortest_text(written)));
}

}  // namespace

void mss_note_changed_value(const t_ftd& column, const std::wstring& read, const std::wstring& written)
{
    if (error_handler::is_initialized())
        error_handler::instance().note_changed_value({column.name, read, written});
}

double mss_safe_double(double number)
{
    if (number > 0) {
        if (number <= smallest_double)
            return smallest_double;
        return number >= largest_double ? largest_double : number;
    }
    if (number == 0)
        return number;
    // A NaN counts as negative and ends at the lowest value.
    if (number >= -smallest_double)
        return -smallest_double;
    if (!(number > -largest_double))
        return -largest_double;
    return number;
}

bool mss_is_float_value(const ole_variant& value, const t_ftd& column)
{
    const VARTYPE type = value.get_type();
    return type == VT_R8 || (mss_is_float_decimal(column) && (type == VT_DECIMAL || type == VT_CY || type == VT_BSTR));
}

double mss_float_value(const ole_variant& value, const t_ftd& column)
{
    if (value.get_type() == VT_R8) {
        const double read = value.to_double();
        const double written = mss_safe_double(read);
        if (written != read)
            note(column, wide(shortest_text(read)), written);
        return written;
    }
    const std::string text = value.to_string();
    double read = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (error != std::errc() || end != text.data() + text.size())
        return value.to_double();
    const double written = mss_safe_double(read);
    if (digits_of(text) != digits_of(shortest_text(written)))
        note(column, value.to_wstring(), written);
    return written;
}
