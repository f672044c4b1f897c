// The script folder: the T-SQL script writer. mss_dmp_database (this file)
// writes what the direct path would run, batch by batch, each ended by "GO";
// its recordsets (script_rows.h) write rows as INSERT statements built in
// UTF-8; script_file.h puts the bytes into a temporary file beside the
// destination on a thread of its own (file_writer.h) and renames it over the
// destination only when the script is complete. It includes only the top of
// src/mssql and the layers below it: writing a script needs no connection.
#pragma once

#include "model/database.h"
#include "model/index.h"
#include "mssql/key_statements.h"
#include "mssql/script/script_file.h"

#include <map>
#include <string>
#include <vector>

// The options of a T-SQL script.
struct mss_dump_options {
    mss_dump_options();

    // The user's Unicode choice; the writer itself takes the engine's flag
    // once, when the script is opened.
    bool unicode = true;
    // The header comment, the per-table comments and the foreign-key section comment.
    bool comments = true;
    // With `structure`: drop, create and use the database first.
    bool create_database = false;
    // Each table's drop and CREATE TABLE statements.
    bool structure = true;
    std::string title;
    // Empty: the file's base name.
    std::string database_name;
};

// A destination database that is a T-SQL script file: every operation writes
// the statements the direct path would run, each batch ended by "GO".
// Recordsets from create_table write into the same file and must be
// destroyed before this object. The file takes the destination's place only
// through commit(); a script destroyed before that leaves nothing behind.
class mss_dmp_database : public udb_database {
public:
    // Opens the file and writes its head; a file that cannot be opened
    // raises tk_exception (level 1).
    mss_dmp_database(const std::wstring& file_name, const mss_dump_options& options);
    ~mss_dmp_database() override;

    // The script is complete: it takes the destination file's place. A
    // script that is not to replace an earlier file leaves one that stands
    // there as it is and returns false. Raises tk_exception (level 1) when
    // it cannot, or when a write had failed.
    bool commit(bool replace = true);

    using udb_database::create_table;
    void create_schema(const std::wstring& schema_name) override;
    udb_recordset* create_table(const std::wstring& table, const udb_schema& schema,
                                const udb_indexes& indexes) override;
    void create_index(const std::wstring& table, const udb_schema& schema, const udb_index& index) override;
    void create_indexes(const std::wstring& table, const udb_schema& schema, const udb_indexes& indexes) override;
    void create_sequences(const udb_sequences& sequences) override;
    void create_views(const udb_views& views) override;
    void delete_fk(const std::wstring& name) override;
    void delete_idx(const std::wstring& table, const udb_index& index) override;
    bool delete_tab(const std::wstring& table) override;
    udb_recordset* get_query(const std::wstring& name, const std::wstring& query, std::uint32_t flag) override;
    udb_recordset* get_table(const std::wstring& table, std::uint32_t flag) override;
    udb_recordset* query(const std::wstring& statement) override;
    bool test_query(const std::wstring& statement) override;
    void create_relationships(const udb_relationships& relationships) override;

    mss_script_file& output() { return m_file; }
    // The engine's Unicode flag as it stood when the script was opened.
    bool unicode() const { return m_unicode; }

private:
    void write_head(const std::wstring& file_name);
    void write_statement(const std::wstring& statement, const char* line_end);
    void create_clustered_index(const std::wstring& table, const udb_schema& schema);
    void create_fk_index_if(const std::wstring& parent, const std::vector<std::wstring>& columns,
                            const std::vector<std::wstring>& source_columns);

    mss_script_file m_file;
    bool m_primary_key_written = false;
    bool m_unicode;
    bool m_comments;
    bool m_create_database;
    bool m_structure;
    std::string m_title;
    std::string m_database_name;
    // The keys and indexes written for each table: a foreign key needs an
    // unfiltered unique one on its referenced columns.
    mss_made_keys m_made_keys;
};
