// The recordset of one source table with its full structure: declared column
// types and defaults, indexes and keys, and foreign keys.
#pragma once

#include "mysql/sql_recordset.h"

#include <cstdint>
#include <string>
#include <vector>

class sql_table : public sql_recordset {
public:
    // Reads the columns; with a mode other than 0, 0x20, 0x40 and 0x60 also
    // the indexes and the foreign keys, which join `relationships`.
    sql_table(sql_database* database, const std::wstring& table, udb_relationships* relationships, std::uint32_t mode);
    // A statement left pending by a user that did not finish is still run;
    // its failure can only be logged here.
    ~sql_table() override;

    // The writing side of the table.
    void append_record(udb_record& record) override;
    // Runs the pending statement of fast append.
    void finish() override;
    void update2(udb_record& record, const std::wstring& key) override;
    void update1(udb_record& record) override;
    void delete_key(const std::wstring& key) override;
    void delete_key(udb_record& key) override;

    // The pending multi-row INSERT of fast append: its column list (rows of
    // another column list start a new statement), its text and its rows.
    std::string pending_head;
    std::string pending_statement;
    std::uint64_t pending_rows = 0;

private:
    struct matched_column {
        const t_ftd* column;
        const udb_field* field;
    };
    // The columns the row's fields go to, in statement order; a column
    // without a field or a field without a column raises, and so does a
    // zero date that the server refuses.
    std::vector<matched_column> match_columns(const udb_record& record) const;
    std::vector<matched_column> columns_of(const udb_record& record) const;
    void fast_append(const udb_record& record);
    void slow_append(const udb_record& record);
    // Runs the pending statement and empties it, also when it fails.
    void run_pending();
    // The row's fields whose safe names are columns of the table, in row order.
    std::vector<matched_column> mapped_fields(const udb_record& record) const;

    void initialize(std::uint32_t mode);
    void read_columns();
    // Logs the ON UPDATE clause of a column's extra text, which no MS SQL
    // Server column can carry.
    void report_on_update(const std::wstring& column, const std::wstring& extra) const;
    void read_indexes();
    void read_foreign_keys();
    // The collation of each text column, from the server's catalogue.
    void read_collations();
    // Marks the keys read from index `first_key` on whose referenced table
    // lies in another database, which SHOW CREATE TABLE names but the
    // foreign-key parser does not keep.
    void read_foreign_key_databases(std::size_t first_key);
    // The WHERE condition of this table's rows in the catalogue.
    std::wstring catalogue_condition() const;
};
