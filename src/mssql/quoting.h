#pragma once

#include <string>
#include <string_view>

// [name] with every "]" doubled, as T-SQL's QUOTENAME writes it.
std::wstring mss_bracket_name(const std::wstring& name);

// The bracketed form of one identifier; a name that already is a properly
// bracketed identifier is returned unchanged.
std::wstring mss_quote_name(const std::wstring& name);

// The text with every apostrophe doubled, for use inside a '...' literal.
std::wstring mss_escape_literal(const std::wstring& text);

// Appends the UTF-8 text with every apostrophe doubled.
void mss_append_escaped_literal(std::string& result, std::string_view utf8_text);

// The text as an N'...' literal, every apostrophe doubled: names and texts
// that may hold any letter.
std::wstring mss_unicode_literal(const std::wstring& text);
