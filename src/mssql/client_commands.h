// What T-SQL clients take for their own before the server sees a script.
// sqlcmd, FreeTDS tsql and editors split a script into lines before any
// parsing: a line that starts, after blanks, with ":" or "!!", or with one
// of the words go, exit, quit, reset, ed, bye or version, is read as a
// client command wherever it stands, inside a literal or a comment too; and
// sqlcmd replaces "$(name)" anywhere by a scripting variable. A line starts
// after LF, after CR LF and after a lone CR, which some editors break at.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// The words that start a command line as whole words; go is taken whatever
// follows it ("GO 3", "GO;"), as the script has always done.
inline constexpr std::array<std::string_view, 6> mss_client_command_words = {"exit", "quit", "reset",
                                                                             "ed",   "bye",  "version"};

// How many characters after a line's blanks tell whether it is a command:
// the longest word and the character after it.
constexpr std::size_t mss_client_command_head = 8;

bool mss_is_line_blank(wchar_t c);

// Whether the line of the text that starts at `at` reads as a client command.
bool mss_starts_client_command(std::string_view text, std::size_t at);
bool mss_starts_client_command(std::wstring_view text, std::size_t at);

// A name that no client can read as a command: a bracketed name cannot be
// broken up, so its line breaks become "_" and each "$(" becomes "_(".
bool mss_is_client_safe_name(std::wstring_view name);
std::wstring mss_client_safe_name(std::wstring name);
