// MySQL column types and DEFAULT texts of column descriptors.
#pragma once

#include <cstdint>
#include <string>

class t_ftd;

// The name of a type index (0 to 27); "<Unknown type>" for any other.
std::wstring get_mysql_type_name(int index);

// Bytes of the widest character of a character set (4 for a set it does not know).
int sql_bytes_per_character(const std::wstring& charset);

// The longest VARCHAR, in characters, that a row can hold in the character
// set: the row's 65535 bytes less two length bytes, by the set's widest
// character, and never more than 21845.
std::int32_t sql_varchar_limit(const std::wstring& charset);

// Whether a string column of that size is a VARCHAR (else a TEXT type).
bool sql_is_varchar(std::int32_t size, std::int32_t varchar_limit);

// Whether a byte array column of that size is a VARBINARY (else a BLOB type,
// which takes no key without a prefix length).
bool sql_is_varbinary(std::int32_t size);

// Whether the default text asks for the current date and time.
bool sql_is_current_time_default(const std::wstring& text);

// The MySQL type of the column; with `bare`, without lengths and precisions.
// Text columns longer than `varchar_limit` become TEXT types.
std::wstring get_sql_native_type2(const t_ftd& column, bool bare, std::int32_t varchar_limit);

// The DEFAULT text of the column, empty when it has none or MySQL cannot take it.
std::wstring make_mysql_def_val(const t_ftd* column);
