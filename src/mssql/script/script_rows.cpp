#include "mssql/script/script_rows.h"

#include "model/names_map.h"
#include "mssql/literals.h"
#include "mssql/mss_engine.h"
#include "mssql/quoting.h"
#include "mssql/script/script_writer.h"
#include "mssql/type_mapping.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_support_address.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <vector>

namespace {

// Values larger than this are streamed instead of held in the statement.
constexpr std::uint32_t max_literal_size = 0x100000;
// Bytes (or characters) written per step of a streamed value.
constexpr std::uint32_t stream_step = 0x20000;
// An INSERT statement carries at most this many rows.
constexpr std::uint32_t rows_per_statement = 11;

constexpr const char* missing_field =
    "Generic error occurred while migrating the data.\nContact to " TK_SUPPORT_MAIL_ADDRESS " for the solution.";

bool is_streamed(const udb_field& field)
{
    const VARTYPE vartype = field.get_type();
    return (udb_is_binary_type(vartype) || vartype == VT_BSTR) && field.get_size() > max_literal_size;
}

}  // namespace

mss_dmp_recordset::mss_dmp_recordset(mss_dmp_database& database, const std::wstring& table, const udb_schema& schema)
    : udb_recordset(&database, table, std::wstring(), true), m_output(database.output()), m_unicode(database.unicode())
{
    tk_log(1, L"mss_dmp_recordset::mss_dmp_recordset(%ls)", table.c_str());
    this->schema = schema;
    // A type rule may have written an identity column without IDENTITY: the
    // server refuses IDENTITY_INSERT on a table that has none.
    m_has_identity = std::any_of(this->schema.begin(), this->schema.end(),
                                 [](const t_ftd* column) { return mss_creates_identity(*column); });
    m_safe_name = mss_engine::get_safe_tname(table);
    std::wstring column_part = L"INSERT INTO " + m_safe_name + L" (";
    for (std::size_t i = 0; i < this->schema.size(); ++i)
        column_part += (i == 0 ? L"" : L", ") + mss_quote_name(this->schema[i]->name);
    column_part += L")";
    m_column_part = tk_unicode_to_utf8(column_part);
    m_plans = mss_plan_table(this->schema, mss_column_origin::created_by_run);
}

mss_dmp_recordset::~mss_dmp_recordset()
{
    tk_log(2, "mss_dmp_recordset::dtor");
    // A script that missed a write is never committed, and its failure is
    // on its way to the run already: ending the statement adds nothing.
    if (m_output.has_failed())
        return;
    try {
        if (!m_pending.empty()) {
            m_pending += "\r\nGO\r\n";
            write_bytes(m_pending);
        }
        if (m_identity_insert_on)
            m_output.write_utf8(L"SET IDENTITY_INSERT " + m_safe_name + L" OFF;\r\nGO\r\n");
    } catch (const tk_exception& e) {
        mss_report_script_failure(e);
    }
}

void mss_dmp_recordset::dump(const std::wstring& text)
{
    write_bytes(tk_unicode_to_utf8(text));
}

void mss_dmp_recordset::write_bytes(const std::string& bytes)
{
    tk_log(2, L"mss_dmp_recordset::dump(%ls)", tk_utf8_to_unicode(bytes).c_str());
    m_output.write(bytes);
    m_output.write("\r\n");
}

// Whether the record holds the same names in the same order as the one the
// positions were taken from, so that a search by name would find the same fields.
bool mss_dmp_recordset::same_layout(const udb_record& record) const
{
    if (record.size() != m_record_names.size())
        return false;
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (!record[i] || record[i]->name != m_record_names[i])
            return false;
    }
    return true;
}

void mss_dmp_recordset::find_fields(const udb_record& record)
{
    if (m_source_names.size() != schema.size()) {
        const udb_names_map& names = database->names_map;
        for (const t_ftd* column : schema)
            m_source_names.push_back(names.get_fn_orig_name(table, column->name));
    }
    const bool known_layout = same_layout(record);
    m_fields.resize(schema.size());
    for (std::size_t i = 0; i < schema.size(); ++i) {
        const std::wstring& source_name = m_source_names[i];
        tk_log(1, L"Name=%ls, original name=%ls", schema[i]->name.c_str(), source_name.c_str());
        const udb_field* field = known_layout ? record[m_positions[i]] : record.get_field(source_name);
        if (!field) {
            tk_log(1, L"Field %ls not found", source_name.c_str());
            throw tk_exception(std::string(missing_field), 0);
        }
        m_fields[i] = field;
    }
    if (known_layout)
        return;
    m_positions.clear();
    for (const udb_field* field : m_fields)
        m_positions.push_back(
            static_cast<std::size_t>(std::find(record.begin(), record.end(), field) - record.begin()));
    m_record_names.clear();
    for (const udb_field* field : record)
        m_record_names.push_back(field ? field->name : std::wstring());
}

