// Storage, construction, assignment and raw access of ole_variant.
#include "variant/ole_variant.h"

#include "platform/automation/safe_array.h"
#include "platform/code_page.h"
#include "platform/last_error.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>

namespace {

// Whether a value of this type holds no text, array or interface to release.
bool owns_nothing(VARTYPE type)
{
    switch (type) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BOOL:
    case VT_DECIMAL: return true;
    default: return false;
    }
}

// Texts from this many bytes on are long: their bytes' storage is not kept
// for the next value.
constexpr std::size_t long_text = 1 << 16;

// Bytes of one character in UTF-8, as the code-page conversion writes it
// (values that are no character become U+FFFD, three bytes).
std::uint32_t utf8_length(wchar_t character)
{
    const auto c = static_cast<std::uint32_t>(character);
    if (c < 0x80)
        return 1;
    if (c < 0x800)
        return 2;
    if (c < 0x10000 || c > 0x10FFFF)
        return 3;
    return 4;
}

// A text decoded straight into the value's storage, sized for one character
// a byte and trimmed after, so that a long text is never held twice.
BSTR decode_text(std::string_view text)
{
    BSTR wide = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    if (wide == nullptr)
        throw tk_mail_assertion("ole_var", 1448);
    std::size_t length = 0;
    if (!MultiByteToWideChar(CP_UTF8, text, wide, length)) {
        tk_log(2, "MultiByteToWideChar failed, error=%08X", GetLastError());
        length = 0;
    }
    if (length < text.size() && !SysReAllocStringLen(&wide, nullptr, static_cast<UINT>(length))) {
        SysFreeString(wide);
        throw tk_mail_assertion("ole_var", 1448);
    }
    return wide;
}

}  // namespace

ole_variant::ole_variant()
{
    VariantInit(&m_value);
}

ole_variant::ole_variant(const ole_variant& other) : ole_variant()
{
    copy_from(other);
}

ole_variant::ole_variant(ole_variant&& other) noexcept : ole_variant()
{
    take_from(other);
}

ole_variant::ole_variant(const SYSTEMTIME& time) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from SYSTEMTIME");
    set_date(ole_date(time));
}

ole_variant::ole_variant(const ole_date& date) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from ole_date");
    set_date(date);
}

ole_variant::ole_variant(const std::wstring& text) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from wstring");
    attach_wstring(text);
}

ole_variant::ole_variant(const std::vector<BYTE>& bytes) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from vector(%zu)", bytes.size());
    attach_bytes(static_cast<std::uint32_t>(bytes.size()), bytes.data());
}

ole_variant::ole_variant(std::uint32_t size, const BYTE* bytes) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from bytes(%u)", size);
    if (bytes == nullptr) {
        if (size > 0)
            throw tk_mail_assertion("ole_var", 1320);
        return;
    }
    attach_bytes(size, bytes);
}

ole_variant::ole_variant(double value) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from double(%f)", value);
    set_number(value);
}

ole_variant::ole_variant(float value) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from float(%f)", static_cast<double>(value));
    set_number(value);
}

ole_variant::ole_variant(std::int16_t value) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from short(%d)", value);
    set_number(value);
}

ole_variant::ole_variant(std::int32_t value) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from long(%d)", value);
    set_number(value);
}

ole_variant::ole_variant(signed char value) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from char(%d)", value);
    set_number(value);
}

ole_variant::ole_variant(BYTE value) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from byte(%u)", value);
    set_number(value);
}

ole_variant::ole_variant(std::uint16_t value) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from ushort(%u)", value);
    set_number(value);
}

ole_variant::ole_variant(std::uint32_t value) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from ulong(%u)", value);
    set_number(value);
}

ole_variant::ole_variant(std::int64_t value) : ole_variant()
{
    tk_log(1, "ole_variant::ctor(hyper, %" PRId64 ")", value);
    set_number(value);
}

ole_variant::ole_variant(std::uint64_t value) : ole_variant()
{
    tk_log(1, "ole_variant::ctor(unsigned hyper, %" PRIu64 ")", value);
    set_number(value);
}

ole_variant::ole_variant(const CY& value) : ole_variant()
{
    tk_log(1, "Construct ole_variant from CY");
    m_value.vt = VT_CY;
    m_value.cyVal = value;
}

