#pragma once
// Helpers of the writing-side tests: an error handler that keeps what it is
// told, a destination database of the test's own, and copies of rows.

#include "model/recordset.h"
#include "mysql/sql_database.h"
#include "mysql/test_database.h"
#include "mysql/versioned_engine.h"
#include "toolkit/error_handler.h"

#include <memory>
#include <string>
#include <vector>

namespace velmora_test {

class recording_handler : public error_handler {
public:
    void handle(const tk_exception& exception, bool) override
    {
        reports.push_back(get_context() + ": " + exception.what());
    }
    std::vector<std::string> reports;
};

inline std::wstring wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// A database that the engine under test creates; dropped again by the test
// connection whatever the test did.
class destination_database {
public:
    destination_database(versioned_engine& engine, std::string name);
    ~destination_database();
    destination_database(const destination_database&) = delete;
    destination_database& operator=(const destination_database&) = delete;

    const std::string& name() const { return m_name; }
    sql_database& database() { return *m_database; }
    // Opens the database again, so that its table list is read anew.
    void reopen(std::uint32_t mode = 0);

private:
    versioned_engine& m_engine;
    std::string m_name;
    std::unique_ptr<sql_database> m_database;
};

// Copies of every row of the recordset.
std::vector<std::unique_ptr<udb_record>> read_records(udb_recordset& recordset);

// Creates the table of the source database in the destination and appends
// each row; the fields of every row in reverse order when asked.
void copy_table(sql_database& source, sql_database& destination, const std::wstring& table,
                bool reverse_fields = false);

// The columns whose values differ between the two tables (rows matched by
// `key`): texts and binaries byte for byte, other types by value. A row
// count that differs is reported as "<row count>".
std::vector<std::string> differing_columns(MYSQL* connection, const std::string& source, const std::string& destination,
                                           const std::string& table, const std::string& key = "id");

// A field of a row built by hand.
udb_field* field(const std::wstring& name, const ole_variant& value, std::uint32_t size = 0);

}  // namespace velmora_test
