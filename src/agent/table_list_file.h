// The table-list file of --tab_file=: one table name per line, in the order
// the tables are to be converted.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The names of the file, empty lines skipped, a CR before a line feed removed.
// When the first non-empty line starts with the UTF-8 byte-order mark the file
// is UTF-8, else it is in the ANSI code page. No value when the file cannot be
// opened or read.
std::optional<std::vector<std::wstring>> read_table_list(const std::string& path);

// Makes the file's names the converter's list of tables to convert. A missing
// or unreadable file ends the program through usage_and_exit.
void process_tab_file(const std::string& path);
