// ole_variant type change in place and parsing from text.
#include "platform/compare_string.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"
#include "variant/float_range.h"
#include "variant/leading_number.h"
#include "variant/ole_exceptions.h"
#include "variant/ole_variant.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

namespace {

// The largest whole number a currency holds.
constexpr std::int64_t max_currency_units = std::numeric_limits<std::int64_t>::max() / 10000;

bool is_binary_family(VARTYPE type)
{
    return type == VT_BLOB || type == VT_BLOB_OBJECT || type == ole_vt_bytes;
}

bool is_one_of(const std::string& text, std::initializer_list<const char*> words)
{
    return std::any_of(words.begin(), words.end(), [&](const char* word) {
        return platform::equal_ignoring_ascii_case(std::string_view(text), std::string_view(word));
    });
}

template <class Char>
int hex_digit(Char c)
{
    static constexpr std::string_view upper = "0123456789ABCDEF";
    static constexpr std::string_view lower = "0123456789abcdef";
    if (c < 0 || c > 127)
        return -1;
    const std::size_t position = upper.find(static_cast<char>(c));
    if (position != std::string_view::npos)
        return static_cast<int>(position);
    const std::size_t lower_position = lower.find(static_cast<char>(c));
    return lower_position == std::string_view::npos ? -1 : static_cast<int>(lower_position);
}

// A binary value from hexadecimal digits, optionally after "0x" or "\x".
template <class Char>
ole_variant binary_from_hex(std::basic_string_view<Char> text, VARTYPE type)
{
    tk_log(1, "GOT BLOB");
    if (text.empty()) {
        tk_log(1, "Empty BLOB");
        return ole_variant();
    }
    if (text.size() % 2 != 0) {
        tk_log(2, "Incorrect BLOB (size is odd)");
        return ole_variant();
    }
    const bool prefix = (text[0] == '0' || text[0] == '\\') && (text[1] == 'x' || text[1] == 'X');
    if (prefix)
        tk_log(1, "b_prefix=true");
    const std::size_t count = text.size() / 2 - (prefix ? 1 : 0);
    tk_log(1, "Got BLOB size: %zu", count);
    std::vector<BYTE> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 2 * (i + (prefix ? 1 : 0));
        const int high = hex_digit(text[at]);
        const int low = hex_digit(text[at + 1]);
        if (high < 0 || low < 0) {
            tk_log(2, "Incorrect BLOB (not a hexadecimal digit)");
            return ole_variant();
        }
        bytes[i] = static_cast<BYTE>(high * 16 + low);
    }
    ole_variant result(bytes);
    result.change_type(type);
    if (tk_log_accepts(1))
        tk_log(1, "Before return: res=%s", result.to_string().c_str());
    return result;
}

ole_variant bool_from_text(const std::string& text)
{
    if (is_one_of(text, {"1", "yes", "t", "true"}))
        return ole_variant(true);
    if (is_one_of(text, {"0", "no", "f", "false"}))
        return ole_variant(false);
    return ole_variant(leading_int64(text) != 0);
}

// The text with ',' read as the decimal point.
std::string with_points(std::string text)
{
    std::replace(text.begin(), text.end(), ',', '.');
    return text;
}

// Wide text for the number parsers of locale 1033.
std::wstring wide_number_text(const std::string& text, std::uint32_t assertion_line)
{
    std::unique_ptr<wchar_t[]> wide;
    if (!tk_ansi_to_unicode1(text.c_str(), wide))
        throw tk_mail_assertion("ole_var", assertion_line);
    return wide.get();
}

