// Numbers that MS SQL Server holds otherwise than they were read: doubles
// beyond the range a FLOAT column is written with, and exact numbers wider
// than NUMERIC's 38 digits, whose column is a FLOAT. The writers of a record
// note each such value with the error handler, and the run reports it with
// its table and record.
#pragma once

#include <string>

class ole_variant;
class t_ftd;

// Notes with the error handler that the column was given `written` for the
// value read as `read`.
void mss_note_changed_value(const t_ftd& column, const std::wstring& read, const std::wstring& written);

// The double a FLOAT column is given for `number`: magnitudes up to
// 2.23e-308 become 2.23e-308 and from 1.79e308 on 1.79e308, with the
// number's sign; a NaN becomes -1.79e308; zero stays.
double mss_safe_double(double number);

// Whether the value, written into the column, goes through a double: a
// double, or an exact number (or its text) in a column created as FLOAT.
bool mss_is_float_value(const ole_variant& value, const t_ftd& column);

// The double the column holds of such a value; noted with the error handler
// when it is not the number that was read.
double mss_float_value(const ole_variant& value, const t_ftd& column);
