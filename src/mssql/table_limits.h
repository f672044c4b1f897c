// What MS SQL Server allows in one table, checked before anything of the
// table is created or replaced.
#pragma once

#include <cstddef>
#include <string>

class udb_schema;

inline constexpr std::size_t mss_max_table_columns = 1024;

// Raises tk_exception (level 0) saying why when MS SQL Server would refuse a
// table of these columns: more than 1024 of them.
void mss_check_table_width(const udb_schema& schema);