ole_variant::ole_variant(const DECIMAL& value) : ole_variant()
{
    tk_log(1, "Construct ole_variant from DECIMAL");
    set_number(value);
}

ole_variant::ole_variant(const std::string& text) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from string");
    attach_string(text);
}

ole_variant::ole_variant(BSTR text) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from BSTR");
    *this = text;
}

ole_variant::ole_variant(bool value) : ole_variant()
{
    tk_log(1, "ole_variant::ctor from bool(%d)", value ? 1 : 0);
    m_value.vt = VT_BOOL;
    m_value.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

ole_variant::~ole_variant()
{
    clear();
}

ole_variant& ole_variant::operator=(const ole_variant& other)
{
    if (this != &other) {
        clear();
        copy_from(other);
    }
    return *this;
}

ole_variant& ole_variant::operator=(ole_variant&& other) noexcept
{
    if (this != &other) {
        clear();
        take_from(other);
    }
    return *this;
}

ole_variant& ole_variant::operator=(const std::wstring& text)
{
    attach_wstring(text);
    return *this;
}

ole_variant& ole_variant::operator=(const std::vector<BYTE>& bytes)
{
    attach_bytes(static_cast<std::uint32_t>(bytes.size()), bytes.data());
    return *this;
}

ole_variant& ole_variant::operator=(BSTR text)
{
    attach_wstring(text == nullptr ? std::wstring() : std::wstring(text));
    return *this;
}

bool ole_variant::is_byte_array(VARTYPE type)
{
    return type == ole_vt_bytes || type == VT_BLOB;
}

void ole_variant::clear()
{
    m_holds_utf8 = false;
    // Numbers, dates and NULLs own nothing: every field of every row is
    // cleared, so these skip the general release.
    if (owns_nothing(m_value.vt)) {
        m_value.vt = VT_EMPTY;
        m_value.wReserved1 = m_value.wReserved2 = m_value.wReserved3 = 0;
        return;
    }
    if (is_byte_array(m_value.vt) || m_value.vt == VT_SAFEARRAY) {
        tk_log(2, "Just before SafeArrayDestroy0");
        SafeArrayDestroy(m_value.parray);
        m_value.vt = VT_EMPTY;
    }
    if (FAILED(VariantClear(&m_value)))
        VariantInit(&m_value);
}

void ole_variant::copy_from(const ole_variant& other)
{
    const VARTYPE type = other.m_value.vt;
    if (is_byte_array(type) || type == VT_SAFEARRAY) {
        SAFEARRAY* copy = nullptr;
        if (FAILED(SafeArrayCopy(other.m_value.parray, &copy)))
            throw tk_mail_assertion("ole_var", 1354);
        m_value.parray = copy;
        m_value.vt = type;
    } else if (FAILED(VariantCopy(&m_value, &other.m_value))) {
        throw tk_mail_assertion("ole_var", 1469);
    }
    if (other.m_holds_utf8) {
        m_utf8 = other.m_utf8;
        m_holds_utf8 = true;
        m_utf8_length = other.m_utf8_length;
    }
    m_i8 = other.m_i8;
    m_ui8 = other.m_ui8;
    if (type == VT_DATE)
        set_date(other.m_date);
}

// The VARIANT's storage (text, array) changes owner as it stands; a date's
// VARIANT time was computed from m_date, so both come along unchanged.
void ole_variant::take_from(ole_variant& other) noexcept
{
    m_value = other.m_value;
    m_i8 = other.m_i8;
    m_ui8 = other.m_ui8;
    m_date = other.m_date;
    if (other.m_holds_utf8) {
        m_utf8.swap(other.m_utf8);
        m_holds_utf8 = true;
        m_utf8_length = other.m_utf8_length;
    }
    VariantInit(&other.m_value);
    other.m_holds_utf8 = false;
    other.m_i8 = 0;
    other.m_ui8 = 0;
}

void ole_variant::set_number(double value)
{
    clear();
    m_value.vt = VT_R8;
    m_value.dblVal = value;
}

void ole_variant::set_number(float value)
{
    clear();
    m_value.vt = VT_R4;
    m_value.fltVal = value;
}

void ole_variant::set_number(std::int16_t value)
{
    clear();
    m_value.vt = VT_I2;
    m_value.iVal = value;
}

void ole_variant::set_number(std::int32_t value)
{
    clear();
    m_value.vt = VT_I4;
    m_value.lVal = value;
}

void ole_variant::set_number(BYTE value)
{
    clear();
    m_value.vt = VT_UI1;
    m_value.bVal = value;
}

void ole_variant::set_number(std::uint16_t value)
{
    clear();
    m_value.vt = VT_UI2;
    m_value.uiVal = value;
}

void ole_variant::set_number(std::uint32_t value)
{
    clear();
    m_value.vt = VT_UI4;
    m_value.ulVal = value;
}

void ole_variant::set_number(signed char value)
{
    clear();
    m_value.vt = VT_I1;
    m_value.cVal = static_cast<CHAR>(value);
}

void ole_variant::set_number(std::int64_t value)
{
    clear();
    m_value.vt = VT_I8;
    m_i8 = value;
}

void ole_variant::set_number(std::uint64_t value)
{
    clear();
    m_value.vt = VT_UI8;
    m_ui8 = value;
}

void ole_variant::set_number(const DECIMAL& value)
{
    clear();
    m_value.decVal = value;
    m_value.vt = VT_DECIMAL;  // after the value: a DECIMAL overlays the tag
}

void ole_variant::set_date(const ole_date& date)
{
    clear();
    m_date = date;
    m_value.vt = VT_DATE;
    m_value.date = 0;
    if (!SystemTimeToVariantTime(&m_date.get_time(), &m_value.date))
        tk_log(2, "Failed to convert SYSTEMTIME->VARIANT");
}

void ole_variant::attach_wstring(const std::wstring& text)
{
    clear();
    m_value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (m_value.bstrVal == nullptr)
        throw tk_mail_assertion("ole_var", 1469);
    m_value.vt = VT_BSTR;
}

void ole_variant::attach_string(std::string_view text)
{
    std::size_t length = 0;
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length)) {
        clear();
        // The storage is reused from value to value, but not kept at a long
        // text's size for short ones.
        if (m_utf8.capacity() >= long_text && text.size() < long_text)
            std::string().swap(m_utf8);
        m_utf8.assign(text);
        m_holds_utf8 = true;
        m_utf8_length = static_cast<std::uint32_t>(length);
        m_value.vt = VT_BSTR;
        m_value.bstrVal = nullptr;
        return;
    }
    // A malformed sequence becomes U+FFFD at once.
    BSTR wide = decode_text(text);
    clear();
    m_value.bstrVal = wide;
    m_value.vt = VT_BSTR;
}

