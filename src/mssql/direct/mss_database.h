// The direct folder: conversion straight into a server, over odb/. The
// engine's connect (mss_engine_connection.cpp) opens the data source;
// mss_database (this file) makes schemas, tables, keys, indexes, foreign
// keys, sequences and views by T-SQL statements; mss_table writes rows, by
// the provider's bulk load into the tables a run creates, by statements
// into tables it merges into and for what bulk load cannot take. Names,
// column definitions and literals come from the top of src/mssql, as the
// script's do. It includes odb/, the top of src/mssql and the layers below.
//
// This file: the destination database of a direct conversion: one MS SQL
// Server database reached through an OLE DB session, where schemas, tables,
// keys and indexes, foreign keys, sequences and views are made by T-SQL
// statements.
#pragma once

#include "mssql/key_statements.h"
#include "mssql/odb/odb_database.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class mss_table;

class mss_database : public odb_database {
public:
    // `owner` limits the reading of the catalogue to one schema and may be empty.
    mss_database(const std::wstring& name, const std::wstring& owner, IDBInitialize* data_source, IOpenRowset* session,
                 std::uint32_t mode);
    ~mss_database() override;

    void create_schema(const std::wstring& schema_name) override;
    // A new table, or in append mode the existing one; the recordset on it
    // belongs to the caller. A table the server refuses raises odb_exception.
    udb_recordset* create_table(const std::wstring& table, const udb_schema& schema,
                                const udb_indexes& indexes) override;
    void create_index(const std::wstring& table, const udb_schema& schema, const udb_index& index) override;
    void create_indexes(const std::wstring& table, const udb_schema& schema, const udb_indexes& indexes) override;
    void create_sequences(const udb_sequences& list) override;
    void create_views(const udb_views& list) override;
    void empty_table(const std::wstring& table) override;
    udb_recordset* get_query(const std::wstring& name, const std::wstring& query_text, std::uint32_t flag) override;
    void get_schema_info(std::vector<std::wstring>& schemas) override;
    // The table as get_table1 opens it.
    udb_recordset* get_table(const std::wstring& table, std::uint32_t flag) override;
    void create_relationships(const udb_relationships& list) override;
    bool is_table_exist(const std::wstring& table) override;

    udb_recordset* get_table2(const std::wstring& table, const udb_schema& schema);
    // Fits the column descriptors to the server's real column types; re-reads
    // spatial columns as text.
    mss_table* amend_schema(mss_table* table);
    bool is_index_exist(const std::wstring& name, bool constraint);
    void enable_fast_load(bool on);
    // The clustered index an Azure SQL table without primary key needs.
    void create_clustered_index(const std::wstring& table, const udb_schema& schema);
    // An unfiltered unique index on exactly the referenced columns, unless the
    // parent has a primary key or such an index already. The columns carry
    // their source names, renamed as the names map holds them under the
    // parent's source name.
    void create_fk_index_if(const std::wstring& parent, const std::wstring& parent_source,
                            const std::vector<std::wstring>& columns);

    // A primary key of the current table exists on the server.
    bool has_primary_key = false;
    // The keys and indexes this run made, table by table.
    mss_made_keys made_keys;
    // [owner].[table] -> column -> the server's type name.
    std::map<std::wstring, std::map<std::wstring, std::wstring>> column_types;

private:
    void do_create_table(const std::wstring& table, const udb_schema& schema, const udb_indexes& indexes);
    void init_tables(const std::wstring& owner);
    void init_columns(const std::wstring& owner);
    void init_sequencies(const std::wstring& owner);
    void init_views(const std::wstring& owner);
    // Runs a statement whose result is not read.
    void run(const std::wstring& statement);
    // The canonical name of a table of the database, empty when it has none.
    std::wstring existing_table_name(const std::wstring& name);
    void create_relationship(const udb_relationship& relationship);
};
