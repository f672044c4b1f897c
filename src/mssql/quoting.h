#pragma once

#include <string>

// [name] with every "]" doubled, as T-SQL's QUOTENAME writes it.
std::wstring mss_bracket_name(const std::wstring& name);

// The bracketed form of one identifier; a name that already is a properly
// bracketed identifier is returned unchanged.
std::wstring mss_quote_name(const std::wstring& name);

// The text with every apostrophe doubled, for use inside a '...' literal.
std::wstring mss_escape_literal(const std::wstring& text);

// The text as an N'...' literal, every apostrophe doubled: names and texts
// that may hold any letter.
std::wstring mss_unicode_literal(const std::wstring& text);
