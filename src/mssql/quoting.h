// Quoting for T-SQL: bracketed names, and literals that keep every character
// of a text and survive the script's splitting into batches.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// [name] with every "]" doubled, as T-SQL's QUOTENAME writes it.
std::wstring mss_bracket_name(const std::wstring& name);

// The bracketed form of one identifier. A name is taken literally: one that
// looks bracketed already ([x]) is bracketed whole ([[x]]]), so that it
// stays apart from x.
std::wstring mss_quote_name(const std::wstring& name);

// The text with every apostrophe doubled, for use inside a '...' literal.
std::wstring mss_escape_literal(const std::wstring& text);

// Appends the UTF-8 text with every apostrophe doubled.
void mss_append_escaped_literal(std::string& result, std::string_view utf8_text);

// The text as an N'...' literal, every apostrophe doubled: names and texts
// that may hold any letter.
std::wstring mss_unicode_literal(const std::wstring& text);

// A text value as a T-SQL literal ('...', N'...' with `unicode`) that keeps
// every character and that no client reads a command in: apostrophes
// doubled, a zero character written as NCHAR(0) (CHAR(0)) between two
// literals joined by +, and the literal closed and reopened in front of a
// line that starts a client command (client_commands.h) and between "$" and
// "(". Joined literals of more than 2000 characters start with
// mss_long_text_head, so that the server does not cut them.
std::wstring mss_text_literal(const std::wstring& text, bool unicode);
void mss_append_text_literal(std::string& result, std::string_view utf8_text, bool unicode);
const char* mss_long_text_head(bool unicode);

// Whether the literal of the text may be made of joined literals.
bool mss_literal_may_join(std::string_view utf8_text);
bool mss_literal_may_join(std::wstring_view text);

// The inside of an open literal of mss_text_literal, for a text written in
// parts: `line_start` tells whether the part begins a line of the text.
void mss_append_literal_body(std::wstring& result, std::wstring_view text, bool unicode, bool line_start);
void mss_append_literal_body(std::string& result, std::string_view utf8_text, bool unicode, bool line_start);

// Where the part of a text that starts at `start` (at the start of a line of
// the text when `line_start`) ends: `step` characters on, or a little further
// so that no part ends among the blanks and first characters of a line,
// which tell whether the line must be broken, nor between "$" and the
// character after it.
std::size_t mss_literal_part_end(std::wstring_view text, std::size_t start, std::size_t step, bool line_start);
std::size_t mss_literal_part_end(std::string_view utf8_text, std::size_t start, std::size_t step, bool line_start);
