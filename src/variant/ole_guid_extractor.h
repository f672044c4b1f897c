// Finds a GUID in a text: the bare 36-character form, the braced form, or a
// braced GUID after the word "guid" in a longer text.
#pragma once

#include <cstdint>
#include <string>

class ole_guid_extractor {
public:
    // The text in the ANSI code page.
    explicit ole_guid_extractor(const std::string& text);
    explicit ole_guid_extractor(const std::wstring& text);

    bool is_valid() const { return m_valid; }
    std::int32_t get_start() const { return m_start; }
    // The GUID as 8-4-4-4-12 digits with dashes, without braces; empty when not valid.
    std::wstring get_wstr() const;
    std::string get_str() const;
    // The 32 digits without dashes; empty when not valid.
    std::wstring get_guid_wstr() const;
    // The 16 bytes of the GUID structure (its first three fields little-endian).
    // Only for a valid GUID; anything else is an internal error.
    void get_bytes(std::uint8_t bytes[16]) const;

private:
    void validate(const std::wstring& text);

    std::int32_t m_start = -1;
    std::wstring m_text;
    bool m_valid = false;
};
