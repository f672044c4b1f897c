#include "mssql/script/script_writer.h"

#include "model/index.h"
#include "model/name_compare.h"
#include "model/schema.h"
#include "mssql/client_commands.h"
#include "mssql/column_definition.h"
#include "mssql/identifier_validators.h"
#include "mssql/index_names.h"
#include "mssql/key_statements.h"
#include "mssql/mss_engine.h"
#include "mssql/odb_exception.h"
#include "mssql/quoting.h"
#include "mssql/script/script_rows.h"
#include "mssql/sequence_statement.h"
#include "mssql/table_names.h"
#include "mssql/view_names.h"
#include "mssql/view_rewriter.h"
#include "platform/local_time.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_file_name.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* crlf = "\r\n";
constexpr const char* lf = "\n";

std::wstring safe(const std::wstring& name)
{
    return mss_engine::get_safe_tname(name);
}

// A name inside a '...' literal with the N prefix, so that any letter survives.
std::wstring literal(const std::wstring& text)
{
    return L"N'" + mss_escape_literal(text) + L"'";
}

// Names shown inside /* ... */ must neither end the comment nor, since
// T-SQL nests comments, open one that never closes; nor may a client read
// a command in them.
std::wstring comment_text(const std::wstring& text)
{
    tk_wstring safe_text(mss_client_safe_name(text));
    safe_text.replace_all(L"*/", L"* /").replace_all(L"/*", L"/ *");
    return safe_text;
}

std::string comment_text(const std::string& text)
{
    return tk_unicode_to_utf8(comment_text(tk_utf8_to_unicode(text)));
}

bool is_dbo(const std::wstring& name)
{
    return udb_same_name(name, L"dbo");
}

std::string today()
{
    const platform::local_clock_time now = platform::get_local_time();
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", now.month, now.day, now.year);
    return text;
}

}  // namespace

mss_dump_options::mss_dump_options()
{
    tk_log(2, "mss_dump_options::ctor1");
}

mss_dmp_database::mss_dmp_database(const std::wstring& file_name, const mss_dump_options& options)
    : udb_database(file_name, udb_mode_read_only, false), m_file(file_name), m_unicode(mss_engine::instance().unicode),
      m_comments(options.comments), m_create_database(options.create_database), m_structure(options.structure),
      m_title(options.title), m_database_name(options.database_name)
{
    tk_log(2, L"mss_dmp_database::ctor(%ls)", file_name.c_str());
    write_head(file_name);
}

mss_dmp_database::~mss_dmp_database()
{
    tk_log(2, "mss_dmp_database::dtor");
}

bool mss_dmp_database::commit(bool replace)
{
    return m_file.commit(replace);
}

void mss_dmp_database::write_head(const std::wstring& file_name)
{
    tk_wstring shown_name(file_name);
    shown_name.replace_all(L"\\", L"/");
    if (m_comments) {
        m_file.write("/*\r\nFile name: " + tk_unicode_to_utf8(comment_text(shown_name)) + crlf);
        m_file.write("Creation date: " + today() + crlf);
        m_file.write("Created by " + comment_text(m_title) + crlf);
        m_file.write(std::string(50, '-') + crlf + "*/" + crlf);
    }
    if (m_create_database && m_structure) {
        const std::wstring db = mss_client_safe_name(m_database_name.empty() ? tk_file_wname(shown_name).get_name()
                                                                             : tk_utf8_to_unicode(m_database_name));
        m_file.write_utf8(L"USE master;\r\nGO\r\n\r\nif exists(select * from master.sys.databases where name=" +
                          literal(db) + L") DROP DATABASE " + mss_bracket_name(db) + L";\r\nCREATE DATABASE " +
                          mss_bracket_name(db) + L";\r\nGO\r\nUSE " + mss_bracket_name(db) + L";\r\nGO\r\n");
    }
    m_file.write("SET QUOTED_IDENTIFIER ON;\r\nGO\r\n");
}

void mss_dmp_database::write_statement(const std::wstring& statement, const char* line_end)
{
    m_file.write_utf8(statement);
    m_file.write(line_end);
    m_file.write("GO");
    m_file.write(line_end);
}

void mss_dmp_database::create_schema(const std::wstring& schema_name)
{
    if (is_dbo(schema_name)) {
        tk_log(2, "Skip 'dbo' schema");
        return;
    }
    // The schema name stands in a literal, and bracketed inside the literal
    // that sp_executesql runs.
    m_file.write_utf8(L"IF NOT EXISTS (SELECT  SCHEMA_NAME FROM    INFORMATION_SCHEMA.SCHEMATA WHERE   SCHEMA_NAME = " +
                      literal(schema_name) + L" ) BEGIN EXEC sp_executesql " +
                      literal(L"CREATE SCHEMA " + mss_quote_name(schema_name)) + L" END");
    m_file.write(lf);
    m_file.write("GO\r\n");
}

