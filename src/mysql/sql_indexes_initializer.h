// The index part of CREATE TABLE: valid index names over the new column
// names, one clause per index, and an index for the auto-increment column
// when no index starts with it.
#pragma once

#include "model/index.h"
#include "model/names_map.h"

#include <cstdint>
#include <string>
#include <vector>

class sql_schema;

class sql_indexes_initializer {
public:
    sql_indexes_initializer(sql_schema& schema, const udb_indexes& source, const std::wstring& auto_column,
                            const udb_name_pairs& rename_map, const std::wstring& table_type);

    // The clauses of the indexes MySQL can hold; the names of the others go
    // to `left_out`.
    void get_init_chunks(std::vector<std::wstring>& chunks, std::vector<std::wstring>& left_out);

private:
    // The clause of one index; empty when the server cannot take it.
    std::wstring index_clause(const udb_index& index, bool& starts_with_auto_column);
    std::wstring mapped_name(const std::wstring& column) const;

    udb_indexes m_indexes;
    std::wstring m_auto_column;
    sql_schema& m_schema;
    const udb_name_pairs& m_rename_map;
    // Longest key in bytes.
    std::uint32_t m_key_limit;
};
