// Whether a text value fits its MS SQL Server column. The server counts the
// length of NVARCHAR(n) in UTF-16 units, so a character beyond U+FFFF takes
// two; VARCHAR(n) counts characters, and one beyond U+FFFF becomes two there
// too. A value that does not fit is refused whole, never cut.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class t_ftd;
class udb_field;

// UTF-16 units of the text.
std::size_t mss_utf16_length(std::wstring_view text);

// The UTF-16 units a text column holds as the server describes it; 0 when
// the column is no sized text column.
std::uint32_t mss_server_text_room(const t_ftd& column);

// Raises tk_exception (level 0) naming the column and the value when the
// text needs more than `room` units; room 0 holds any text.
void mss_check_text_fits(std::wstring_view text, std::uint32_t room, const std::wstring& column);

// The same for a field: a text field, unless a custom conversion rule
// writes its own text in its place.
void mss_check_field_fits(const udb_field& field, std::uint32_t room, const std::wstring& column);