udb_recordset* mss_dmp_database::create_table(const std::wstring& table, const udb_schema& schema,
                                              const udb_indexes& indexes)
{
    tk_log(2, L"mss_dmp_database::create_table(%ls)", table.c_str());
    if (is_table_exist(table))
        throw odb_exception(std::wstring(L"The specified table already exists"));
    m_primary_key_written = false;
    if (m_structure) {
        if (m_comments)
            m_file.write_utf8(L"\r\n/*\r\nTable structure for table '" + comment_text(table) + L"'\r\n*/\r\n\r\n");
        delete_tab(table);
        std::wstring statement = L"CREATE TABLE " + safe(table) + L" (\r\n";
        for (std::size_t i = 0; i < schema.size(); ++i)
            statement +=
                (i == 0 ? L"\t" : L",\r\n\t") + mss_column_definition(*this, table, *schema[i], indexes, m_unicode);
        statement += L"\r\n)";
        tables.push_back(safe(table));
        write_statement(statement, lf);
    }
    if (m_comments)
        m_file.write_utf8(L"\r\n/*\r\nDumping data for table '" + comment_text(table) + L"'\r\n*/\r\n\r\n");
    return new mss_dmp_recordset(*this, table, schema);
}

bool mss_dmp_database::delete_tab(const std::wstring& table)
{
    const std::wstring name = safe(table);
    m_file.write_utf8(L"IF OBJECT_ID (" + literal(name) + L", 'U') IS NOT NULL\r\nDROP TABLE " + name + L";\r\nGO\r\n");
    return is_table_exist(table) && udb_database::delete_tab(table);
}

void mss_dmp_database::create_index(const std::wstring& table, const udb_schema& schema, const udb_index& index)
{
    if (index.fields.empty()) {
        tk_log(3, L"Index '%ls': no fields, cannot build index", mss_quote_name(index.name).c_str());
        return;
    }
    // A script does not know its server: every name is free.
    const mss_index_statement statement =
        mss_key_statement(mss_script_keys, safe(table), schema, index, mss_engine::instance().version_code,
                          [](const std::wstring&, bool) { return true; });
    if (statement.text.empty()) {
        mss_key_left_out(*this, safe(table), index, statement.left_out);
        return;
    }
    write_statement(statement.text, lf);
    m_made_keys.add(safe(table), index, statement.filtered);
    if (index.primary)
        m_primary_key_written = true;
}

void mss_dmp_database::create_indexes(const std::wstring& table, const udb_schema& schema, const udb_indexes& indexes)
{
    tk_log(2, L"mss_dmp_database::create_indexes(%ls)", table.c_str());
    m_made_keys.add_table(safe(table));
    for (const auto& index : indexes) {
        stop_if_requested();
        create_index(table, schema, index);
    }
    // Azure SQL stores no table without a clustered index.
    if (!m_primary_key_written && mss_engine::instance().version_code == mss_azure_version_code)
        create_clustered_index(table, schema);
}

void mss_dmp_database::create_clustered_index(const std::wstring& table, const udb_schema& schema)
{
    const std::wstring statement = mss_clustered_index_statement(safe(table), schema);
    if (statement.empty())
        return;
    query(statement);
    m_file.write("GO\n");
}

void mss_dmp_database::create_relationships(const udb_relationships& relationships)
{
    if (!relationships.empty() && m_comments)
        m_file.write("\r\n/*\r\nCreate foreign key constraints\r\n*/\r\n\r\n");
    for (const auto& relationship : relationships) {
        stop_if_requested();
        tk_log(2, L"Processing FK '%ls'", relationship.name.c_str());
        const auto mapped = [this](const std::wstring& table, const std::vector<std::wstring>& fields) {
            std::vector<std::wstring> names;
            for (const auto& field : fields)
                names.push_back(names_map.get_fn_mapped_name(table, field));
            return names;
        };
        // Source names are exact, as on the direct path: 'Tc' and 'tc' may be two tables.
        const std::wstring parent = safe(names_map.get_tn_mapped_name(relationship.pk_table, true));
        const std::vector<std::wstring> referenced = mapped(relationship.pk_table, relationship.pk_flds);
        create_fk_index_if(parent, referenced, relationship.pk_flds);
        write_statement(
            mss_foreign_key_statement(mss_script_keys, safe(names_map.get_tn_mapped_name(relationship.fk_table, true)),
                                      relationship.name, mapped(relationship.fk_table, relationship.fk_flds), parent,
                                      referenced, relationship.rule),
            crlf);
    }
}

