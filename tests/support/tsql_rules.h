// A checker of documented SQL Server rules that the T-SQL peer of the tests
// does not enforce, run over every script the tests write and every
// statement the recording provider receives:
// - a primary key's columns are NOT NULL where the table is created (Msg 8111);
// - a table has at most 1024 columns;
// - an identifier has at most 128 characters (UTF-16 units);
// - SET IDENTITY_INSERT names a table that has an IDENTITY column (Msg 8106);
// - a COLLATE clause names a collation that SQL Server has.
// Tables the statements did not create are not judged.
#pragma once

#include "support/tsql_tokens.h"

#include <map>
#include <string>
#include <vector>

namespace tsql {

class rule_checker {
public:
    // One batch as the server receives it, UTF-8.
    void add_batch(const std::string& batch);
    void add_batch(const std::wstring& batch);
    // One text for each rule broken, naming the object.
    const std::vector<std::string>& breaches() const { return m_breaches; }

private:
    struct column_info {
        bool not_null = false;
    };
    struct table_info {
        std::map<std::string, column_info> columns;
        bool identity = false;
    };
    void create_table(const std::string& name, const std::vector<token>& tokens, std::size_t& at);
    void check_key_columns(const std::string& table, const std::vector<token>& tokens, std::size_t& at);

    std::map<std::string, table_info> m_tables;
    std::vector<std::string> m_breaches;
};

// The breaches of a whole script, its batches split at the "GO" lines.
std::vector<std::string> rule_breaches(const std::string& script);

// Whether SQL Server has a collation of that name, of the families the
// checker knows: Latin1_General (versions 80 and 100) and
// SQL_Latin1_General_CP1. Any other name is taken as unknown.
bool is_sql_server_collation(const std::string& name);

}  // namespace tsql
