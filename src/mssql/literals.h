// Field values as T-SQL literals and in the range MS SQL Server accepts, and
// the report of a value it cannot hold.
#pragma once

#include "platform/automation/vartype.h"

#include <string>

class ole_variant;
class t_ftd;
class tk_exception;
class udb_field;

// The value moved into the range MS SQL Server accepts: a year past 9999
// becomes 9999 (mssql/date_range.h), doubles are clamped to
// +-2.23e-308 .. +-1.79e308.
ole_variant mssql_get_safe_variant(const ole_variant& value);

// The report of a value that MS SQL Server cannot hold (a TIME past 24 hours
// or below zero, a date with a zero month or day): names the column and the
// value; the record it belongs to is left behind.
tk_exception mss_unheld_value(const t_ftd& column, const std::wstring& value);

// A plain decimal number: an optional minus sign, digits and at most one point.
bool mss_is_decimal_text(const std::wstring& text);

// Whether a text in a date column is no date the server can hold: a TIME
// below zero or past 24 hours, a date with a zero month or day.
bool mss_is_unheld_date_text(const std::wstring& text);

// The T-SQL literal of a value's text. The column, when given, decides
// whether a text is written as a uniqueidentifier and whether a date-time
// keeps its microseconds (DATETIME2, TIME, DATETIMEOFFSET) or milliseconds.
std::wstring to_mssql_str(const std::wstring& text, VARTYPE vartype, const t_ftd* column = nullptr);

// The literal that stands for one field of a row, appended in UTF-8, for the
// script writer, which gives the Unicode choice it took when the run
// started. NULL in a NOT NULL column becomes what the column's plan decides
// (mssql/write_plan.h).
void mss_append_fld_literal(std::string& result, const udb_field* field, const t_ftd* column, bool unicode);

// The same literal in wide text, for the statements of the direct path.
std::wstring mss_get_fld_append_str(const udb_field* field, const t_ftd* column);
