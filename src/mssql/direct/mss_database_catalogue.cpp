// What an opened MS SQL database already holds (tables and the types of
// their columns, sequences, views, schemas), and the opening of its tables.
#include "model/name_compare.h"
#include "mssql/direct/mss_database.h"
#include "mssql/direct/mss_table.h"
#include "mssql/direct/result_rows.h"
#include "mssql/mss_engine.h"
#include "mssql/odb/odb_meta_data.h"
#include "mssql/odb_exception.h"
#include "mssql/quoting.h"
#include "mssql/table_names.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace {

bool is_sys(const std::wstring& owner)
{
    return udb_same_name(owner, L"sys");
}

void remove_all(tk_wstring& text, const wchar_t* part)
{
    text.replace_all(part, L"");
}

// The SELECT text of a view definition without the CREATE VIEW head and the
// options that a new view would not take over.
bool clean_view_text(const std::wstring& name, tk_wstring& definition, bool view_owned)
{
    tk_wstring lower(definition);
    lower.to_lower();
    const std::size_t start = definition.size() < 6 ? std::wstring::npos : lower.find(L"select");
    if (start == std::wstring::npos) {
        tk_log(2, "'select' not found in the view");
        return false;
    }
    definition.erase(0, start);
    tk_log(2, L"Got view #1: ('%ls', '%ls')", name.c_str(), definition.c_str());
    for (const wchar_t* option : {L"TOP 100 PERCENT", L"top 100 percent", L"TOP (100) PERCENT", L"top (100) percent",
                                  L"WITH (NOLOCK)", L"with (nolock)", L"WITH SCHEMABINDING", L"with schemabinding",
                                  L"WITH VIEW_METADATA", L"with view_metadata", L"[", L"]"})
        remove_all(definition, option);
    tk_log(2, L"Got view #2: ('%ls', '%ls')", name.c_str(), definition.c_str());
    if (view_owned)
        remove_all(definition, L"dbo.");
    tk_log(2, L"Got view #3: ('%ls', '%ls')", name.c_str(), definition.c_str());
    const std::size_t last = definition.find_last_not_of(L' ');
    definition.erase(last == std::wstring::npos ? 0 : last + 1);
    definition.erase(0, std::min(definition.find_first_not_of(L' '), definition.size()));
    tk_log(2, L"Got view: ('%ls', '%ls')", name.c_str(), definition.c_str());
    return true;
}

