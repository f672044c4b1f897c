#include "mysql/column_refinement.h"

#include "mysql/column_types.h"
#include "platform/compare_string.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"

#include <cwchar>
#include <initializer_list>

namespace {

// What a default function gives: the current date, time of day, or both.
enum class current_moment { none, date, time, date_time };

// MySQL writes CURRENT_TIMESTAMP or curdate(), MariaDB current_timestamp(),
// current_timestamp(6) or curtime(3); an expression default may stand in
// parentheses.
current_moment current_moment_of(std::wstring text)
{
    if (text.size() > 2 && text.front() == L'(' && text.back() == L')')
        text = text.substr(1, text.size() - 2);
    const std::size_t open = text.find(L'(');
    if (open != std::wstring::npos &&
        (text.back() != L')' || text.find_first_not_of(L"0123456789", open + 1) != text.size() - 1))
        return current_moment::none;
    const std::wstring name = text.substr(0, open);
    const auto one_of = [&](std::initializer_list<const wchar_t*> names) {
        for (const wchar_t* candidate : names)
            if (platform::equal_ignoring_case(name, candidate))
                return true;
        return false;
    };
    if (one_of({L"curdate", L"current_date"}))
        return current_moment::date;
    if (one_of({L"curtime", L"current_time"}))
        return current_moment::time;
    if (one_of({L"current_timestamp", L"now", L"localtimestamp", L"localtime", L"sysdate"}))
        return current_moment::date_time;
    return current_moment::none;
}

// b'101' as a number; none when the text is no bit literal.
bool bit_literal(const std::wstring& text, std::uint64_t& value)
{
    if (text.size() < 3 || (text[0] != L'b' && text[0] != L'B') || text[1] != L'\'' || text.back() != L'\'')
        return false;
    value = 0;
    for (std::size_t i = 2; i + 1 < text.size(); ++i) {
        if (text[i] != L'0' && text[i] != L'1')
            return false;
        value = value << 1 | static_cast<std::uint64_t>(text[i] - L'0');
    }
    return true;
}

// Subtypes of date and time columns; 8 more marks a default of the current moment.
constexpr std::uint32_t subtype_date = 2;
constexpr std::uint32_t subtype_time = 3;
constexpr std::uint32_t subtype_current_timestamp = 9;
constexpr std::uint32_t subtype_current_date = 10;
constexpr std::uint32_t subtype_current_time = 11;

// The subtype for a default of the current moment, or 0 when the column
// cannot take that moment as a default of its own kind.
std::uint32_t current_subtype(std::uint32_t subtype, current_moment moment)
{
    switch (subtype & 3) {
    case subtype_date:
        return moment == current_moment::date || moment == current_moment::date_time ? subtype_current_date : 0;
    case subtype_time:
        return moment == current_moment::time || moment == current_moment::date_time ? subtype_current_time : 0;
    default: return moment == current_moment::date_time ? subtype_current_timestamp : 0;
    }
}

void refine_date_default(t_ftd& column, const std::wstring& text)
{
    // A NOT NULL column stays so, to carry a key: a zero date, as a value
    // or as the default, is written as the destination's base date.
    if (text.empty()) {
        tk_log(2, "Skip empty def.values for date column");
        return;
    }
    const current_moment moment = current_moment_of(text);
    if (const std::uint32_t subtype = current_subtype(column.dw_reserved, moment); subtype != 0) {
        tk_log(2, "Special processing for CURRENT_TIMESTAMP");
        column.dw_reserved = subtype;
        return;
    }
    // A date, a time or an expression stays as the server wrote it: the
    // destination decides whether it can be written.
    column.default_value = ole_variant(text);
}

// The value of a quoted literal as MariaDB writes it: a doubled quote or a
// backslash escape stands for one character.
std::wstring unquoted(const std::wstring& text)
{
    std::wstring value;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\'' && i + 2 < text.size() && text[i + 1] == L'\'') {
            ++i;
        } else if (c == L'\\' && i + 2 < text.size()) {
            c = text[++i];
            switch (c) {
            case L'0': c = L'\0'; break;
            case L'b': c = L'\b'; break;
            case L'n': c = L'\n'; break;
            case L'r': c = L'\r'; break;
            case L't': c = L'\t'; break;
            case L'Z': c = L'\x1A'; break;
            case L'%':
            case L'_': value += L'\\'; break;  // kept with their backslash, as in a LIKE pattern
            default: break;
            }
        }
        value += c;
    }
    return value;
}

// A number, a bit value b'..' or a hexadecimal x'..' / 0x.. as the server
// writes a literal default of a number or bit column.
bool is_bare_literal(const std::wstring& text)
{
    if (text.empty())
        return false;
    if (text.size() >= 3 && text[1] == L'\'' && text.back() == L'\'' &&
        (text[0] == L'b' || text[0] == L'B' || text[0] == L'x' || text[0] == L'X'))
        return true;
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X'))
        return text.find_first_not_of(L"0123456789abcdefABCDEF", 2) == std::wstring::npos;
    std::size_t i = text[0] == L'-' || text[0] == L'+' ? 1 : 0;
    bool digits = false, point = false, exponent = false;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c >= L'0' && c <= L'9') {
            digits = true;
        } else if (c == L'.' && !point && !exponent) {
            point = true;
        } else if ((c == L'e' || c == L'E') && digits && !exponent) {
            exponent = true;
            digits = false;
            if (i + 1 < text.size() && (text[i + 1] == L'-' || text[i + 1] == L'+'))
                ++i;
        } else {
            return false;
        }
    }
    return digits;
}

