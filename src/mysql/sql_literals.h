// Values as the texts that stand for them in MySQL statements. Every quoted
// literal goes through one masker, so that no value can end a literal early.
#pragma once

#include "platform/automation/oleauto.h"

#include <cstdint>
#include <string>
#include <string_view>

class t_ftd;
class udb_field;

// Fields above this many bytes travel as long data of a prepared statement.
inline constexpr std::uint32_t sql_long_data_threshold = 0x100000;

// A backslash before every backslash and single quote, and NUL as \0.
std::string sql_mask(std::string_view text);
std::wstring sql_mask(std::wstring_view text);

// A plain decimal number: sign, digits, point, exponent.
bool sql_is_number(std::wstring_view text);
// The text as one number literal of a binary column: 0x and hexadecimal
// digits, or at least two decimal digits.
bool sql_is_binary_number(std::wstring_view text);

// A TIME column: a date value without a date part is a time of day there;
// in any other date column it is the zero date that MySQL keeps.
bool sql_is_time_column(const t_ftd& column);

// The UTF-8 form of the whole text, zero characters included.
std::string sql_utf8(std::wstring_view text);
// The UTF-8 text of a field, zero characters included.
std::string sql_field_utf8(const udb_field& field);

// The literal of a value's text of the given VARIANT type: NULL for a missing
// value, quoted text and dates, numbers bare when they are numbers.
std::string to_mysql_str(const std::string& text, VARTYPE type);
std::wstring to_mysql_wstr(const std::wstring& text, VARTYPE type);
// The literal of a field; byte arrays as hexadecimal numbers.
std::string to_mysql_str(const udb_field* field);
// The literal of a field for its column: a date value without a date part
// keeps its zero date ('0000-00-00 12:34:56'), as MySQL stores it, in every
// date column but a TIME column.
std::string to_mysql_str(const udb_field* field, const t_ftd* column);
// The UTF-8 text of one field in the value list of an INSERT into `column`;
// "?" for a long field when placeholders are allowed.
std::string get_fld_append_str(const udb_field* field, const t_ftd* column, bool placeholders);
