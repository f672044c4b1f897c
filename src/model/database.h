// The model folder: the contract between the two database ends, so that
// neither knows the other: engine, database, recordset, record and field,
// schema and column descriptor, indexes, foreign keys (relationships),
// sequences, names and their renaming, identifier validators, and the
// conversion job's settings with their profile file. Classes start with
// udb_ (the column descriptor is t_ftd). A side derives from these and the
// converter moves records from one side's recordset into the other's. It
// includes variant, toolkit and platform only.
//
// This file: the interface of one opened database. Each side (MySQL, MS SQL,
// the T-SQL script) derives from it; the base keeps what all share and gives
// a default for each operation.
#pragma once

#include "model/names_map.h"
#include "model/relationship.h"
#include "model/sequence.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class udb_index;
class udb_indexes;
class udb_recordset;
class udb_schema;

using udb_views = std::vector<std::pair<std::wstring, std::wstring>>;

// Open-mode bits and values.
inline constexpr std::uint32_t udb_mode_read_only = 0x1;
inline constexpr std::uint32_t udb_mode_append = 8;
inline constexpr std::uint32_t udb_mode_skip_views = 0x80;
inline constexpr std::uint32_t udb_mode_replace_rows = 0x100;

class udb_database {
public:
    udb_database(const std::wstring& name, std::uint32_t mode, bool case_sensitive);
    udb_database(const udb_database&) = delete;
    udb_database& operator=(const udb_database&) = delete;
    virtual ~udb_database();

    virtual void create_schema(const std::wstring& schema_name);
    // Partitioned tables are not supported by any side: an internal error.
    virtual udb_recordset* create_table(const std::wstring& table, const std::wstring& partition);
    // A new recordset on the created table, owned by the caller.
    virtual udb_recordset* create_table(const std::wstring& table, const udb_schema& schema,
                                        const udb_indexes& indexes) = 0;
    virtual void create_index(const std::wstring& table, const udb_schema& schema, const udb_index& index);
    virtual void create_indexes(const std::wstring& table, const udb_schema& schema, const udb_indexes& indexes);
    virtual void create_sequences(const udb_sequences& sequences);
    virtual void create_views(const udb_views& views);
    virtual void delete_fk(const std::wstring& name);
    virtual void delete_idx(const std::wstring& table, const udb_index& index);
    virtual bool delete_tab(const std::wstring& table);
    virtual void reserved1();
    virtual void empty_table(const std::wstring& table);
    virtual void reserved2();
    virtual udb_recordset* get_query(const std::wstring& name, const std::wstring& query, std::uint32_t flag) = 0;
    virtual void get_schema_info(std::vector<std::wstring>& schemas);
    virtual udb_recordset* get_table(const std::wstring& table, std::uint32_t flag) = 0;
    // The result recordset (owned by the caller), or null for a statement without one.
    virtual udb_recordset* query(const std::wstring& statement);
    virtual bool test_query(const std::wstring& statement) = 0;
    virtual void create_relationships(const udb_relationships& relationships);
    virtual std::vector<std::wstring>& get_table_names();
    virtual bool is_table_exist(const std::wstring& table);

    std::uint32_t get_mode() const { return mode; }

    // The one report of an object the destination could not make: a key, an
    // index, a foreign key, a view, a sequence or a column's default. Writes a
    // level-3 line naming the table (when there is one), the object and the
    // reason, and counts the object among the run's failed ones. With a
    // `user_text`, that text also goes to the user under `context`, at the
    // level that lets the user go on or end the run (ending it raises
    // tk_final_exception).
    void object_failed(const std::wstring& table, const std::wstring& object, const std::string& reason,
                       const std::wstring& context = {}, const std::string& user_text = {});

    // Called between the objects of each step (keys and indexes, foreign
    // keys, sequences, views): a run asked to stop ends at the next object
    // by tk_final_exception, as it does between records.
    void stop_if_requested() const;

    // Bit set of the udb_mode_ values, or udb_mode_append.
    std::uint32_t mode;
    std::wstring name;
    // Table names compare exactly instead of ignoring case.
    bool case_sensitive;
    // (view name, definition), read by the source side.
    udb_views views;
    // (view name, the server's reason) of the views the source server itself
    // cannot read, such as one over a dropped table.
    udb_views invalid_views;
    // Why the source's views could not be listed; empty when they were. A run
    // asked for views reports it rather than converting none in silence.
    std::wstring views_unread;
    // (table, clause) of the foreign keys whose clause the source side could
    // not read: the destination reports them instead of making them.
    std::vector<std::pair<std::wstring, std::wstring>> unreadable_keys;
    std::vector<std::wstring> tables;
    udb_names_map names_map;
    udb_relationships relationships;
    udb_sequences sequences;
    // Set by the run that writes into this database; none for the others.
    std::function<bool()> stop_requested;

    // Whether two spellings name one table of this database.
    bool same_table(const std::wstring& a, const std::wstring& b) const;
};
