#include "platform/code_page.h"

#include "platform/last_error.h"

#include <bit>
#include <cstring>

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

// The bytes of the sequence that starts at `i` with that lead, as far as
// they continue it validly, and the value they make.
inline int read_sequence(std::string_view text, std::size_t i, const sequence_start& start, char32_t& value)
{
    value = start.value;
    unsigned char low = start.low;
    unsigned char high = start.high;
    int taken = 1;
    while (taken < start.length && i + taken < text.size()) {
        const auto next = static_cast<unsigned char>(text[i + taken]);
        if (next < low || next > high)
            break;
        value = (value << 6) | (next & 0x3F);
        low = 0x80;
        high = 0xBF;
        ++taken;
    }
    return taken;
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
        char32_t value = 0;
        const int taken = read_sequence(text, i, start, value);
        *out++ = static_cast<wchar_t>(taken == start.length ? value : replacement_character);
        i += static_cast<std::size_t>(taken);
    }
    return static_cast<std::size_t>(out - result);
}

// Steps over the sequence that starts at a byte of 0x80 or more, or gives
// false when it is invalid or cut short.
inline bool skip_sequence(const unsigned char*& byte, const unsigned char* end)
{
    const unsigned char lead = *byte;
    // Two-byte letters (Latin, Greek, Cyrillic) are the most common others.
    if (lead >= 0xC2 && lead <= 0xDF) {
        if (end - byte < 2 || (byte[1] & 0xC0) != 0x80)
            return false;
        byte += 2;
        return true;
    }
    const sequence_start start = classify_lead(lead);
    if (start.length == 0 || end - byte < start.length || byte[1] < start.low || byte[1] > start.high)
        return false;
    for (int i = 2; i < start.length; ++i) {
        if ((byte[i] & 0xC0) != 0x80)
            return false;
    }
    byte += start.length;
    return true;
}

// The characters of a text, or false at its first invalid sequence; as
// decode_utf8 reads them. ASCII is passed over eight bytes at a time, up to
// the first byte that is not.
bool count_valid_utf8(std::string_view text, std::size_t& count)
{
    constexpr std::uint64_t high_bits = 0x8080808080808080u;
    const auto* byte = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = byte + text.size();
    count = 0;
    while (end - byte >= 8) {
        std::uint64_t eight = 0;
        std::memcpy(&eight, byte, 8);
        const std::uint64_t high = eight & high_bits;
        const int ascii = high == 0                                    ? 8
                          : std::endian::native == std::endian::little ? std::countr_zero(high) / 8
                                                                       : std::countl_zero(high) / 8;
        byte += ascii;
        count += static_cast<std::size_t>(ascii);
        if (ascii < 8) {
            if (!skip_sequence(byte, end))
                return false;
            ++count;
        }
    }
    while (byte < end) {
        if (*byte < 0x80)
            ++byte;
        else if (!skip_sequence(byte, end))
            return false;
        ++count;
    }
    return true;
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

bool MultiByteToWideChar(std::uint32_t code_page, std::uint32_t flags, std::string_view text, std::size_t& length)
{
    if (!is_known_code_page(code_page) || (flags & MB_ERR_INVALID_CHARS) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (count_valid_utf8(text, length))
        return true;
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return false;
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

std::size_t whole_utf8_length(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t lead = size;
    while (lead > 0 && size - lead < 3 && (bytes[lead - 1] & 0xC0) == 0x80)
        --lead;
    if (lead == 0)
        return size;
    const unsigned char first = bytes[lead - 1];
    const std::size_t needed = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    return size - (lead - 1) < needed ? lead - 1 : size;
}

namespace platform {

namespace {

constexpr char32_t escaped_byte_base = 0xDC00;

bool is_escaped_byte(char32_t value)
{
    return value >= escaped_byte_base + 0x80 && value <= escaped_byte_base + 0xFF;
}

}  // namespace

std::wstring decode_file_name(std::string_view bytes)
{
    std::wstring name;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const sequence_start start = lead < 0x80 ? sequence_start{1, lead, 0, 0} : classify_lead(lead);
        char32_t value = 0;
        const int taken = read_sequence(bytes, i, start, value);
        if (start.length == 0 || taken < start.length) {
            name += static_cast<wchar_t>(escaped_byte_base + lead);
            ++i;
            continue;
        }
        name += static_cast<wchar_t>(value);
        i += static_cast<std::size_t>(taken);
    }
    return name;
}

std::string encode_file_name(std::wstring_view name)
{
    std::string bytes;
    std::string part;
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !is_escaped_byte(static_cast<char32_t>(name[i])))
            continue;
        encode_utf8(name.substr(begin, i - begin), part);
        bytes += part;
        if (i < name.size())
            bytes += static_cast<char>(static_cast<char32_t>(name[i]) - escaped_byte_base);
        begin = i + 1;
    }
    return bytes;
}

}  // namespace platform
