// The rows of one table in the script, as INSERT statements.
#pragma once

#include "model/recordset.h"
#include "mssql/write_plan.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class mss_dmp_database;
class mss_script_file;

// Writes the rows of one table into the script as INSERT statements of at
// most 11 rows. Only the open statement is held; a byte or text value over
// 1 MiB is streamed into the file and closes its statement.
class mss_dmp_recordset : public udb_recordset {
public:
    mss_dmp_recordset(mss_dmp_database& database, const std::wstring& table, const udb_schema& schema);
    // Writes the open statement and switches the identity insertion off.
    ~mss_dmp_recordset() override;

    void append_record(udb_record& record) override;
    // Writes the text in UTF-8 followed by CR LF.
    void dump(const std::wstring& text);

private:
    void find_fields(const udb_record& record);
    bool same_layout(const udb_record& record) const;
    void build_literals();
    void write_bytes(const std::string& bytes);
    void write_large_value(const udb_field& field);
    void write_hex(const udb_field& field);
    void write_text(const udb_field& field);
    template <class Char>
    void write_text_parts(std::basic_string_view<Char> text);
    void write_part(const std::string& part);
    void write_part(const std::wstring& part);

    mss_script_file& m_output;
    const bool m_unicode;
    bool m_has_identity = false;
    std::uint32_t m_row_counter = 0;
    bool m_identity_insert_pending = true;
    bool m_identity_insert_on = false;
    // The open statement and the head of a new one, in UTF-8.
    std::string m_pending;
    std::wstring m_safe_name;
    std::string m_column_part;

    // Reused from row to row: the fields in the schema's order, where the
    // previous record held them and under which names, and the row's values
    // in UTF-8 joined by ", ", a streamed value left out: its field and the
    // place it goes in m_streamed.
    std::vector<std::wstring> m_source_names;
    std::vector<std::wstring> m_record_names;
    std::vector<std::size_t> m_positions;
    std::vector<const udb_field*> m_fields;
    std::string m_literals;
    std::vector<std::pair<const udb_field*, std::size_t>> m_streamed;
    // What each column makes of its values: their room, what a NULL becomes.
    std::vector<mss_column_plan> m_plans;
};
