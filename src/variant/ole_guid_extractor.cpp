#include "variant/ole_guid_extractor.h"

#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"

#include <cwctype>
#include <string_view>

namespace {

constexpr std::size_t guid_length = 36;
constexpr std::size_t group_offsets[] = {0, 9, 14, 19, 24};
constexpr std::size_t group_lengths[] = {8, 4, 4, 4, 12};

bool is_hex_digit(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

int hex_value(wchar_t c)
{
    if (c <= L'9')
        return c - L'0';
    return (c | 0x20) - L'a' + 10;
}

// Hexadecimal digits in groups of 8, 4, 4, 4 and 12, joined by dashes.
bool has_guid_layout(std::wstring_view text)
{
    if (text.size() != guid_length)
        return false;
    for (std::size_t i = 0; i < guid_length; ++i) {
        const bool dash_place = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash_place ? text[i] != L'-' : !is_hex_digit(text[i]))
            return false;
    }
    return true;
}

}  // namespace

ole_guid_extractor::ole_guid_extractor(const std::string& text)
{
    tk_log(1, "ole_guid_extractor::ctor(%s)", text.c_str());
    std::unique_ptr<wchar_t[]> wide;
    validate(tk_ansi_to_unicode1(text.c_str(), wide) ? std::wstring(wide.get()) : std::wstring());
}

ole_guid_extractor::ole_guid_extractor(const std::wstring& text)
{
    tk_log(1, L"ole_guid_extractor::ctor(%ls)", text.c_str());
    validate(text);
}

void ole_guid_extractor::validate(const std::wstring& text)
{
    if (text.size() >= 91) {
        tk_log(1, "Text is too long for GUID(1)");
        return;
    }
    m_text = tk_trim(text);
    const std::size_t length = m_text.size();
    if (length < guid_length) {
        tk_log(1, "Text is too short for GUID");
        return;
    }
    if (length >= 46) {
        tk_log(1, "Text is too long for GUID(2)");
        return;
    }
    if (length == guid_length) {
        tk_log(1, "Checking simple form (1)");
        m_start = 0;
        m_valid = has_guid_layout(m_text);
        if (!m_valid)
            tk_log(1, "Simple form (1) of GUID is NOT valid");
        return;
    }
    if (length == guid_length + 2 && m_text.front() == L'{' && m_text.back() == L'}') {
        tk_log(1, "Checking simple form (2)");
        m_start = 1;
        m_valid = has_guid_layout(std::wstring_view(m_text).substr(1, guid_length));
        if (!m_valid)
            tk_log(1, "Simple form (2) of GUID is NOT valid");
        return;
    }
    std::size_t word = m_text.find(L"guid");
    if (word == std::wstring::npos)
        word = m_text.find(L"GUID");
    tk_log(1, "Locating 'guid' (%d : %d)", word == std::wstring::npos ? -1 : static_cast<int>(word),
           static_cast<int>(length));
    if (word == std::wstring::npos)
        return;
    // The brace and all 36 characters after it lie inside the text.
    for (std::size_t brace = word + 4; brace + guid_length < length; ++brace) {
        if (m_text[brace] != L'{')
            continue;
        m_start = static_cast<std::int32_t>(brace + 1);
        m_valid = has_guid_layout(std::wstring_view(m_text).substr(brace + 1, guid_length));
        if (m_valid)
            tk_log(1, "GUID is valid");
        return;
    }
}

std::wstring ole_guid_extractor::get_wstr() const
{
    if (!m_valid)
        return std::wstring();
    return m_text.size() <= guid_length ? m_text : m_text.substr(static_cast<std::size_t>(m_start), guid_length);
}

std::string ole_guid_extractor::get_str() const
{
    const std::wstring text = get_wstr();
    return std::string(text.begin(), text.end());  // hexadecimal digits and dashes only
}

std::wstring ole_guid_extractor::get_guid_wstr() const
{
    tk_log(1, "ole_guid_extractor::get_guid_wstr");
    if (!m_valid)
        return std::wstring();
    std::wstring digits;
    for (std::size_t group = 0; group < 5; ++group)
        digits += m_text.substr(static_cast<std::size_t>(m_start) + group_offsets[group], group_lengths[group]);
    return digits;
}

void ole_guid_extractor::get_bytes(std::uint8_t bytes[16]) const
{
    const std::wstring digits = get_guid_wstr();
    if (digits.size() != 32)
        throw tk_mail_assertion("ole_guid", 168);
    // Data1, Data2 and Data3 are stored little-endian; Data4 byte by byte.
    static constexpr int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (std::size_t pair = 0; pair < 16; ++pair)
        bytes[order[pair]] =
            static_cast<std::uint8_t>(hex_value(digits[2 * pair]) * 16 + hex_value(digits[2 * pair + 1]));
}