std::int32_t clamped(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void mss_database::init_tables(const std::wstring& owner)
{
    tk_log(2, L"mss_database::init_tables(%ls)", owner.c_str());
    const bool view_owned = mss_engine::instance().is_view_owned();
    tk_log(1, "mss_engine::ref().is_view_owned()=%d", view_owned ? 1 : 0);
    try {
        odb_tl_meta_data rows(session.get(), owner);
        mss_for_each_row(rows, [&](const udb_record& row) {
            const std::wstring table_owner = mss_row_text(row, 1);
            const std::wstring table_name = mss_row_text(row, 2);
            tk_log(2, L"Got table (1): (name=%ls, owner=%ls)", table_name.c_str(), table_owner.c_str());
            if (is_sys(table_owner)) {
                tk_log(3, L"Skip %ls.%ls", table_owner.c_str(), table_name.c_str());
                return;
            }
            tables.push_back(table_owner + L"." + table_name);
            tk_log(1, L"Stored as %ls", tables.back().c_str());
        });
    } catch (const std::exception&) {
        // The procedure below is the second way to the same list.
    }
    if (tables.empty()) {
        tk_log(2, "No tables were found! Trying another method.");
        std::wstring statement = L"exec sp_tables ";
        if (view_owned && !udb_same_name(owner, L"sa"))
            statement += L"@table_owner=" + mss_unicode_literal(owner) + L", ";
        statement += L"@table_type=\"'TABLE'\"";
        const std::unique_ptr<udb_recordset> result(query(statement));
        mss_for_each_row(*result, [&](const udb_record& row) {
            const std::wstring table_owner = mss_row_text(row, 1);
            const std::wstring table_name = mss_row_text(row, 2);
            if (is_sys(table_owner)) {
                tk_log(3, L"Skip %ls.%ls", table_owner.c_str(), table_name.c_str());
                return;
            }
            tk_log(2, L"Got table (2): (name=%ls, owner=%ls)", table_name.c_str(), table_owner.c_str());
            tables.push_back(view_owned ? table_name
                                        : mss_bracket_name(table_owner) + L"." + mss_bracket_name(table_name));
        });
    }
    tk_log(2, "Tables count: %d", static_cast<int>(tables.size()));
    init_columns(owner);
}

void mss_database::init_columns(const std::wstring& owner)
{
    tk_log(2, L"mss_database::init_columns(%ls)", owner.c_str());
    if (!column_types.empty())
        return;
    std::wstring statement =
        L"select TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME, DATA_TYPE from INFORMATION_SCHEMA.COLUMNS where ";
    if (mss_engine::instance().is_view_owned())
        statement += L"TABLE_SCHEMA=" + mss_unicode_literal(owner) + L" and ";
    statement += L"TABLE_NAME not in ('sysalternates','sysconstraints','syssegments')";
    const std::unique_ptr<udb_recordset> result(query(statement));
    mss_for_each_row(*result, [&](const udb_record& row) {
        // Tables of different schemas may share a name.
        const std::wstring table =
            mss_bracket_name(mss_row_text(row, 0)) + L"." + mss_bracket_name(mss_row_text(row, 1));
        const std::wstring column = mss_row_text(row, 2);
        const std::wstring type = mss_row_text(row, 3);
        column_types[table][column] = type;
        tk_log(2, L"Database column (table, column, type): %ls, %ls, %ls", table.c_str(), column.c_str(), type.c_str());
    });
}

void mss_database::init_sequencies(const std::wstring& owner)
{
    tk_log(2, L"mss_database::init_sequencies(%ls)", owner.c_str());
    const std::unique_ptr<udb_recordset> result(
        query(L"SELECT CAST(name AS varchar), CAST(start_value AS int), CAST(increment AS int), "
              L"CAST(minimum_value AS bigint), CAST(maximum_value AS bigint), is_cycling FROM SYS.SEQUENCES"));
    mss_for_each_row(*result, [&](const udb_record& row) {
        sequences.push_back(udb_sequence(mss_row_text(row, 0), mss_row_long(row, 1), mss_row_long(row, 2),
                                         clamped(mss_row_i8(row, 3)), clamped(mss_row_i8(row, 4)),
                                         mss_row_bool(row, 5)));
    });
}

void mss_database::init_views(const std::wstring& owner)
{
    tk_log(2, L"mss_database::init_views(%ls)", owner.c_str());
    const bool view_owned = mss_engine::instance().is_view_owned();
    const std::unique_ptr<udb_recordset> result(
        query(L"select name, definition from sys.objects o join sys.sql_modules m on m.object_id = o.object_id "
              L"where o.type = 'V'"));
    mss_for_each_row(*result, [&](const udb_record& row) {
        const std::wstring name = mss_row_text(row, 0);
        tk_wstring definition(mss_row_text(row, 1));
        if (clean_view_text(name, definition, view_owned))
            views.emplace_back(name, definition);
    });
}

void mss_database::get_schema_info(std::vector<std::wstring>& schemas)
{
    tk_log(2, "mss_database::get_schema_info");
    schemas.clear();
    try {
        const std::unique_ptr<udb_recordset> result(
            query(L"SELECT name FROM " + mss_quote_name(name) +
                  L".sys.schemas where name <> 'sys' and principal_id < 16384"));
        mss_for_each_row(*result, [&](const udb_record& row) {
            schemas.push_back(mss_row_text(row, 0));
            tk_log(2, L"Got schema: name=%ls", schemas.back().c_str());
        });
    } catch (const odb_exception& e) {
        tk_log(2, "%s", e.what());
    }
    if (schemas.empty())
        schemas.push_back(L"dbo");
}

udb_recordset* mss_database::get_query(const std::wstring& table_name, const std::wstring& query_text,
                                       std::uint32_t flag)
{
    tk_log(2, L"mss_database::get_query(%ls: %ls)", table_name.c_str(), query_text.c_str());
    std::unique_ptr<mss_table> table(new mss_table(table_name, query_text, session.get(), flag, *this));
    amend_schema(table.get());
    return table.release();
}

udb_recordset* mss_database::get_table(const std::wstring& table_name, std::uint32_t flag)
{
    tk_log(2, L"mss_database::get_table1(%ls)", table_name.c_str());
    std::unique_ptr<mss_table> table(new mss_table(mss_engine::get_safe_tname(table_name), session.get(), flag, *this));
    amend_schema(table.get());
    return table.release();
}

udb_recordset* mss_database::get_table2(const std::wstring& table_name, const udb_schema& table_schema)
{
    tk_log(2, L"mss_database::get_table2(%ls)", table_name.c_str());
    std::unique_ptr<mss_table> table(
        new mss_table(mss_engine::get_safe_tname(table_name), session.get(), table_schema, *this));
    amend_schema(table.get());
    return table.release();
}

// Names compare in their plain form, so that [dbo].[t] and dbo.t are one table.
bool mss_database::is_table_exist(const std::wstring& table)
{
    tk_log(2, L"mss_database::is_table_exist(%ls)", table.c_str());
    if (table.empty())
        return false;
    const std::wstring plain = mss_simplify_tab_name(table, L'.');
    return std::any_of(tables.begin(), tables.end(), [&](const std::wstring& listed) {
        return same_table(mss_simplify_tab_name(listed, L'.'), plain);
    });
}

bool mss_database::is_index_exist(const std::wstring& index_name, bool constraint)
{
    tk_log(1, L"mss_database::is_index_exist('%ls',%d)", index_name.c_str(), constraint ? 1 : 0);
    const std::wstring statement =
        (constraint ? L"SELECT COUNT(*) FROM INFORMATION_SCHEMA.TABLE_CONSTRAINTS WHERE CONSTRAINT_NAME="
                    : L"SELECT COUNT(*) FROM SYS.INDEXES WHERE NAME=") +
        mss_unicode_literal(index_name);
    std::int32_t count = 0;
    try {
        const std::unique_ptr<udb_recordset> result(query(statement));
        result->reset();
        if (!result->is_eof())
            count = mss_row_long(*result->get_item(), 0);
    } catch (const odb_exception& e) {
        tk_log(3, "Error extracting indexes:\n%s\n", e.what());
    }
    tk_log(1, "n_recs=%d", count);
    return count != 0;
}

void mss_database::empty_table(const std::wstring& table)
{
    tk_log(2, L"mss_database::empty_table(%ls)", table.c_str());
    udb_database::empty_table(mss_engine::get_safe_tname(table));
}

void mss_database::enable_fast_load(bool on)
{
    tk_log(2, "mss_database::enable_fast_load(%d)", on ? 1 : 0);
    mss_engine::instance().enable_fast_load(data_source.get(), on);
}
