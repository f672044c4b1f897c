// ole_variant to text and numbers.
#include "platform/automation/exact_number.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"
#include "variant/float_range.h"
#include "variant/ole_exceptions.h"
#include "variant/ole_variant.h"
#include "variant/scientific_text.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

// "%.*e" in every process locale, written at out (room for scientific_17_room
// characters, more than any double takes).
char* put_scientific(char* out, double value, int digits)
{
    char* end = digits == 16 ? scientific_17(value, out) : nullptr;
    return end != nullptr
               ? end
               : std::to_chars(out, out + scientific_17_room, value, std::chars_format::scientific, digits).ptr;
}

template <class T>
char* put_integer(char* out, T value)
{
    return std::to_chars(out, out + 24, value).ptr;
}

// Texts of locale 1033 in the ANSI code page, with '.' before any fraction.
std::string number_text(BSTR text)
{
    std::string narrow;
    if (!tk_unicode_to_ansi3(text == nullptr ? L"" : text, narrow))
        return std::string();
    std::replace(narrow.begin(), narrow.end(), ',', '.');
    return narrow;
}

// A floating value as an integer type, when it fits after rounding.
template <class T>
bool to_integer(double rounded, T& result)
{
    const double limit = std::ldexp(1.0, std::numeric_limits<T>::digits);
    if (!(rounded >= -limit && rounded < limit))
        return false;
    result = static_cast<T>(rounded);
    return true;
}

// Runs one OLE conversion into a T, logs its result and gives 0 when it failed.
template <class T, class Conversion>
T logged_conversion(Conversion conversion, const char* format)
{
    T result{};
    const HRESULT hr = conversion(&result);
    tk_log(1, format, result, static_cast<unsigned>(hr));
    return SUCCEEDED(hr) ? result : T{};
}

}  // namespace

std::string ole_variant::binary_to_hex() const
{
    std::string text;
    append_binary_hex(text);
    return text;
}

void ole_variant::append_binary_hex(std::string& text) const
{
    if (SafeArrayGetDim(m_value.parray) != 1)
        return;
    const std::uint32_t count = std::min(get_safe_array_size(m_value.parray), ole_max_binary_bytes);
    if (count == 0)
        return;
    const std::size_t start = text.size();
    text.resize(start + 2 + 2 * std::size_t{count} + 1);
    text[start] = '0';
    text[start + 1] = 'x';
    tk_bin_to_hex(count, static_cast<const BYTE*>(m_value.parray->pvData), text.data() + start + 2);
    text.pop_back();
}

void ole_variant::append_string(std::string& text) const
{
    char number[number_room];
    if (is_byte_array(m_value.vt))
        append_binary_hex(text);
    else if (const char* end = print_number(number))
        text.append(static_cast<const char*>(number), end);
    else
        text += to_string();
}

char* ole_variant::print_number(char* out) const
{
    static_assert(number_room >= scientific_17_room);
    switch (m_value.vt) {
    case VT_R8:
    case VT_R4: {
        const double value = m_value.vt == VT_R8 ? m_value.dblVal : m_value.fltVal;
        if (std::isnan(value)) {
            tk_log(3, "Got NaN, replace it with 0");
            *out = '0';
            return out + 1;
        }
        if (m_value.vt == VT_R8)
            return put_scientific(out, value, 16);
        // Seven digits do not tell every single-precision number apart
        // (16777215 would read back as 16777220); nine always do.
        char* end = put_scientific(out, value, 6);
        float read_back = 0;
        if (std::from_chars(out, end, read_back).ec != std::errc() || read_back != m_value.fltVal)
            end = put_scientific(out, value, 8);
        return end;
    }
    case VT_I2: return put_integer(out, m_value.iVal);
    case VT_I4: return put_integer(out, m_value.lVal);
    case VT_I1: return put_integer(out, static_cast<signed char>(m_value.cVal));
    case VT_UI1: return put_integer(out, m_value.bVal);
    case VT_UI2: return put_integer(out, m_value.uiVal);
    case VT_UI4: return put_integer(out, m_value.ulVal);
    case VT_UINT: return put_integer(out, m_value.uintVal);
    case VT_I8: return put_integer(out, m_i8);
    case VT_UI8: return put_integer(out, m_ui8);
    default: return nullptr;
    }
}

