// The mapping of column descriptors to T-SQL types, and the catalogues of
// types the wizard's column type editor offers, drawn from it.
#pragma once

#include "model/mss_native_type.h"

#include <string>
#include <utility>
#include <vector>

class t_ftd;

// The T-SQL type of a column in CREATE TABLE, upper case; a custom native
// type of the column wins.
std::wstring mss_get_native_type(const t_ftd& column);

// Whether the column is created with IDENTITY: an identity column whose type
// a rule chose carries it only when the rule's type does.
bool mss_creates_identity(const t_ftd& column);

// Whether an exact-number column is created as FLOAT: NUMERIC holds no
// more than 38 digits.
bool mss_is_float_decimal(const t_ftd& column);

// The length of the text column that mss_get_native_type makes: the n of
// NVARCHAR(n) or VARCHAR(n), or of a custom [N][VAR]CHAR(n); 0 for a text
// column without a length and for any other column.
std::uint32_t mss_text_length(const t_ftd& column);

// The length of the binary column that mss_get_native_type makes: the n of
// VARBINARY(n) or of a custom [VAR]BINARY(n); 0 for a binary column without
// a length and for any other column.
std::uint32_t mss_binary_length(const t_ftd& column);

// The type mss_get_native_type writes for the column, in the terms of a
// mapping rule: the lower-case name without its size or IDENTITY, the length
// of a character or binary type (0 for max; any other type keeps the
// column's size), the precision and scale of a type that carries them.
// get_mss_native_type2 of it writes the same type.
mss_native_type mss_written_type(const t_ftd& column);

// The lower-case type the column is written with; with `bTypeOnly` without
// its length, precision and scale, but with "(max)" for a character or
// binary type without a length.
std::wstring get_mss_native_type1(const t_ftd& column, bool bTypeOnly);

// The lower-case type text of a mapping rule with its length, precision or
// scale appended.
std::wstring get_mss_native_type2(const mss_native_type& type);

// The catalogues of the column type editor, drawn from the mapping above:
// for each type name get_mss_native_type1 gives a column (type only), and
// for each type the editor offers, the types the user may choose for it, the
// column's own type first.
std::vector<std::pair<std::wstring, std::vector<std::wstring>>> mss_type_conversions();
// The size words ("LENGTH", "PRECISION", "SCALE") of a type: those of its
// length, precision and scale that get_mss_native_type2 writes into it.
std::vector<std::wstring> mss_type_size_words(const std::wstring& type);
// The text of the "mss.map" and "mss.typ" files: key lines "name:" with item
// lines "- name" below, every type the first offers a key of the second.
std::string mss_type_map_text();
std::string mss_type_sizes_text();
