// Trimming, splitting, replacing, lower-casing, prefix and suffix tests, and
// the hexadecimal form of bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Removes the space character only (tabs and line ends stay), at the end and
// then at the start.
std::string tk_trim(const std::string& text);
std::wstring tk_trim(const std::wstring& text);
// The same within the text, for a caller that keeps no copy.
std::wstring_view tk_trim_view(std::wstring_view text);

// The pieces between separators, empty pieces included; a trailing separator
// gives a trailing empty piece, an empty text no pieces.
std::vector<std::string> tk_split(const std::string& text, char separator);
std::vector<std::wstring> tk_split(const std::wstring& text, wchar_t separator);

// The text as one paragraph, every line feed a blank: a message box wraps
// its text itself, and would break a line it has just wrapped again.
std::string tk_one_paragraph(std::string text);

// Equal texts; without case_sensitive, ignoring case as CompareStringW folds it.
bool tk_same_text(std::wstring_view left, std::wstring_view right, bool case_sensitive);

// An empty affix is always found, one longer than the text never. Without
// case_sensitive, the characters are compared ignoring case.
bool tk_starts_with(const std::wstring& text, const std::wstring& prefix, bool case_sensitive);
bool tk_ends_with(const std::wstring& text, const std::wstring& suffix, bool case_sensitive);

// Two upper-case hexadecimal digits per byte and a terminating zero; the output
// holds 2 * count + 1 characters.
void tk_bin_to_hex(std::uint32_t count, const std::uint8_t* bytes, char* output);
void tk_bin_to_hex(std::uint32_t count, const std::uint8_t* bytes, wchar_t* output);

class tk_string : public std::string {
public:
    tk_string() = default;
    tk_string(const std::string& text) : std::string(text) {}

    // Replaces every occurrence, left to right, going on after each inserted
    // text. An empty search text leaves the text unchanged.
    tk_string& replace_all(const std::string& from, const std::string& to);
};

class tk_wstring : public std::wstring {
public:
    tk_wstring() = default;
    tk_wstring(const std::wstring& text) : std::wstring(text) {}

    tk_wstring& replace_all(const std::wstring& from, const std::wstring& to);
    void split(wchar_t separator, std::vector<std::wstring>& pieces) const;
    // Unicode lower case, character by character, the same in every locale.
    tk_wstring& to_lower();
};