std::string ole_variant::to_string() const
{
    tk_log(1, "ole_variant::to_string (vt=%08X)", m_value.vt);
    switch (m_value.vt) {
    case ole_vt_bytes:
    case VT_BLOB: return binary_to_hex();
    case VT_DECIMAL:
        // The text VarBstrFromDec gives for locale 1033, without its wide round trip.
        return automation_detail::exact_to_text(automation_detail::exact_from_decimal(m_value.decVal));
    case VT_DATE: return m_date.to_string(6);
    case VT_CY: {
        VARIANT text;
        VariantInit(&text);
        if (FAILED(VariantChangeType(&text, &m_value, 0, VT_BSTR)))
            return std::string();
        const std::string result = number_text(text.bstrVal);
        VariantClear(&text);
        return result;
    }
    case VT_BSTR: {
        std::string narrow;
        return text_to_ansi(narrow) ? narrow : std::string();
    }
    case VT_BOOL: return m_value.boolVal == VARIANT_TRUE ? "1" : "0";
    default: {
        char number[number_room];
        const char* end = print_number(number);
        return end == nullptr ? std::string() : std::string(static_cast<const char*>(number), end);
    }
    }
}

std::wstring ole_variant::to_wstring() const
{
    tk_log(1, "ole_variant::to_wstring (vt=%08X)", m_value.vt);
    if (m_value.vt == VT_BSTR)
        return std::wstring(wide_text());
    if (is_byte_array(m_value.vt)) {
        const std::string hex = binary_to_hex();
        return std::wstring(hex.begin(), hex.end());
    }
    return tk_utf8_to_unicode(to_string());
}

bool ole_variant::small_integer(std::int64_t& value) const
{
    switch (m_value.vt) {
    case VT_I2: value = m_value.iVal; return true;
    case VT_I4: value = m_value.lVal; return true;
    case VT_I1: value = static_cast<signed char>(m_value.cVal); return true;
    case VT_UI1: value = m_value.bVal; return true;
    case VT_UI2: value = m_value.uiVal; return true;
    case VT_UI4: value = m_value.ulVal; return true;
    case VT_BOOL: value = m_value.boolVal == VARIANT_TRUE ? 1 : 0; return true;
    default: return false;
    }
}

bool ole_variant::to_bool() const
{
    tk_log(1, "ole_variant::to_bool(vt=%08X)", m_value.vt);
    std::int64_t integer = 0;
    if (small_integer(integer))
        return integer != 0;
    switch (m_value.vt) {
    case VT_R4: return m_value.fltVal != 0.0f;
    case VT_R8: return m_value.dblVal != 0.0;
    case VT_CY:
    case VT_DECIMAL: return to_long() != 0;
    case VT_I8: return m_i8 != 0;
    case VT_UI8: return m_ui8 != 0;
    default: return false;
    }
}

std::int32_t ole_variant::to_long() const
{
    tk_log(1, "ole_variant::to_long(vt=%08X)", m_value.vt);
    std::int64_t integer = 0;
    if (small_integer(integer))
        return static_cast<std::int32_t>(integer);  // UI4 keeps its 32 bits
    LONG result = 0;
    switch (m_value.vt) {
    case VT_R4:
    case VT_R8: {
        const double value = m_value.vt == VT_R8 ? m_value.dblVal : m_value.fltVal;
        if (!to_integer(std::trunc(value), result))
            tk_log(1, "from DOUBLE: %f is out of range", value);
        return result;
    }
    case VT_CY:
        return logged_conversion<LONG>([&](auto* out) { return VarI4FromCy(m_value.cyVal, out); },
                                       "from CURRECY: res=%d, hr=%08X");
    case VT_DECIMAL:
        return logged_conversion<LONG>([&](auto* out) { return VarI4FromDec(&m_value.decVal, out); },
                                       "from DECIMAL: res=%d, hr=%08X");
    case VT_I8: return static_cast<std::int32_t>(static_cast<std::uint32_t>(m_i8));
    case VT_UI8: return static_cast<std::int32_t>(static_cast<std::uint32_t>(m_ui8));
    default: return 0;
    }
}

std::int64_t ole_variant::to_i8() const
{
    tk_log(1, "ole_variant::to_i8(%08X)", m_value.vt);
    LONG64 result = 0;
    if (small_integer(result))
        return result;
    switch (m_value.vt) {
    case VT_R4:
    case VT_R8: {
        const double value = m_value.vt == VT_R8 ? m_value.dblVal : m_value.fltVal;
        tk_log(1, m_value.vt == VT_R8 ? "from DOUBLE: src.dblVal=%f" : "from FLOAT: src.fltVal=%f", value);
        return to_integer(std::round(value), result) ? result : 0;
    }
    case VT_CY:
        return logged_conversion<LONG64>([&](auto* out) { return VarI8FromCy(m_value.cyVal, out); },
                                         "from CURRECY: res=%" PRId64 ", hr=%08X");
    case VT_DECIMAL:
        return logged_conversion<LONG64>([&](auto* out) { return VarI8FromDec(&m_value.decVal, out); },
                                         "from DECIMAL: res=%" PRId64 ", hr=%08X");
    case VT_I8: return m_i8;
    case VT_UI8: return static_cast<std::int64_t>(m_ui8);
    default: return 0;
    }
}

