#include "toolkit/tk_string_utils.h"

#include "platform/compare_string.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <algorithm>
#include <array>

namespace {

template <class String>
String trim(const String& text)
{
    using Char = typename String::value_type;
    const std::size_t last = text.find_last_not_of(Char(' '));
    if (last == String::npos) {
        tk_log(1, "Special processing for all-spaces-string");
        return String();
    }
    return text.substr(0, last + 1).substr(text.find_first_not_of(Char(' ')));
}

template <class String>
std::vector<String> split(const String& text, typename String::value_type separator)
{
    std::vector<String> pieces;
    if (text.empty())
        return pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        pieces.push_back(text.substr(start, end == String::npos ? String::npos : end - start));
        if (end == String::npos)
            return pieces;
        start = end + 1;
    }
}

template <class String>
void replace_all(String& text, const String& from, const String& to)
{
    if (from.empty())
        return;
    for (std::size_t at = text.find(from); at != String::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The two hexadecimal digits of every byte value, looked up at once.
constexpr std::array<char, 512> hex_pairs = [] {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<char, 512> pairs{};
    for (std::size_t byte = 0; byte < 256; ++byte) {
        pairs[2 * byte] = digits[byte >> 4];
        pairs[2 * byte + 1] = digits[byte & 0x0F];
    }
    return pairs;
}();

template <class Char>
void bin_to_hex(std::uint32_t count, const std::uint8_t* bytes, Char* output)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        const char* pair = &hex_pairs[2 * std::size_t{bytes[i]}];
        *output++ = Char(pair[0]);
        *output++ = Char(pair[1]);
    }
    *output = Char(0);
}

}  // namespace

std::string tk_trim(const std::string& text)
{
    return trim(text);
}
std::wstring tk_trim(const std::wstring& text)
{
    return trim(text);
}

std::wstring_view tk_trim_view(std::wstring_view text)
{
    return trim(text);
}

std::string tk_one_paragraph(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::vector<std::string> tk_split(const std::string& text, char separator)
{
    return split(text, separator);
}

std::vector<std::wstring> tk_split(const std::wstring& text, wchar_t separator)
{
    return split(text, separator);
}

bool tk_same_text(std::wstring_view left, std::wstring_view right, bool case_sensitive)
{
    return case_sensitive ? left == right : platform::equal_ignoring_case(left, right);
}

bool tk_starts_with(const std::wstring& text, const std::wstring& prefix, bool case_sensitive)
{
    if (prefix.size() > text.size())
        return false;
    return tk_same_text(std::wstring_view(text).substr(0, prefix.size()), prefix, case_sensitive);
}

bool tk_ends_with(const std::wstring& text, const std::wstring& suffix, bool case_sensitive)
{
    if (suffix.size() > text.size())
        return false;
    return tk_same_text(std::wstring_view(text).substr(text.size() - suffix.size()), suffix, case_sensitive);
}

void tk_bin_to_hex(std::uint32_t count, const std::uint8_t* bytes, char* output)
{
    if (!output)
        throw tk_mail_assertion("tk_utils", 903);
    bin_to_hex(count, bytes, output);
}

void tk_bin_to_hex(std::uint32_t count, const std::uint8_t* bytes, wchar_t* output)
{
    if (!output)
        throw tk_mail_assertion("tk_utils", 917);
    bin_to_hex(count, bytes, output);
}

tk_string& tk_string::replace_all(const std::string& from, const std::string& to)
{
    ::replace_all<std::string>(*this, from, to);
    return *this;
}

tk_wstring& tk_wstring::replace_all(const std::wstring& from, const std::wstring& to)
{
    tk_log(2, L"tk_wstring::replace_all(%ls,%ls)", from.c_str(), to.c_str());
    ::replace_all<std::wstring>(*this, from, to);
    return *this;
}

void tk_wstring::split(wchar_t separator, std::vector<std::wstring>& pieces) const
{
    tk_log(2, L"tk_wstring::split(%lc)", static_cast<wint_t>(separator));
    pieces = tk_split(static_cast<const std::wstring&>(*this), separator);
}

tk_wstring& tk_wstring::to_lower()
{
    tk_log(2, L"tk_wstring::to_lower(%ls)", c_str());
    std::transform(begin(), end(), begin(), platform::to_lower);
    return *this;
}
