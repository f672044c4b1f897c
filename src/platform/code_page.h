// Code-page conversion between narrow and wide text. The ANSI, OEM and thread
// code pages are all UTF-8 here; wide text is UTF-32 (wchar_t).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::uint32_t CP_ACP = 0;
inline constexpr std::uint32_t CP_OEMCP = 1;
inline constexpr std::uint32_t CP_THREAD_ACP = 3;
inline constexpr std::uint32_t CP_UTF8 = 65001;

inline constexpr std::uint32_t MB_ERR_INVALID_CHARS = 0x08;

// Decodes the whole text, embedded zeros included. Invalid or truncated byte
// sequences become U+FFFD, one per maximal invalid subpart. False (last error
// ERROR_INVALID_PARAMETER) only for a code page that is not one of the above.
bool MultiByteToWideChar(std::uint32_t code_page, std::string_view text, std::wstring& result);
// The same into a buffer of at least text.size() characters; length is how
// many it holds.
bool MultiByteToWideChar(std::uint32_t code_page, std::string_view text, wchar_t* result, std::size_t& length);
// The number of characters the text decodes to, without decoding it, or false
// (last error ERROR_NO_UNICODE_TRANSLATION) for a text that holds an invalid
// or truncated sequence. Only with MB_ERR_INVALID_CHARS, which this asks for.
bool MultiByteToWideChar(std::uint32_t code_page, std::uint32_t flags, std::string_view text, std::size_t& length);

// The length of the longest prefix of UTF-8 text that does not end inside a
// character: a sequence cut short at the end waits for its next bytes.
std::size_t whole_utf8_length(std::string_view text);

// Encodes the whole text. Values that are no Unicode scalar value (surrogates,
// values beyond U+10FFFF) become U+FFFD. False only for an unknown code page.
bool WideCharToMultiByte(std::uint32_t code_page, std::wstring_view text, std::string& result);

namespace platform {

// File names are bytes, not text: in their wide form each byte that is no
// part of valid UTF-8 stands as U+DC80 plus the byte (a lone surrogate, which
// no text holds), and the narrow form gives that byte back, so that a name
// reaches the system as it was given.
std::wstring decode_file_name(std::string_view bytes);
std::string encode_file_name(std::wstring_view name);

}  // namespace platform