void mss_dmp_recordset::build_literals()
{
    m_literals.clear();
    m_streamed.clear();
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        // A value that its column cannot hold is refused before its row
        // joins a statement, which would fail with all its rows.
        if (m_plans[i].has_room())
            mss_check_value_fits(*m_fields[i], m_plans[i], schema[i]->name);
        if (i > 0)
            m_literals += ", ";
        if (is_streamed(*m_fields[i]))
            m_streamed.emplace_back(m_fields[i], m_literals.size());
        else
            mss_append_fld_literal(m_literals, m_fields[i], schema[i], m_unicode);
    }
}

void mss_dmp_recordset::append_record(udb_record& record)
{
    tk_log(1, "mss_dmp_recordset::append_record(schema size=%d, record size=%d", static_cast<int>(schema.size()),
           static_cast<int>(record.size()));
    if (m_pending.empty())
        tk_log(1, "Initialize new query...");
    if (record.size() != schema.size()) {
        tk_log(2, "that.size()=%d, schema.size()=%d", static_cast<int>(record.size()), static_cast<int>(schema.size()));
        throw tk_exception(std::string(udb_structure_mismatch), 0);
    }
    // Everything that can fail is done before anything of the row is written.
    find_fields(record);
    build_literals();

    if (m_identity_insert_pending && m_has_identity) {
        m_output.write_utf8(L"SET IDENTITY_INSERT " + m_safe_name + L" ON;\r\nGO\r\n");
        m_identity_insert_pending = false;
        m_identity_insert_on = true;
    }

    // The statement so far: the open one, or the column part of a new one.
    const bool opens_statement = m_pending.empty();
    if (opens_statement)
        m_pending = m_column_part;
    std::size_t values_start = m_pending.size();
    m_pending += opens_statement ? " VALUES (" : ", (";
    std::size_t done = 0;
    for (const auto& [field, place] : m_streamed) {
        m_pending.append(m_literals, done, place - done);
        done = place;
        // What precedes a large value goes first, the statement so far and
        // this row's values each on a line, then the value in steps.
        const std::string written = std::move(m_pending);
        m_pending.clear();
        if (values_start > 0)
            write_bytes(written.substr(0, values_start));
        write_bytes(written.substr(values_start));
        values_start = 0;
        write_large_value(*field);
    }
    m_pending.append(m_literals, done);
    m_pending += ")";

    if (m_streamed.empty() && m_row_counter < rows_per_statement - 1) {
        ++m_row_counter;
        return;
    }
    m_pending += "\r\nGO\r\n";
    write_bytes(m_pending);
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
    // Read in place: a long text is not copied again, nor decoded when it
    // is held in UTF-8.
    if (const std::string* utf8 = field.attached_utf8())
        write_text_parts(std::string_view(*utf8));
    else
        write_text_parts(field.text());
}

template <class Char>
void mss_dmp_recordset::write_text_parts(std::basic_string_view<Char> text)
{
    // A text this long that may be split into joined literals is of a MAX
    // type from its start.
    if (mss_literal_may_join(text))
        m_output.write(mss_long_text_head(m_unicode));
    m_output.write(m_unicode ? "N'" : "'");
    std::basic_string<Char> part;
    bool line_start = false;
    for (std::size_t done = 0; done < text.size();) {
        const std::size_t end = mss_literal_part_end(text, done, stream_step, line_start);
        part.clear();
        mss_append_literal_body(part, text.substr(done, end - done), m_unicode, line_start);
        write_part(part);
        line_start = text[end - 1] == Char('\n') ||
                     (text[end - 1] == Char('\r') && (end == text.size() || text[end] != Char('\n')));
        done = end;
    }
    m_output.write("'");
}

void mss_dmp_recordset::write_part(const std::string& part)
{
    m_output.write(part);
}

void mss_dmp_recordset::write_part(const std::wstring& part)
{
    m_output.write_utf8(part);
}