// The script's counterpart of the server's supporting-index check: a
// filtered unique index cannot carry a foreign key, so unless the parent
// got a primary key or unique constraint on exactly these columns, an
// unfiltered unique index is made for the key.
void mss_dmp_database::create_fk_index_if(const std::wstring& parent, const std::vector<std::wstring>& columns,
                                          const std::vector<std::wstring>& source_columns)
{
    if (m_made_keys.supports(parent, columns)) {
        tk_log(2, L"Child index for table '%ls' exists", parent.c_str());
        return;
    }
    tk_log(2, L"Child index for table '%ls' does NOT exist", parent.c_str());
    udb_index index(gen_idx_name(m_made_keys.of(parent), source_columns), true, false);
    index.fields = columns;
    write_statement(mss_fk_index_statement(parent, index.name, columns), crlf);
    m_made_keys.add(parent, index, false);
}

void mss_dmp_database::create_sequences(const udb_sequences& sequences)
{
    if (!sequences.empty())
        tk_log(3, "Creating sequences (%d items)", static_cast<int>(sequences.size()));
    for (const auto& sequence : sequences) {
        stop_if_requested();
        const std::wstring name = safe(sequence.name);
        write_statement(L"DROP SEQUENCE IF EXISTS " + name, crlf);
        std::wstring table;
        std::wstring owner;
        mss_split_tab_name(sequence.name, table, owner);
        if (!owner.empty() && !is_dbo(owner))
            create_schema(owner);
        write_statement(mss_create_sequence_statement(sequence, name), crlf);
    }
}

void mss_dmp_database::create_views(const udb_views& views)
{
    mss_view_names view_names(views, tables);
    for (const auto& [source_name, text] : views) {
        stop_if_requested();
        tk_log(1, L"Processing '%ls'", source_name.c_str());
        tk_log(1, L"\t'%ls'", text.c_str());
        if (!tk_starts_with(text, L"select", false)) {
            tk_log(2, "Skip non-select query");
            // A view left out of the script is a view that failed, not one
            // that vanished.
            object_failed({}, L"view '" + source_name + L"'", "its text is not a SELECT statement",
                          L"View '" + source_name + L"'",
                          "Its text is not a SELECT statement; the script does not create it.");
            continue;
        }
        const std::wstring name = safe(view_names.name_of(names_map, source_name, false));
        write_statement(L"IF OBJECT_ID(" + literal(name) + L") IS NOT NULL DROP VIEW " + name, crlf);
        tk_log(1, L"mss_dmp_database::refine_view(%ls)", text.c_str());
        write_statement(L"CREATE VIEW " + name + L" AS " + refine_view(text, mss_renamed_tables(names_map)), crlf);
    }
}

void mss_dmp_database::delete_fk(const std::wstring& name)
{
    // The constraint's table is looked up when the script runs.
    query(
        L"DECLARE @drop_fk nvarchar(max) = (SELECT N'ALTER TABLE ' + QUOTENAME(OBJECT_SCHEMA_NAME(parent_object_id)) + "
        L"N'.' + QUOTENAME(OBJECT_NAME(parent_object_id)) + N' DROP CONSTRAINT ' + QUOTENAME(name) "
        L"FROM sys.foreign_keys WHERE name = " +
        literal(name) + L"); IF @drop_fk IS NOT NULL EXEC sp_executesql @drop_fk");
}

void mss_dmp_database::delete_idx(const std::wstring& table, const udb_index& index)
{
    tk_log(2, L"mss_dmp_database::delete_idx(%ls.%ls)", table.c_str(), index.name.c_str());
    if (index.primary || index.unique_constraint)
        query(L"ALTER TABLE " + safe(table) + L" DROP CONSTRAINT " + mss_quote_name(index.name));
    else
        query(L"DROP INDEX " + mss_quote_name(index.name) + L" ON " + safe(table));
}

udb_recordset* mss_dmp_database::get_query(const std::wstring&, const std::wstring&, std::uint32_t)
{
    return nullptr;
}

udb_recordset* mss_dmp_database::get_table(const std::wstring&, std::uint32_t)
{
    throw tk_mail_assertion("mss_dump", 121);
}

udb_recordset* mss_dmp_database::query(const std::wstring& statement)
{
    m_file.write_utf8(statement);
    m_file.write(lf);
    return nullptr;
}

bool mss_dmp_database::test_query(const std::wstring&)
{
    return false;
}
