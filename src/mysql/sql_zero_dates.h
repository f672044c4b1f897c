// Zero dates as MySQL keeps them ('0000-00-00', '2024-00-15') against the
// destination session's sql_mode.
#pragma once

class t_ftd;
class udb_field;

// Raises a tk_exception (level 0) that names the column and the value when
// the value is a zero date, or a date with a zero month or day, that the
// session's sql_mode refuses: its row is left behind whole, before the
// server could refuse it or store another value.
void sql_check_zero_date(const udb_field& field, const t_ftd& column);