// MySQL 8 keeps a text default of a BLOB or TEXT column as an expression,
// a literal behind a character-set introducer: _utf8mb4\'abc\' or
// _latin1'abc' stand for the text abc.
std::optional<std::wstring> introduced_literal(const std::wstring& text)
{
    if (text.size() < 2 || text[0] != L'_')
        return std::nullopt;
    const std::size_t start = text.find_first_not_of(L"abcdefghijklmnopqrstuvwxyz0123456789_");
    if (start == std::wstring::npos)
        return std::nullopt;
    const std::wstring literal = text.substr(start);
    if (literal.size() >= 4 && literal.starts_with(L"\\'") && literal.ends_with(L"\\'")) {
        std::wstring value;
        for (std::size_t i = 2; i + 2 < literal.size(); ++i) {
            if (literal[i] == L'\\' && i + 3 < literal.size())
                ++i;
            value += literal[i];
        }
        return value;
    }
    if (literal.size() >= 2 && literal.front() == L'\'' && literal.back() == L'\'')
        return unquoted(literal);
    return std::nullopt;
}

}  // namespace

sql_declared_default sql_quoted_default(const std::optional<std::wstring>& reported)
{
    if (!reported || platform::equal_ignoring_case(*reported, L"NULL"))
        return {};
    const std::wstring& text = *reported;
    if (text.size() >= 2 && text.front() == L'\'' && text.back() == L'\'')
        return {true, false, unquoted(text)};
    return {true, !is_bare_literal(text), text};
}

sql_declared_default sql_shown_default(const std::optional<std::wstring>& shown, const std::wstring& extra)
{
    if (!shown)
        return {};
    tk_wstring lower(extra);
    lower.to_lower();
    if (lower.find(L"default_generated") == std::wstring::npos)
        return {true, false, *shown};
    if (const std::optional<std::wstring> value = introduced_literal(*shown))
        return {true, false, *value};
    return {true, true, *shown};
}

void sql_refine_default(t_ftd& column, const sql_declared_default& declared)
{
    if (!declared.declared) {
        sql_refine_default(column, std::wstring());
        return;
    }
    if (declared.expression) {
        tk_log(2, L"Got default expression: %ls", declared.text.c_str());
        if (column.vartype == VT_DATE) {
            const std::uint32_t subtype = current_subtype(column.dw_reserved, current_moment_of(declared.text));
            if (subtype != 0) {
                tk_log(2, "Special processing for CURRENT_TIMESTAMP");
                column.dw_reserved = subtype;
                return;
            }
        }
        column.default_value = ole_variant(declared.text);
        column.default_form = udb_default_form::expression;
        return;
    }
    if (declared.text.empty() && column.vartype == VT_BSTR) {
        // An empty text is a default of its own, not the lack of one.
        tk_log(2, "Got default value: ''");
        column.default_value = ole_variant(std::wstring());
        column.default_form = udb_default_form::literal;
        return;
    }
    sql_refine_default(column, declared.text);
    if (column.default_value.get_type() != VT_EMPTY)
        column.default_form = udb_default_form::literal;
}

void sql_refine_type(t_ftd& column, const std::wstring& type_text)
{
    int size = 0, precision = 0, scale = 0;
    if (std::swscanf(type_text.c_str(), L"varchar(%d)", &size) == 1) {
        tk_log(2, "Refining type/size for varchar(%d)", size);
        column.vartype = VT_BSTR;
        column.size = size;
    } else if (std::swscanf(type_text.c_str(), L"float(%d,%d)", &precision, &scale) == 2) {
        tk_log(2, "Refining type for FLOAT(%d,%d)", precision, scale);
        if (precision != 0 && scale != 0 && precision > scale) {
            column.vartype = VT_DECIMAL;
            column.precision = precision;
            column.scale = scale;
        }
    } else if (std::swscanf(type_text.c_str(), L"char(%d)", &size) == 1) {
        // The field description counts bytes: four a character in utf8mb4.
        tk_log(2, "Refining size for char(%d)", size);
        column.size = size;
    } else if (tk_ends_with(type_text, L"text", true) || tk_ends_with(type_text, L"TEXT", true)) {
        tk_log(2, "Change type from BLOB to TEXT");
        column.vartype = VT_BSTR;
    }
}

void sql_refine_default(t_ftd& column, const std::wstring& text)
{
    tk_log(2, L"Got default value: %ls", text.c_str());
    if (!column.b_not_null && text.empty())
        return;
    tk_log(2, "Default value's type: %08X", static_cast<unsigned>(column.vartype));
    std::uint64_t bits = 0;
    switch (column.vartype) {
    case VT_DATE: refine_date_default(column, text); break;
    case VT_BOOL:
        tk_log(2, "Special processing for boolean");
        if (platform::equal_ignoring_case(text, L"b'0'"))
            column.default_value = ole_variant(false);
        else if (platform::equal_ignoring_case(text, L"b'1'"))
            column.default_value = ole_variant(true);
        break;
    case VT_BSTR: column.default_value = ole_variant(text); break;
    case VT_BLOB:
    case VT_BLOB_OBJECT:
    case ole_vt_bytes: {
        // The default of a binary column is its bytes, not hexadecimal digits.
        std::string bytes = tk_unicode_to_utf8(text);
        column.default_value =
            ole_variant(static_cast<std::uint32_t>(bytes.size()), reinterpret_cast<const std::uint8_t*>(bytes.data()));
        break;
    }
    default:
        if (bit_literal(text, bits))
            column.default_value = ole_variant(bits);
        else
            column.default_value = ole_variant::from_wstring(text, column.vartype);
        break;
    }
}