// A decimal as the servers print DECIMAL values (a minus sign, digits and a
// fraction, at most 18 digits in all) straight into a DECIMAL, as the general
// reading makes it; false for any other text.
bool plain_decimal(std::string_view text, DECIMAL& value)
{
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        text.remove_prefix(1);
    const std::size_t point = text.find('.');
    const std::size_t whole_digits = std::min(point, text.size());
    const std::size_t fraction_digits = point == std::string_view::npos ? 0 : text.size() - point - 1;
    if (whole_digits == 0 || (point != std::string_view::npos && fraction_digits == 0) ||
        whole_digits + fraction_digits > 18)
        return false;
    std::uint64_t magnitude = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == point)
            continue;
        if (text[i] < '0' || text[i] > '9')
            return false;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[i] - '0');
    }
    value = DECIMAL{};
    value.scale = static_cast<BYTE>(fraction_digits);
    value.sign = negative && magnitude != 0 ? DECIMAL_NEG : 0;
    value.Lo64 = magnitude;
    return true;
}

// Currency units rounded to a whole number, halves upwards.
std::int64_t currency_to_whole(std::int64_t units)
{
    std::int64_t whole = units / 10000;
    std::int64_t rest = units % 10000;
    if (rest < 0) {
        --whole;
        rest += 10000;
    }
    return rest >= 5000 ? whole + 1 : whole;
}

// Rounds half away from zero and checks the range of T.
template <class T>
bool rounded_integer(double value, T& result)
{
    const double rounded = std::round(value);
    if (!(rounded >= static_cast<double>(std::numeric_limits<T>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<T>::max())))
        return false;
    result = static_cast<T>(rounded);
    return true;
}

}  // namespace

ole_variant ole_variant::from_string(const std::string& text, VARTYPE type)
{
    ole_variant result;
    result.set_from_string(text, type);
    return result;
}

void ole_variant::set_from_string(const std::string& text, VARTYPE type)
{
    tk_log(1, "ole_variant::from_string('%s', 0x%08X)", text.c_str(), type);
    if (text.empty()) {
        clear();
        if (type == VT_BSTR)
            attach_wstring(std::wstring());
        return;
    }
    switch (type) {
    case VT_I2: return set_number(static_cast<std::int16_t>(leading_int64(text)));
    case VT_I4: return set_number(static_cast<std::int32_t>(leading_int64(text)));
    case VT_I1: return set_number(static_cast<signed char>(leading_int64(text)));
    case VT_UI1: return set_number(static_cast<BYTE>(leading_int64(text)));
    case VT_UI2: return set_number(static_cast<std::uint16_t>(leading_int64(text)));
    case VT_UI4: return set_number(static_cast<std::uint32_t>(leading_uint64(text)));
    case VT_I8: return set_number(leading_int64(text));
    case VT_UI8: return set_number(leading_uint64(text));
    case VT_R4:
    case VT_R8: {
        const double value = leading_double(with_points(text));
        return type == VT_R8 ? set_number(value) : set_number(narrow_to_float(value));
    }
    case VT_CY: {
        CY value{};
        const HRESULT hr = VarCyFromStr(wide_number_text(with_points(text), 1613).c_str(), 1033, 0, &value);
        if (SUCCEEDED(hr)) {
            *this = ole_variant(value);
            return;
        }
        tk_log(2, "VarCyFromStr failed: %08X", static_cast<unsigned>(hr));
        return clear();
    }
    case VT_DECIMAL: {
        DECIMAL value{};
        if (plain_decimal(text, value))
            return set_number(value);
        const std::string point_text = with_points(text);
        const HRESULT hr = VarDecFromStr(wide_number_text(point_text, 1643).c_str(), 1033, 0, &value);
        if (SUCCEEDED(hr))
            return set_number(value);
        tk_log(2, "ERROR: VarDecFromStr for '%s' failed (hr=%08X)", text.c_str(), static_cast<unsigned>(hr));
        return set_number(leading_double(point_text));
    }
    case VT_DATE: {
        const ole_date date(text);
        return date.is_valid() ? set_date(date) : clear();
    }
    case VT_BOOL: *this = bool_from_text(text); return;
    case VT_BLOB:
    case ole_vt_bytes: *this = binary_from_hex(std::string_view(text), type); return;
    default: {
        ole_variant result;
        result.attach_string(text);
        result.make_wide();
        if (FAILED(VariantChangeType(&result.m_value, &result.m_value, 0, type)))
            throw ole_type_exception();
        *this = std::move(result);
        return;
    }
    }
}

