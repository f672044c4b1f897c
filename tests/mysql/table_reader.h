#pragma once
// Helpers of the MySQL tests: an opened database and the rows of a recordset
// as plain values.

#include "model/recordset.h"
#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velmora_test {

using row_values = std::map<std::wstring, ole_variant>;

inline std::unique_ptr<sql_database> open_database(sql_engine& engine, const std::string& name, std::uint32_t mode = 1)
{
    return std::unique_ptr<sql_database>(
        static_cast<sql_database*>(engine.open_db(std::wstring(name.begin(), name.end()), mode)));
}

// Resets the recordset and reads every row, each field by its name.
inline std::vector<row_values> read_rows(udb_recordset& recordset)
{
    std::vector<row_values> rows;
    for (recordset.reset(); !recordset.is_eof(); recordset.next()) {
        row_values values;
        for (const udb_field* field : *recordset.get_item())
            values.emplace(field->name, *field);
        rows.push_back(std::move(values));
    }
    return rows;
}

}  // namespace velmora_test
