// The column part of CREATE TABLE: valid column names, the destination
// column list and one clause per column.
#pragma once

#include "model/names_map.h"
#include "mysql/sql_schema.h"
#include "mysql/sql_validators.h"

#include <memory>
#include <string>
#include <vector>

class udb_indexes;
class udb_properties;

// The value of the key in the properties' set; empty when there are no
// properties or no such key.
std::wstring sql_property(udb_properties* properties, const std::wstring& key);

class sql_schema_initializer {
public:
    // auto_column receives the name of the auto-increment column, empty when none.
    sql_schema_initializer(const std::wstring& table, const udb_schema& source, const udb_indexes& indexes,
                           std::wstring& auto_column);

    void get_init_chunks(std::vector<std::wstring>& chunks, udb_properties* table_properties);

    sql_schema& get_schema() { return m_schema; }
    // Source column name to generated name, for the columns that were renamed.
    const udb_name_pairs& get_rename_map() const { return m_validator->mapped_pairs; }

private:
    std::wstring column_clause(const t_ftd& column, const t_ftd& source, udb_properties* table_properties);
    std::wstring column_charset(const t_ftd& column, udb_properties* table_properties) const;

    std::wstring m_table;
    sql_schema m_schema;
    std::wstring& m_auto_column;
    const udb_indexes& m_indexes;
    std::unique_ptr<sql_validator> m_validator;
    // The source column of each destination column.
    std::vector<const t_ftd*> m_sources;
};
