// Keys and indexes of a destination table: a primary key or unique
// constraint by ALTER TABLE, every other index by CREATE INDEX.
#include "mssql/direct/mss_database.h"

#include "mssql/mss_engine.h"
#include "mssql/index_names.h"
#include "mssql/odb/odb_command.h"
#include "mssql/odb_exception.h"
#include "mssql/quoting.h"
#include "toolkit/tk_log.h"

namespace {

constexpr std::uint32_t max_key_bytes = 900;
constexpr std::uint32_t max_column_bytes = 8000;
constexpr std::int32_t filtered_index_version = 5;

bool is_long_type(VARTYPE type)
{
    return type == VT_BSTR || type == VT_BLOB || type == ole_vt_bytes;
}

}  // namespace

void mss_database::create_indexes(const std::wstring& table, const udb_schema& table_schema,
                                  const udb_indexes& table_indexes)
{
    udb_database::create_indexes(table, table_schema, table_indexes);
    if (!has_primary_key && mss_engine::instance().version_code == mss_azure_version_code)
        create_clustered_index(table, table_schema);
}

void mss_database::create_index(const std::wstring& table, const udb_schema& table_schema, const udb_index& index)
{
    tk_log(2, L"mss_database::create_index(%ls, %ls)", table.c_str(), index.name.c_str());
    if (index.fields.empty()) {
        tk_log(3, L"Index '%ls': no fields, cannot build index", mss_quote_name(index.name).c_str());
        return;
    }
    const std::wstring table_name = mss_engine::get_safe_tname(table);
    const bool named = !index.name.empty();
    std::wstring statement;
    if (index.primary) {
        statement = L"ALTER TABLE " + table_name +
                    (named && !is_index_exist(index.name, true)
                         ? L" ADD CONSTRAINT " + mss_quote_name(index.name) + L" PRIMARY KEY NONCLUSTERED("
                         : L" ADD PRIMARY KEY NONCLUSTERED(");
    } else if (index.unique_constraint) {
        tk_log(2, L"Processing unique constraint '%ls'", mss_quote_name(index.name).c_str());
        statement = L"ALTER TABLE " + table_name + L" ADD";
        if (named && !is_index_exist(index.name, true))
            statement += L" CONSTRAINT " + mss_quote_name(index.name);
        statement += L" UNIQUE (";
    } else {
        statement = std::wstring(L"CREATE ") + (index.unique ? L"UNIQUE " : L"") + L"INDEX " +
                    (named && !is_index_exist(index.name, false) ? mss_quote_name(index.name) : gen_idx_name2()) +
                    L" ON " + table_name + L"(";
    }
    const bool filtered =
        mss_engine::instance().version_code >= filtered_index_version && index.unique && !index.primary;
    std::uint32_t total = 0;
    std::wstring filter;
    for (std::size_t i = 0; i < index.fields.size(); ++i) {
        const std::wstring& field = index.fields[i];
        const auto size = static_cast<std::uint32_t>(table_schema.get_field_size(field));
        const VARTYPE type = table_schema.get_field_type(field);
        const std::uint32_t bytes = type == VT_BSTR ? 2 * size : size;
        total += bytes;
        tk_log(1, L"Index field '%ls' has vt=%08X, size=%d", field.c_str(), static_cast<unsigned>(type),
               static_cast<int>(size));
        tk_log(1, "Total index size=%d", static_cast<int>(total));
        if (total > max_key_bytes || type == VT_BOOL ||
            (is_long_type(type) && (bytes == 0 || bytes > max_column_bytes))) {
            tk_log(3, L"Index '%ls' has been skipped", index.name.c_str());
            return;
        }
        if (i > 0)
            statement += L", ";
        statement += mss_quote_name(field);
        if (filtered)
            filter += (filter.empty() ? L" WHERE " : L" AND ") + mss_quote_name(field) + L" IS NOT NULL";
    }
    statement += L")" + filter;
    tk_log(2, L"Create index query: '%ls'", statement.c_str());
    try {
        odb_command command(session.get());
        command.execute(statement, nullptr);
    } catch (const odb_exception& e) {
        // A missing key or index changes what the user gets: it goes to the log.
        tk_log(3, "Error: %s", e.what());
    }
    if (index.primary)
        has_primary_key = true;
}

void mss_database::create_clustered_index(const std::wstring& table, const udb_schema& table_schema)
{
    tk_log(2, L"mss_database::create_clustered_index(%ls)", table.c_str());
    const t_ftd* chosen = nullptr;
    for (const t_ftd* column : table_schema) {
        const bool suitable = !is_long_type(column->vartype) || (column->size >= 1 && column->size <= 7999);
        if (suitable) {
            chosen = column;
            break;
        }
        tk_log(2, L"Field '%ls' is not suitable for building index", column->name.c_str());
    }
    if (!chosen) {
        tk_log(1, "Failed to find a field for building clustered index");
        return;
    }
    const std::wstring statement = L"CREATE CLUSTERED INDEX " + mss_bracket_name(chosen->name + L"_clust_idx") +
                                   L" ON " + mss_engine::get_safe_tname(table) + L"(" + mss_quote_name(chosen->name) +
                                   L")";
    tk_log(2, L"CLUSTERED-index-query: %ls", statement.c_str());
    try {
        run(statement);
    } catch (const tk_exception& e) {
        tk_log(2, "ERROR: %s", e.what());
    }
}
