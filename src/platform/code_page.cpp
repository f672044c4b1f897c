#include "platform/code_page.h"

#include "platform/last_error.h"

namespace {

constexpr char32_t replacement_character = 0xFFFD;

bool is_known_code_page(std::uint32_t code_page)
{
    return code_page == CP_ACP || code_page == CP_OEMCP || code_page == CP_THREAD_ACP || code_page == CP_UTF8;
}

struct sequence_start {
    int length;          // bytes of the whole sequence, 0 for a byte that starts none
    char32_t value;      // payload bits of the lead byte
    unsigned char low;   // allowed range of the second byte (rules out overlong forms,
    unsigned char high;  // surrogates and values beyond U+10FFFF)
};

sequence_start classify_lead(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return {2, char32_t(lead & 0x1F), 0x80, 0xBF};
    if (lead == 0xE0)
        return {3, char32_t(lead & 0x0F), 0xA0, 0xBF};
    if (lead == 0xED)
        return {3, char32_t(lead & 0x0F), 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF)
        return {3, char32_t(lead & 0x0F), 0x80, 0xBF};
    if (lead == 0xF0)
        return {4, char32_t(lead & 0x07), 0x90, 0xBF};
    if (lead == 0xF4)
        return {4, char32_t(lead & 0x07), 0x80, 0x8F};
    if (lead >= 0xF1 && lead <= 0xF3)
        return {4, char32_t(lead & 0x07), 0x80, 0xBF};
    return {0, 0, 0, 0};
}

// Writes at most one character per byte, into room sized for that worst case
// (no per-character growth); returns how many it wrote.
std::size_t decode_utf8(std::string_view text, wchar_t* result)
{
    wchar_t* out = result;
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            *out++ = static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        // Two-byte letters (Latin, Greek, Cyrillic) are the most common others.
        if (lead >= 0xC2 && lead <= 0xDF && i + 1 < size && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            *out++ = static_cast<wchar_t>((lead & 0x1F) << 6 | (static_cast<unsigned char>(text[i + 1]) & 0x3F));
            i += 2;
            continue;
        }
        sequence_start start = classify_lead(lead);
        if (start.length == 0) {
            *out++ = static_cast<wchar_t>(replacement_character);
            ++i;
            continue;
        }
        char32_t value = start.value;
        unsigned char low = start.low;
        unsigned char high = start.high;
        int taken = 1;
        while (taken < start.length && i + taken < size) {
            const auto next = static_cast<unsigned char>(text[i + taken]);
            if (next < low || next > high)
                break;
            value = (value << 6) | (next & 0x3F);
            low = 0x80;
            high = 0xBF;
            ++taken;
        }
        *out++ = static_cast<wchar_t>(taken == start.length ? value : replacement_character);
        i += static_cast<std::size_t>(taken);
    }
    return static_cast<std::size_t>(out - result);
}

std::size_t encoded_length(std::wstring_view text)
{
    std::size_t length = 0;
    for (wchar_t wide : text) {
        const auto value = static_cast<char32_t>(wide);
        length += value < 0x80 ? 1 : value < 0x800 ? 2 : value < 0x10000 || value > 0x10FFFF ? 3 : 4;
    }
    return length;
}

// Short texts are sized for the worst case (four bytes per character), long
// ones exactly, so that a long text never holds four times its size.
void encode_utf8(std::wstring_view text, std::string& result)
{
    constexpr std::size_t long_text = 1 << 16;
    result.resize(text.size() < long_text ? text.size() * 4 : encoded_length(text));
    char* out = result.data();
    for (wchar_t wide : text) {
        auto value = static_cast<char32_t>(wide);
        if (value < 0x80) {
            *out++ = static_cast<char>(value);
            continue;
        }
        if ((value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
            value = replacement_character;
        if (value < 0x800) {
            *out++ = static_cast<char>(0xC0 | (value >> 6));
            *out++ = static_cast<char>(0x80 | (value & 0x3F));
        } else if (value < 0x10000) {
            *out++ = static_cast<char>(0xE0 | (value >> 12));
            *out++ = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (value & 0x3F));
        } else {
            *out++ = static_cast<char>(0xF0 | (value >> 18));
            *out++ = static_cast<char>(0x80 | ((value >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (value & 0x3F));
        }
    }
    result.resize(static_cast<std::size_t>(out - result.data()));
}

}  // namespace

bool MultiByteToWideChar(std::uint32_t code_page, std::string_view text, std::wstring& result)
{
    if (!is_known_code_page(code_page)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    result.resize(text.size());
    result.resize(decode_utf8(text, result.data()));
    return true;
}

bool MultiByteToWideChar(std::uint32_t code_page, std::string_view text, wchar_t* result, std::size_t& length)
{
    if (!is_known_code_page(code_page)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    length = decode_utf8(text, result);
    return true;
}

bool WideCharToMultiByte(std::uint32_t code_page, std::wstring_view text, std::string& result)
{
    if (!is_known_code_page(code_page)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    encode_utf8(text, result);
    return true;
}
