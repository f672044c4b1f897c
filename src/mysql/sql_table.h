// The recordset of one source table with its full structure: declared column
// types and defaults, indexes and keys, and foreign keys.
#pragma once

#include <cstdint>
#include <string>

#include "mysql/sql_recordset.h"

class sql_table : public sql_recordset {
public:
    // Reads the columns; with a mode other than 0, 0x20, 0x40 and 0x60 also
    // the indexes and the foreign keys, which join `relationships`.
    sql_table(sql_database* database, const std::wstring& table, udb_relationships* relationships,
              std::uint32_t mode);
    // Runs a statement that the writing side left pending.
    ~sql_table() override;

    // The writing side of the table.
    void append_record(udb_record& record) override;
    void update2(udb_record& record, const std::wstring& key) override;
    void update1(udb_record& record) override;
    void delete_key(const std::wstring& key) override;
    void delete_key(udb_record& key) override;

    std::uint64_t batch_field_count = 0;
    std::string pending_statement;

private:
    void initialize(std::uint32_t mode);
    void read_columns();
    void read_indexes();
    void read_foreign_keys();
};