void ole_variant::to_i8(std::uint64_t& value) const
{
    tk_log(1, "ole_variant::to_i8(%08X)", m_value.vt);
    switch (m_value.vt) {
    case VT_R4:
    case VT_R8:
        value = logged_conversion<ULONG64>(
            [&](auto* out) {
                return m_value.vt == VT_R8 ? VarUI8FromR8(m_value.dblVal, out) : VarUI8FromR4(m_value.fltVal, out);
            },
            "from FLOAT: res=%" PRIu64 ", hr=%08X");
        return;
    case VT_CY:
        value = logged_conversion<ULONG64>([&](auto* out) { return VarUI8FromCy(m_value.cyVal, out); },
                                           "from CURRECY: res=%" PRIu64 ", hr=%08X");
        return;
    case VT_DECIMAL:
        value = logged_conversion<ULONG64>([&](auto* out) { return VarUI8FromDec(&m_value.decVal, out); },
                                           "from DECIMAL: res=%" PRIu64 ", hr=%08X");
        return;
    case VT_UI8: value = m_ui8; return;
    default:
        // The signed reading's 64 bits; 0 for types it does not read.
        value = static_cast<std::uint64_t>(to_i8());
        return;
    }
}

double ole_variant::to_double() const
{
    tk_log(1, "ole_variant::to_double(%08X)", m_value.vt);
    std::int64_t integer = 0;
    if (small_integer(integer))
        return static_cast<double>(integer);
    switch (m_value.vt) {
    case VT_EMPTY:
    case VT_NULL: return 0;
    case VT_I8: return static_cast<double>(m_i8);
    case VT_UI8: return static_cast<double>(m_ui8);
    case VT_R4: return m_value.fltVal;
    case VT_R8: return m_value.dblVal;
    case VT_CY:
        return logged_conversion<DOUBLE>([&](auto* out) { return VarR8FromCy(m_value.cyVal, out); },
                                         "from CURRECY: res=%lg, hr=%08X");
    case VT_DECIMAL:
        return logged_conversion<DOUBLE>([&](auto* out) { return VarR8FromDec(&m_value.decVal, out); },
                                         "from DECIMAL: res=%lg, hr=%08X");
    default: throw tk_mail_assertion("ole_var", 940);
    }
}

float ole_variant::to_float() const
{
    tk_log(1, "ole_variant::to_float(%08X)", m_value.vt);
    switch (m_value.vt) {
    case VT_CY:
        return logged_conversion<FLOAT>([&](auto* out) { return VarR4FromCy(m_value.cyVal, out); },
                                        "from CURRECY: res=%f, hr=%08X");
    case VT_DECIMAL:
        return logged_conversion<FLOAT>([&](auto* out) { return VarR4FromDec(&m_value.decVal, out); },
                                        "from DECIMAL: res=%f, hr=%08X");
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_BOOL: return narrow_to_float(to_double());
    default: throw tk_mail_assertion("ole_var", 800);
    }
}

void ole_variant::to_decimal(DECIMAL* value) const
{
    tk_log(1, "ole_variant::to_decimal(%08X)", m_value.vt);
    if (value == nullptr)
        throw tk_mail_assertion("ole_var", 808);
    HRESULT hr = S_OK;
    switch (m_value.vt) {
    case VT_I2:
        tk_log(1, "VT_I2->VT_DECIMAL");
        hr = VarDecFromI2(m_value.iVal, value);
        break;
    case VT_I4:
        tk_log(1, "VT_I4->VT_DECIMAL");
        hr = VarDecFromI4(m_value.lVal, value);
        break;
    case VT_R4:
        tk_log(1, "VT_R4->VT_DECIMAL");
        hr = VarDecFromR4(m_value.fltVal, value);
        break;
    case VT_R8:
        tk_log(1, "VT_R8->VT_DECIMAL");
        hr = VarDecFromR8(m_value.dblVal, value);
        break;
    case VT_DECIMAL:
        tk_log(1, "VT_DECIMAL->VT_DECIMAL");
        *value = m_value.decVal;
        break;
    case VT_UI2:
        tk_log(1, "VT_UI2->VT_DECIMAL");
        hr = VarDecFromUI2(m_value.uiVal, value);
        break;
    case VT_UI4:
        tk_log(1, "VT_UI4->VT_DECIMAL");
        hr = VarDecFromUI4(m_value.ulVal, value);
        break;
    case VT_I8:
        tk_log(1, "VT_I8->VT_DECIMAL");
        hr = VarDecFromI8(m_i8, value);
        break;
    case VT_UI8:
        tk_log(1, "VT_UI8->VT_DECIMAL");
        hr = VarDecFromUI8(m_ui8, value);
        break;
    default: throw ole_cast_exception();
    }
    if (FAILED(hr))
        throw ole_cast_exception();
}