ole_variant ole_variant::from_wstring(const std::wstring& text, VARTYPE type)
{
    if (type == VT_BLOB || type == ole_vt_bytes)
        return binary_from_hex(std::wstring_view(text), type);
    if (type == VT_BSTR) {
        ole_variant result;
        result.attach_wstring(text.c_str());
        return result;
    }
    tk_log(1, "=== RIGHT BEFORE W2A_EX ===");
    return from_string(tk_unicode_to_ansi(text), type);
}

void ole_variant::change_type(VARTYPE type)
{
    const VARTYPE old = m_value.vt;
    tk_log(1, "ole_variant::change_type(old=%d,new=%d)", old, type);
    // A text held in UTF-8 that changes type changes from its wide form.
    if (old != type)
        make_wide();
    if (is_byte_array(old) && is_byte_array(type) && old != type) {
        tk_log(1, "Replace by synonym");
        m_value.vt = type;
        return;
    }
    // An interface and an array share the pointer, never the meaning.
    if ((is_binary_family(old) && type == VT_DISPATCH) || (old == VT_DISPATCH && is_binary_family(type)))
        throw ole_cast_exception();
    if (old == type || old == VT_EMPTY || old == VT_NULL || (is_binary_family(old) && is_binary_family(type))) {
        tk_log(1, "Type cannot be changed");
        return;
    }
    if (old == VT_BSTR && type == VT_BOOL)
        change_text_to_bool();
    else if (old == VT_I8 || old == VT_UI8)
        change_from_64_bits(type);
    else if (old == VT_DATE)
        change_date_to_text(type);
    else if (type == VT_I8 || type == VT_UI8)
        change_to_64_bits(type);
    else if (type == VT_I4 || type == VT_UI4 || type == VT_I2 || type == VT_UI2 || type == VT_I1)
        change_to_narrow_integer(type);
    else if (type == VT_DATE)
        change_text_to_date();
    else if (is_binary_family(old))
        change_bytes_to_text(type);
    else if (is_binary_family(type))
        change_to_bytes();
    else if (FAILED(VariantChangeType(&m_value, &m_value, 0, type))) {
        tk_log(1, "VariantChangeType failed");
        tk_log(1, "to_string()=%s", to_string().c_str());
        throw ole_cast_exception();
    }
}

