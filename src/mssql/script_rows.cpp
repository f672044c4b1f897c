#include "mssql/script_rows.h"

#include "model/names_map.h"
#include "mssql/engine.h"
#include "mssql/literals.h"
#include "mssql/quoting.h"
#include "mssql/script_writer.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_support_address.h"

#include <algorithm>
#include <vector>

namespace {

// Values larger than this are streamed instead of held in the statement.
constexpr std::uint32_t max_literal_size = 0x100000;
// Bytes (or characters) written per step of a streamed value.
constexpr std::uint32_t stream_step = 0x20000;
// An INSERT statement carries at most this many rows.
constexpr std::uint32_t rows_per_statement = 11;

constexpr const char* structure_mismatch = "The structure of data source does not conform to the destination table.";
constexpr const char* missing_field =
    "Generic error occurred while migrating the data.\nContact to " TK_SUPPORT_MAIL_ADDRESS " for the solution.";

bool is_binary(VARTYPE vartype)
{
    return vartype == VT_BLOB || vartype == VT_BLOB_OBJECT || vartype == (VT_ARRAY | VT_UI1);
}

bool is_streamed(const udb_field& field)
{
    const VARTYPE vartype = field.get_type();
    return (is_binary(vartype) || vartype == VT_BSTR) && field.get_size() > max_literal_size;
}

} // namespace

mss_dmp_recordset::mss_dmp_recordset(mss_dmp_database& database, const std::wstring& table,
                                     const udb_schema& schema)
    : udb_recordset(&database, table, std::wstring(), true), m_output(database.output())
{
    tk_log(1, L"mss_dmp_recordset::mss_dmp_recordset(%ls)", table.c_str());
    this->schema = schema;
    m_has_identity = std::any_of(this->schema.begin(), this->schema.end(),
                                 [](const t_ftd* column) { return column->identity; });
    m_safe_name = mss_engine::get_safe_tname(table);
    m_column_part = L"INSERT INTO " + m_safe_name + L" (";
    for (std::size_t i = 0; i < this->schema.size(); ++i)
        m_column_part += (i == 0 ? L"" : L", ") + mss_quote_name(this->schema[i]->name);
    m_column_part += L")";
}

mss_dmp_recordset::~mss_dmp_recordset()
{
    tk_log(2, "mss_dmp_recordset::dtor");
    try {
        if (!m_pending.empty())
            dump(m_pending + L"\r\nGO\r\n");
        if (m_identity_insert_on)
            m_output.write_utf8(L"SET IDENTITY_INSERT " + m_safe_name + L" OFF;\r\nGO\r\n");
    } catch (const tk_exception& e) {
        mss_report_script_failure(e);
    }
}

void mss_dmp_recordset::dump(const std::wstring& text)
{
    tk_log(2, L"mss_dmp_recordset::dump(%ls)", text.c_str());
    m_output.write_utf8(text);
    m_output.write("\r\n");
}

std::vector<const udb_field*> mss_dmp_recordset::find_fields(const udb_record& record) const
{
    std::vector<const udb_field*> fields;
    fields.reserve(schema.size());
    const udb_names_map& names = database->names_map;
    for (const t_ftd* column : schema) {
        const std::wstring source_name = names.get_fn_orig_name(table, column->name);
        tk_log(1, L"Name=%ls, original name=%ls", column->name.c_str(), source_name.c_str());
        const udb_field* field = record.get_field(source_name);
        if (!field) {
            tk_log(1, L"Field %ls not found", source_name.c_str());
            throw tk_exception(std::string(missing_field), 0);
        }
        fields.push_back(field);
    }
    return fields;
}

void mss_dmp_recordset::append_record(udb_record& record)
{
    tk_log(1, "mss_dmp_recordset::append_record(schema size=%d, record size=%d", static_cast<int>(schema.size()),
           static_cast<int>(record.size()));
    if (m_pending.empty())
        tk_log(1, "Initialize new query...");
    if (record.size() != schema.size()) {
        tk_log(2, "that.size()=%d, schema.size()=%d", static_cast<int>(record.size()), static_cast<int>(schema.size()));
        throw tk_exception(std::string(structure_mismatch), 0);
    }
    // Everything that can fail is done before anything of the row is written.
    const std::vector<const udb_field*> fields = find_fields(record);
    std::vector<std::wstring> literals(fields.size());
    std::vector<bool> streamed(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        streamed[i] = is_streamed(*fields[i]);
        if (!streamed[i])
            literals[i] = mss_get_fld_append_str(fields[i], schema[i]);
    }
    const bool has_large_value = std::find(streamed.begin(), streamed.end(), true) != streamed.end();

    if (m_identity_insert_pending && m_has_identity) {
        m_output.write_utf8(L"SET IDENTITY_INSERT " + m_safe_name + L" ON;\r\nGO\r\n");
        m_identity_insert_pending = false;
        m_identity_insert_on = true;
    }

    // The statement so far: the open one, or the column part of a new one.
    const bool opens_statement = m_pending.empty();
    std::wstring head = opens_statement ? m_column_part : std::move(m_pending);
    m_pending.clear();
    std::wstring values = opens_statement ? L" VALUES (" : L", (";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            values += L", ";
        if (!streamed[i]) {
            values += literals[i];
            continue;
        }
        // What precedes a large value goes first, then the value in steps.
        if (!head.empty())
            dump(head);
        dump(values);
        head.clear();
        values.clear();
        write_large_value(*fields[i]);
    }
    head += values;
    head += L")";
    m_pending = std::move(head);

    if (!has_large_value && m_row_counter < rows_per_statement - 1) {
        ++m_row_counter;
        return;
    }
    dump(m_pending + L"\r\nGO\r\n");
    m_pending.clear();
    m_row_counter = 0;
}

void mss_dmp_recordset::write_large_value(const udb_field& field)
{
    if (field.get_type() == VT_BSTR)
        write_text(field);
    else
        write_hex(field);
}

void mss_dmp_recordset::write_hex(const udb_field& field)
{
    const BYTE* bytes = nullptr;
    std::string unused;
    const std::uint32_t count = field.get_bytes1(bytes, unused);
    std::vector<char> hex(2 * stream_step + 1);
    m_output.write("0x");
    for (std::uint32_t done = 0; done < count;) {
        const std::uint32_t step = std::min(stream_step, count - done);
        tk_bin_to_hex(step, bytes + done, hex.data());
        m_output.write(std::string_view(hex.data(), 2 * std::size_t{step}));
        done += step;
    }
}

void mss_dmp_recordset::write_text(const udb_field& field)
{
    const std::wstring text = field.to_wstring();
    m_output.write(mss_engine::instance().unicode ? "N'" : "'");
    for (std::size_t done = 0; done < text.size(); done += stream_step)
        m_output.write_utf8(mss_escape_literal(text.substr(done, stream_step)));
    m_output.write("'");
}
