// What a conversion does not carry across from a MySQL database, named in
// the log so that nothing stays behind unsaid.
#pragma once

#include <string>
#include <vector>

class sql_database;

// Writes one level-3 line for each trigger, CHECK constraint, generated
// column's expression, system-versioned history and spatial reference id of
// the `tables`, and for each stored procedure, function, event and sequence
// of the database. A server that lacks a catalogue table has none of its
// objects.
void sql_report_left_behind(sql_database& database, const std::vector<std::wstring>& tables);