void ole_variant::change_text_to_bool()
{
    const std::string text = to_string();
    bool value = false;
    if (is_one_of(text, {"yes", "t", "true"}))
        value = true;
    else if (!is_one_of(text, {"no", "f", "false"}))
        throw ole_cast_exception();
    clear();
    m_value.vt = VT_BOOL;
    m_value.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void ole_variant::change_from_64_bits(VARTYPE type)
{
    const bool is_signed = m_value.vt == VT_I8;
    const std::uint64_t bits = is_signed ? static_cast<std::uint64_t>(m_i8) : m_ui8;
    VARIANT result;
    VariantInit(&result);
    switch (type) {
    case VT_I2:
    case VT_UI2: result.uiVal = static_cast<USHORT>(bits); break;
    case VT_BOOL: result.boolVal = bits != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT: result.ulVal = static_cast<ULONG>(bits); break;
    case VT_I1:
    case VT_UI1: result.bVal = static_cast<BYTE>(bits); break;
    case VT_R4: result.fltVal = is_signed ? static_cast<float>(m_i8) : static_cast<float>(m_ui8); break;
    case VT_R8: result.dblVal = is_signed ? static_cast<double>(m_i8) : static_cast<double>(m_ui8); break;
    case VT_CY:
        if (is_signed ? (m_i8 > max_currency_units || m_i8 < -max_currency_units) : m_ui8 > max_currency_units)
            throw ole_cast_exception();
        result.cyVal.int64 = (is_signed ? m_i8 : static_cast<std::int64_t>(m_ui8)) * 10000;
        break;
    case VT_DECIMAL: {
        tk_log(1, is_signed ? "VT_I8->VT_DECIMAL" : "VT_UI8->VT_DECIMAL");
        const HRESULT hr = is_signed ? VarDecFromI8(m_i8, &result.decVal) : VarDecFromUI8(m_ui8, &result.decVal);
        if (FAILED(hr))
            throw ole_cast_exception();
        break;
    }
    case VT_BSTR: attach_wstring(tk_ansi_to_unicode(is_signed ? std::to_string(m_i8) : std::to_string(m_ui8))); return;
    case VT_I8: m_i8 = static_cast<std::int64_t>(bits); break;
    case VT_UI8: m_ui8 = bits; break;
    default: throw ole_cast_exception();
    }
    m_value = result;
    m_value.vt = type;  // after the value: a DECIMAL overlays the tag
}

void ole_variant::change_date_to_text(VARTYPE type)
{
    if (type != VT_BSTR)
        throw ole_cast_exception();
    attach_wstring(m_date.to_wstring(6));
}

void ole_variant::change_to_64_bits(VARTYPE type)
{
    const bool to_signed = type == VT_I8;
    std::int64_t value = 0;
    ULONG64 unsigned_value = 0;
    HRESULT hr = S_OK;
    switch (m_value.vt) {
    case VT_I2:
    case VT_BOOL: value = m_value.iVal; break;
    case VT_I4: value = m_value.lVal; break;
    case VT_INT: value = m_value.intVal; break;
    case VT_I1: value = static_cast<signed char>(m_value.cVal); break;
    case VT_UI1: value = m_value.bVal; break;
    case VT_UI2: value = m_value.uiVal; break;
    case VT_UI4: value = m_value.ulVal; break;
    case VT_UINT: value = m_value.uintVal; break;
    case VT_CY: value = currency_to_whole(m_value.cyVal.int64); break;
    case VT_R4:
    case VT_R8: {
        const bool is_float = m_value.vt == VT_R4;
        if (to_signed) {
            hr = is_float ? VarI8FromR4(m_value.fltVal, &value) : VarI8FromR8(m_value.dblVal, &value);
            tk_log(1, is_float ? "from FLOAT: res=%" PRId64 ", hr=%08X" : "from DOUBLE: res=%" PRId64 ", hr=%08X",
                   value, static_cast<unsigned>(hr));
        } else {
            hr = is_float ? VarUI8FromR4(m_value.fltVal, &unsigned_value)
                          : VarUI8FromR8(m_value.dblVal, &unsigned_value);
            tk_log(1, is_float ? "from FLOAT: res=%" PRIu64 ", hr=%08X" : "from DOUBLE: res=%" PRIu64 ", hr=%08X",
                   unsigned_value, static_cast<unsigned>(hr));
        }
        break;
    }
    case VT_DECIMAL:
        tk_log(1, to_signed ? "VT_DECIMAL->VT_I8" : "VT_DECIMAL->VT_UI8");
        hr = to_signed ? VarI8FromDec(&m_value.decVal, &value) : VarUI8FromDec(&m_value.decVal, &unsigned_value);
        break;
    default: throw ole_cast_exception();
    }
    if (FAILED(hr))
        throw ole_cast_exception();
    const bool unsigned_source = !to_signed && (m_value.vt == VT_R4 || m_value.vt == VT_R8 || m_value.vt == VT_DECIMAL);
    clear();
    m_value.vt = type;
    if (to_signed)
        m_i8 = value;
    else
        m_ui8 = unsigned_source ? unsigned_value : static_cast<std::uint64_t>(value);
}

void ole_variant::change_to_narrow_integer(VARTYPE type)
{
    VARIANT result;
    VariantInit(&result);
    bool changed = true;
    if ((m_value.vt == VT_R4 || m_value.vt == VT_R8) && type != VT_I1) {
        const double value = m_value.vt == VT_R8 ? m_value.dblVal : m_value.fltVal;
        switch (type) {
        case VT_I4: changed = rounded_integer(value, result.lVal); break;
        case VT_UI4: changed = rounded_integer(value, result.ulVal); break;
        case VT_I2: changed = rounded_integer(value, result.iVal); break;
        default: changed = rounded_integer(value, result.uiVal); break;
        }
        if (!changed)
            throw ole_cast_exception();
    } else if (m_value.vt == VT_DECIMAL) {
        HRESULT hr = S_OK;
        switch (type) {
        case VT_I4:
            tk_log(1, "to_string()=%s", to_string().c_str());
            tk_log(1, "VT_DECIMAL->VT_I4");
            hr = VarI4FromDec(&m_value.decVal, &result.lVal);
            break;
        case VT_UI4:
            tk_log(1, "VT_DECIMAL->VT_UI4");
            hr = VarUI4FromDec(&m_value.decVal, &result.ulVal);
            break;
        case VT_I2:
            tk_log(1, "VT_DECIMAL->VT_I2");
            hr = VarI2FromDec(&m_value.decVal, &result.iVal);
            break;
        case VT_UI2:
            tk_log(1, "VT_DECIMAL->VT_UI2");
            hr = VarUI2FromDec(&m_value.decVal, &result.uiVal);
            break;
        default:
            tk_log(1, "VT_DECIMAL->VT_I1");
            hr = VarI1FromDec(&m_value.decVal, &result.cVal);
            break;
        }
        if (FAILED(hr))
            throw ole_cast_exception();
    } else {
        return;  // these sources keep their type
    }
    m_value = result;
    m_value.vt = type;
}

void ole_variant::change_text_to_date()
{
    if (m_value.vt != VT_BSTR)
        throw ole_cast_exception();
    const ole_date date(to_string());
    if (!date.is_valid())
        throw ole_cast_exception();
    set_date(date);
}

void ole_variant::change_bytes_to_text(VARTYPE type)
{
    tk_log(1, "src.vt is binary, a_type=%d", type);
    if (type != VT_BSTR)
        return;
    std::string text;
    if (SafeArrayGetDim(m_value.parray) == 1) {
        const std::uint32_t count = std::min(get_safe_array_size(m_value.parray), ole_max_binary_bytes);
        const auto* bytes = static_cast<const char*>(m_value.parray->pvData);
        text.assign(bytes, std::find(bytes, bytes + count, '\0'));
    }
    attach_string(text);
}

void ole_variant::change_to_bytes()
{
    tk_log(1, "a_type is binary, src.vt=%d", m_value.vt);
    std::size_t size = 0;
    switch (m_value.vt) {
    case VT_I2:
    case VT_BOOL:
    case VT_UI2: size = 2; break;
    case VT_I4:
    case VT_R4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT: size = 4; break;
    case VT_R8:
    case VT_CY: size = 8; break;
    case VT_I1:
    case VT_UI1: size = 1; break;
    case VT_DECIMAL: {
        std::vector<BYTE> bytes(sizeof(DECIMAL));
        std::memcpy(bytes.data(), &m_value.decVal, sizeof(DECIMAL));
        *this = bytes;
        return;
    }
    case VT_BSTR: {
        tk_log(1, "VT_BSTR->binary");
        // By its length: a zero character is part of the text.
        std::string text;
        text_to_ansi(text);
        *this = std::vector<BYTE>(text.begin(), text.end());
        return;
    }
    default: throw ole_cast_exception();
    }
    std::vector<BYTE> bytes(size);
    std::memcpy(bytes.data(), &m_value.llVal, size);
    *this = bytes;
}
