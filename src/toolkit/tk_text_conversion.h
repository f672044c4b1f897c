// Conversions between wide text, the ANSI code page and UTF-8. The ANSI code
// page is UTF-8 on this system; invalid input bytes become U+FFFD.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The code page argument that stands for the ANSI code page.
inline constexpr std::uint32_t tk_ansi_code_page = 0xFFFFFFFF;

// These convert the whole text and stop the result at its first zero character.
// They raise tk_exception_ex (code 0) when the conversion fails.
std::wstring tk_ansi_to_unicode(const std::string& text);
std::wstring tk_utf8_to_unicode(const std::string& text);
std::string tk_unicode_to_ansi(const std::wstring& text, std::uint32_t code_page = tk_ansi_code_page);
std::string tk_unicode_to_utf8(const std::wstring& text);
// Into the caller's buffer, whose storage is reused: for texts decoded one
// after another.
void tk_utf8_to_unicode(std::string_view text, std::wstring& result);

// Forms for callers that must not fail: false for a null text or a failed
// conversion; they never throw. The new buffers replace the old ones.
bool tk_ansi_to_unicode1(const char* text, std::unique_ptr<wchar_t[]>& buffer);
bool tk_unicode_to_ansi2(const wchar_t* text, std::unique_ptr<char[]>& buffer);
bool tk_unicode_to_ansi3(const wchar_t* text, std::string& result);
// Also false when the text and its terminator do not fit the caller's buffer.
bool tk_unicode_to_ansi1(const wchar_t* text, char* buffer, std::size_t buffer_size);

// A file name's bytes and its wide form, both ways without loss: the bytes
// that are no UTF-8 are kept (platform::decode_file_name), so that a name
// given in another encoding names the same file.
std::wstring tk_file_name_to_unicode(const std::string& name);
std::string tk_unicode_to_file_name(const std::wstring& name);
