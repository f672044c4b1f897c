// The cursor over a table, a query result or a destination table. Each side
// derives from it; the base keeps the shared parts and gives the key record
// and key filter that updates and deletes by key rely on.
#pragma once

#include "model/index.h"
#include "model/record.h"
#include "model/schema.h"

#include <cstdint>
#include <string>
#include <vector>

class udb_database;

// A record a destination refused after its append had returned: a server
// that takes rows in batches answers for a batch at once.
struct udb_refused_record {
    std::uint64_t append = 0;  // which call of append_record gave it, from 1 on
    std::wstring message;
};

class udb_recordset {
public:
    udb_recordset(udb_database* database, const std::wstring& table, const std::wstring& query, bool schema_owner);
    udb_recordset(udb_database* database, const std::wstring& table, bool schema_owner);
    explicit udb_recordset(const std::wstring& table);
    udb_recordset(const udb_recordset&) = delete;
    udb_recordset& operator=(const udb_recordset&) = delete;
    virtual ~udb_recordset();

    virtual void append_record(udb_record& record);
    // Writes the rows a destination still holds back for one statement; a
    // failure raises. Called once the last row was appended.
    virtual void finish();
    // The records refused since the last call; the caller counts them as
    // not written.
    virtual std::vector<udb_refused_record> take_refused_records();
    virtual void update2(udb_record& record, const std::wstring& key);
    virtual void update1(udb_record& record);
    // Whether the row the destination holds under the record's key has that
    // key as the record has it, value for value. A destination that compares
    // text otherwise than the source (letter case, trailing blanks) may hold
    // another source row under an equal key.
    virtual bool holds_same_key(const udb_record& record);
    virtual void reserved();
    // The current record, owned by the recordset; null when there is none.
    virtual udb_record* get_item();
    virtual bool is_eof();
    virtual bool is_query();
    virtual void move_to(std::int32_t position);
    virtual void next();
    virtual void prev();
    virtual void reset();
    virtual void delete_key(const std::wstring& key);
    virtual void delete_key(udb_record& key);
    // A new record (the caller owns it) holding copies of the key fields of
    // `record`; null when `record` lacks one of them.
    virtual udb_record* get_key(const udb_record& record);
    // The WHERE condition for an XML-tagged key text such as
    // <id>5</id><name>a&amp;b</name>.
    virtual std::wstring get_filter_subquery(const std::wstring& key);
    // A text value of that condition as a literal of the side's SQL: '...'
    // with every apostrophe doubled.
    virtual std::wstring filter_text_literal(const std::wstring& text) const;

    // Whether record_count holds the row count yet: a side may count a
    // table's rows while they are read.
    virtual bool is_count_known() { return true; }
    // Waits until record_count holds the row count; a failed count raises.
    virtual void wait_for_count() {}

    // Adds the index and makes a primary key, or the first unique index, the row key.
    void add_index(const udb_index& index);

    std::wstring query;
    std::wstring table;
    std::int32_t key_index = -1;
    udb_schema schema;
    udb_indexes indexes;
    // The database that opened the recordset; not owned, null for none.
    udb_database* database;
    // Rows of the table or query, known once a side has opened it.
    std::uint64_t record_count = 0;
};