void ole_variant::make_wide() const
{
    if (!m_holds_utf8)
        return;
    auto& self = const_cast<ole_variant&>(*this);
    self.m_value.bstrVal = decode_text(m_utf8);
    self.m_holds_utf8 = false;
    if (m_utf8.size() >= long_text)
        std::string().swap(self.m_utf8);
}

std::wstring_view ole_variant::wide_text() const
{
    if (m_value.vt != VT_BSTR)
        return {};
    make_wide();
    return m_value.bstrVal == nullptr ? std::wstring_view()
                                      : std::wstring_view(m_value.bstrVal, SysStringLen(m_value.bstrVal));
}

std::uint32_t ole_variant::text_length() const
{
    return m_holds_utf8 ? m_utf8_length : SysStringLen(m_value.bstrVal);
}

void ole_variant::allocate_safe_array(std::uint32_t size)
{
    SAFEARRAY* array = m_value.parray;
    if (is_byte_array(m_value.vt) && array != nullptr && array->cDims == 1 && array->cbElements == 1) {
        if (get_safe_array_size(array) == size)
            return;
        LONG lower_bound = 0;
        SafeArrayGetLBound(array, 1, &lower_bound);
        const SAFEARRAYBOUND bound{size, lower_bound};
        if (FAILED(SafeArrayRedim(array, &bound)))
            throw tk_mail_assertion("ole_var", 1366);
        return;
    }
    clear();
    m_value.parray = SafeArrayCreateVector(VT_UI1, 0, size);
    if (m_value.parray == nullptr)
        throw tk_mail_assertion("ole_var", 1354);
    m_value.vt = ole_vt_bytes;
}

void ole_variant::attach_bytes(std::uint32_t size, const BYTE* bytes)
{
    allocate_safe_array(size);
    if (size == 0)
        return;
    void* data = nullptr;
    SafeArrayAccessData(m_value.parray, &data);
    std::memcpy(data, bytes, size);
    SafeArrayUnaccessData(m_value.parray);
}

