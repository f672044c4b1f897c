// The column lines of CREATE TABLE, the same on the direct path and in the
// script.
#pragma once

#include <string>

class t_ftd;
class udb_database;
class udb_indexes;

// One column of CREATE TABLE: [name], its T-SQL type, the collation of a
// case-sensitive or binary source collation, NOT NULL and DEFAULT.
// A column of the primary key is NOT NULL even when the source allows NULL.
// With `unicode_text`, a text column's default is an N'...' literal. A date
// or time default that T-SQL cannot take is left out, and reported as a
// failed object of `destination`; a zero date default is the base date.
std::wstring mss_column_definition(udb_database& destination, const std::wstring& table, const t_ftd& column,
                                   const udb_indexes& indexes, bool unicode_text = false);
