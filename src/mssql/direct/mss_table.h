// An MS SQL table or query opened as a recordset: odb_table opens the rowset
// and counts the rows; mss_table reads the table's definitions from the
// server and writes rows, by bulk load or by statements.
#pragma once

#include "model/database.h"
#include "mssql/direct/bulk_load.h"
#include "mssql/odb/odb_command.h"
#include "mssql/odb/odb_recordset.h"
#include "mssql/write_plan.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// Open modes of a table.
inline constexpr std::uint32_t odb_table_read_only = 0x1;
inline constexpr std::uint32_t odb_table_no_rowset = 2;
inline constexpr std::uint32_t odb_table_skip_indexes = 96;

class odb_table : public odb_recordset {
public:
    // Foreign keys found on the table go to the database's list.
    odb_table(const std::wstring& name, const std::wstring& query_text, IOpenRowset* session, std::uint32_t mode,
              udb_database& owner);
    odb_table(const std::wstring& name, IOpenRowset* session, std::uint32_t mode, udb_database& owner);
    ~odb_table() override;

    bool is_eof() override;
    void reset() override;

    std::uint64_t get_records_cnt();
    // The primary key, the foreign keys that reference the table and its
    // other indexes, from the schema rowsets.
    void init_indexes(const std::wstring& table_name, const std::wstring& owner_name);
    // The same from catalogue queries; the foreign keys the table declares.
    void init_indexes2(const std::wstring& table_name, const std::wstring& owner_name);

protected:
    void internal_initialize(std::uint32_t open_mode);
    // Opens the rowset; a table that does not exist is tried once under dbo.
    void open_rowset(std::uint32_t open_mode);

    ole_com_ptr<IOpenRowset> session;
    udb_relationships& relationships;
    std::uint32_t mode;

private:
    void init_primary_key(const std::wstring& table_name, const std::wstring& owner_name);
    void init_referencing_keys(const std::wstring& table_name, const std::wstring& owner_name);
    void init_other_indexes(const std::wstring& table_name, const std::wstring& owner_name);
};

class mss_table : public odb_table {
public:
    // A table to read or fill; `name` is the canonical [owner].[table].
    mss_table(const std::wstring& name, IOpenRowset* session, std::uint32_t mode, udb_database& owner);
    // A query read as a table.
    mss_table(const std::wstring& name, const std::wstring& query_text, IOpenRowset* session, std::uint32_t mode,
              udb_database& owner);
    // A new destination table of the given schema; no rowset is opened.
    mss_table(const std::wstring& name, IOpenRowset* session, const udb_schema& table_schema, udb_database& owner);
    // Ends the bulk load (its final commit) and the identity insertion; never raises.
    ~mss_table() override;

    void append_record(udb_record& record) override;
    // Ends the bulk load with its final commit.
    void finish() override;
    std::vector<udb_refused_record> take_refused_records() override;
    void update2(udb_record& record, const std::wstring& key) override;
    void update1(udb_record& record) override;
    bool holds_same_key(const udb_record& record) override;
    void delete_key(const std::wstring& key) override;
    void delete_key(udb_record& key) override;
    // N'...' when the run writes Unicode text, as every other text literal.
    std::wstring filter_text_literal(const std::wstring& text) const override;

    void init_schema();
    static ole_variant get_def_value(const t_ftd& column, const std::wstring& definition);
    // Re-reads the rows through the query, keeping the schema.
    void refine_by_sql_query(const std::wstring& query_text);

    bool b_identity = false;
    bool has_primary_key = false;
    bool fast_load_failed = false;
    // This table's identity insertion is on in the session; it is turned off
    // at the end, since the session allows it for one table at a time.
    bool identity_insert_on = false;
    // The bulk-load preamble turned quoted identifiers off in the session;
    // they are turned on again at the end, since the indexes made next with
    // a filter need them.
    bool quoted_identifier_off = false;

private:
    void read_identity(const std::wstring& table_name, const std::wstring& owner_name);
    void read_indexes(const std::wstring& table_name, const std::wstring& owner_name);
    void find_identity();
    void apply_definition(t_ftd& column, const udb_record& row);

    void slow_record(udb_record& record);
    void fast_append(udb_record& record);
    void open_fast_load();
    void bind_field(std::size_t column_index, const udb_field& field);
    // The text of a value, a custom conversion rule's when one takes it.
    std::wstring text_of(const udb_field& value) const;
    // A text is measured against `room` also when a custom conversion rule wrote it.
    void bind_text(const CDynamicAccessorEx::column& target, const udb_field& value, const t_ftd& column,
                   std::uint32_t room);
    // A stream of the value in the form a column bound as `column_type`
    // takes (bytes, wchar_t text for DBTYPE_WSTR, else UTF-8 text), reading
    // the record's value in place where `in_place` allows it and the record
    // holds it so; the caller owns the reference. `length` receives its bytes.
    ISequentialStream* stream_of(const udb_field& value, DBTYPE column_type, const t_ftd& column, bool in_place,
                                 std::uint64_t& length) const;
    void bind_stream(const CDynamicAccessorEx::column& target, const udb_field& value, const t_ftd& column,
                     bool in_place);
    void bind_bytes(const CDynamicAccessorEx::column& target, const udb_field& value, const t_ftd& column);
    void bind_guid(const CDynamicAccessorEx::column& target, const udb_field& value, const t_ftd& column);
    void bind_date(const CDynamicAccessorEx::column& target, const udb_field& value, const t_ftd& column);
    void bind_number(const CDynamicAccessorEx::column& target, const udb_field& value, const t_ftd& column);
    // The record's field for a destination column; the structure error when absent.
    const udb_field& source_field(const udb_record& record, const t_ftd& column) const;
    void run(const std::wstring& statement);
    void run(const std::wstring& statement, const std::vector<odb_parameter>& parameters);
    // What stands for a field's value in a statement: its literal, or a
    // marker whose parameter, added to `parameters`, streams the value.
    std::wstring statement_value(const udb_field& field, const t_ftd& column,
                                 std::vector<odb_parameter>& parameters) const;
    // [column]=value, the same way.
    std::wstring assignment(const udb_field& field, const t_ftd& column, std::vector<odb_parameter>& parameters) const;
    // The schema column of a record field for an update; null, logged, when there is none.
    const t_ftd* column_to_update(const udb_field& field) const;
    // The plan of a schema column, the plans made once for the table's rows.
    const mss_column_plan& plan_of(std::size_t column_index);

    // Turns the rows the bulk load refused into refused records, except the
    // one of the append that raises (its caller reports it).
    void collect_refusals(std::uint64_t raising_append = 0);
    void finish_quietly();
    void continue_identity();

    // The run created the table from the schema, or the server described it.
    mss_column_origin column_origin = mss_column_origin::described_by_server;
    // The plan of each schema column, made when the bulk load opens or for
    // the first row written by statement.
    std::vector<mss_column_plan> plans;
    odb_command command;
    mss_fast_load fast_load;
    std::uint64_t appends = 0;
    // The append of each row given to the bulk load since its last commit;
    // the first is its row number `first_bulk_row`.
    std::deque<std::uint64_t> bulk_appends;
    std::uint64_t first_bulk_row = 0;
    std::vector<udb_refused_record> refused;
};
