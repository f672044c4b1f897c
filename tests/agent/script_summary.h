// What a T-SQL script file holds, read back by a small tokenizer: the tables it
// creates and the rows its INSERT statements carry for each table.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

struct script_summary {
    // Table names as the script writes them, "[owner].[table]", UTF-8.
    std::set<std::string> created_tables;
    std::map<std::string, std::uint64_t> inserted_rows;
};

script_summary summarize_script(const std::string& path);
