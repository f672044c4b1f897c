#include "platform/oledb/utf16.h"

#include "platform/code_page.h"

namespace oledb {

namespace {

constexpr char32_t replacement = 0xFFFD;

bool is_high_surrogate(char32_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool is_low_surrogate(char32_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

char32_t valid_code_point(wchar_t c)
{
    const auto cp = static_cast<char32_t>(c);
    if (cp > 0x10FFFF || is_high_surrogate(cp) || is_low_surrogate(cp))
        return replacement;
    return cp;
}

}  // namespace

odbc_string to_utf16(const std::wstring& text)
{
    odbc_string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        const char32_t cp = valid_code_point(c);
        if (cp < 0x10000) {
            out.push_back(static_cast<odbc_char>(cp));
        } else {
            const char32_t v = cp - 0x10000;
            out.push_back(static_cast<odbc_char>(0xD800 + (v >> 10)));
            out.push_back(static_cast<odbc_char>(0xDC00 + (v & 0x3FF)));
        }
    }
    return out;
}

std::wstring from_utf16(const odbc_char* text, std::size_t length)
{
    std::wstring out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const char32_t c = text[i];
        if (is_high_surrogate(c) && i + 1 < length && is_low_surrogate(text[i + 1])) {
            out.push_back(static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00)));
            ++i;
        } else if (is_high_surrogate(c) || is_low_surrogate(c)) {
            out.push_back(static_cast<wchar_t>(replacement));
        } else {
            out.push_back(static_cast<wchar_t>(c));
        }
    }
    return out;
}

std::string to_utf8(const std::wstring& text)
{
    std::string out;
    WideCharToMultiByte(CP_UTF8, text, out);
    return out;
}

}  // namespace oledb