std::uint32_t ole_variant::get_safe_array_size(SAFEARRAY* array)
{
    // Read from the descriptor itself: it is asked of every binary value a
    // writer measures against its column.
    if (array == nullptr || array->cDims != 1)
        return 0;
    return array->rgsabound[0].cElements;
}

void ole_variant::convert_to_byte_array(const BYTE* bytes, std::uint32_t n, std::vector<BYTE>& result)
{
    result.assign(bytes, bytes + n);
}

void ole_variant::get_systemtime(SYSTEMTIME& time) const
{
    time = m_value.vt == VT_DATE ? m_date.get_time() : SYSTEMTIME{};
}

bool ole_variant::text_to_ansi(std::string& result) const
{
    // The ANSI code page is UTF-8 here.
    if (m_holds_utf8) {
        result = m_utf8;
        return true;
    }
    const std::wstring_view text(m_value.bstrVal == nullptr ? L"" : m_value.bstrVal, SysStringLen(m_value.bstrVal));
    return WideCharToMultiByte(CP_ACP, text, result);
}

const std::string* ole_variant::attached_utf8() const
{
    return m_holds_utf8 ? &m_utf8 : nullptr;
}

std::uint32_t ole_variant::get_bytes1(const BYTE*& bytes, std::string& text_bytes) const
{
    bytes = nullptr;
    switch (m_value.vt) {
    case VT_EMPTY:
    case VT_NULL: tk_log(1, "OLE_Variant is empty"); return 0;
    case VT_BSTR:
        // A text held in UTF-8 is its own ANSI form: no copy.
        if (m_holds_utf8) {
            bytes = reinterpret_cast<const BYTE*>(m_utf8.data());
            return static_cast<std::uint32_t>(m_utf8.size());
        }
        if (!text_to_ansi(text_bytes))
            return 0;
        bytes = reinterpret_cast<const BYTE*>(text_bytes.c_str());
        return static_cast<std::uint32_t>(text_bytes.size());
    case ole_vt_bytes:
    case VT_BLOB: bytes = static_cast<const BYTE*>(m_value.parray->pvData); return get_safe_array_size(m_value.parray);
    default: throw tk_mail_assertion("ole_var", 1235);
    }
}

std::uint32_t ole_variant::get_at(char* buffer, std::uint32_t position, std::uint32_t length) const
{
    if (is_byte_array(m_value.vt)) {
        const std::uint32_t elements = std::min(get_safe_array_size(m_value.parray), ole_max_binary_bytes);
        if (position >= elements)
            return 0;
        const std::uint32_t count = std::min(length, elements - position);
        tk_bin_to_hex(count, static_cast<const BYTE*>(m_value.parray->pvData) + position, buffer);
        return count;
    }
    if (m_value.vt != VT_BSTR || length == 0)
        return 0;
    if (m_holds_utf8) {
        if (position >= m_utf8.size())
            return 0;
        const std::size_t count = std::min<std::size_t>(length, m_utf8.size() - position);
        std::memcpy(buffer, m_utf8.data() + position, count);
        return static_cast<std::uint32_t>(count);
    }
    if (m_value.bstrVal == nullptr)
        return 0;
    // Find the character that holds byte `position` of the ANSI form, then
    // convert from there: at most `length` characters give `length` bytes.
    const std::wstring_view text(m_value.bstrVal, SysStringLen(m_value.bstrVal));
    std::size_t first = 0;
    std::uint64_t offset = 0;
    for (; first < text.size() && offset + utf8_length(text[first]) <= position; ++first)
        offset += utf8_length(text[first]);
    if (first == text.size())
        return 0;
    std::string piece;
    WideCharToMultiByte(CP_UTF8, text.substr(first, length), piece);
    const std::size_t skip = position - offset;
    const std::size_t count = std::min<std::size_t>(length, piece.size() - skip);
    std::memcpy(buffer, piece.data() + skip, count);
    return static_cast<std::uint32_t>(count);
}

bool ole_variant::is_numeric_type(VARTYPE type)
{
    return (type >= VT_I2 && type <= VT_CY) || type == VT_BOOL || type == VT_DECIMAL ||
           (type >= VT_I1 && type <= VT_UINT);
}

bool ole_variant::is_date_or_string_type(VARTYPE type)
{
    return type == VT_DATE || type == VT_BSTR;
}
