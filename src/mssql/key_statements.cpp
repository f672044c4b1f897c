#include "mssql/key_statements.h"

#include "model/name_compare.h"
#include "mssql/index_names.h"
#include "mssql/mss_engine.h"
#include "mssql/quoting.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>

const mss_key_style mss_direct_keys{
    .named_nonclustered_primary_key = true,
    .filter_by_server_version = true,
    .text_counts_two_bytes = true,
    .blank_after_columns = false,
    .trimmed_rule_and_semicolon = false,
};

const mss_key_style mss_script_keys{
    .named_nonclustered_primary_key = false,
    .filter_by_server_version = false,
    .text_counts_two_bytes = false,
    .blank_after_columns = true,
    .trimmed_rule_and_semicolon = true,
};

namespace {

constexpr std::uint32_t max_key_bytes = 900;
constexpr std::uint32_t max_column_bytes = 8000;
constexpr std::int32_t filtered_index_version = 5;
// A text or binary column of at most this size can be a clustered key.
constexpr std::int32_t max_clustered_size = 7999;

bool is_long_type(VARTYPE type)
{
    return type == VT_BSTR || type == VT_BLOB || type == ole_vt_bytes;
}

std::wstring column_list(const std::vector<std::wstring>& columns)
{
    std::wstring list;
    for (const std::wstring& column : columns)
        list += (list.empty() ? L"" : L", ") + mss_quote_name(column);
    return list;
}

std::wstring head(const mss_key_style& style, const std::wstring& table, const udb_index& index,
                  const mss_name_free& name_free)
{
    const bool named = !index.name.empty();
    if (index.primary) {
        if (!style.named_nonclustered_primary_key)
            return L"ALTER TABLE " + table + L" ADD PRIMARY KEY(";
        return L"ALTER TABLE " + table +
               (named && name_free(index.name, true)
                    ? L" ADD CONSTRAINT " + mss_quote_name(index.name) + L" PRIMARY KEY NONCLUSTERED("
                    : L" ADD PRIMARY KEY NONCLUSTERED(");
    }
    if (index.unique_constraint) {
        tk_log(2, L"Processing unique constraint '%ls'", mss_quote_name(index.name).c_str());
        return L"ALTER TABLE " + table + L" ADD" +
               (named && name_free(index.name, true) ? L" CONSTRAINT " + mss_quote_name(index.name) : L"") +
               L" UNIQUE (";
    }
    const std::wstring name =
        named && name_free(index.name, false) ? mss_quote_name(index.name) : std::wstring(gen_idx_name2());
    return std::wstring(L"CREATE ") + (index.unique ? L"UNIQUE " : L"") + L"INDEX " + name + L" ON " + table + L"(";
}

}  // namespace

mss_index_statement mss_key_statement(const mss_key_style& style, const std::wstring& table, const udb_schema& schema,
                                      const udb_index& index, std::int32_t version_code, const mss_name_free& name_free)
{
    // Check the columns first: a name is asked about only for a statement
    // that will be made, and a generated name is never spent on a skipped one.
    std::uint32_t total = 0;
    for (const std::wstring& field : index.fields) {
        const std::int32_t size = schema.get_field_size(field);
        const VARTYPE type = schema.get_field_type(field);
        const std::string column = "column '" + tk_unicode_to_utf8(field) + "'";
        if (size < 0)
            return {{}, false, "its " + column + " is not one of the table's columns"};
        const auto length = static_cast<std::uint32_t>(size);
        const std::uint32_t bytes = type == VT_BSTR && style.text_counts_two_bytes ? 2 * length : length;
        total += bytes;
        tk_log(1, L"Index field '%ls' has vt=%08X, size=%d", field.c_str(), static_cast<unsigned>(type),
               static_cast<int>(size));
        tk_log(1, "Total index size=%d", static_cast<int>(total));
        if (is_long_type(type) && (bytes == 0 || bytes > max_column_bytes)) {
            tk_log(3, L"Cannot build index '%ls'", index.name.c_str());
            return {{},
                    false,
                    "its " + column +
                        " is a text or binary column without a length of at most 8000 bytes (a long text, or "
                        "a prefix of one), which MS SQL Server cannot index"};
        }
        if (type == VT_BOOL)
            return {{}, false, "its " + column + " is a BIT column, which the run does not index"};
        if (total > max_key_bytes)
            return {{},
                    false,
                    "its columns take up to " + std::to_string(total) + " bytes, more than the " +
                        std::to_string(max_key_bytes) + " bytes of an MS SQL Server key"};
    }
    // A filtered unique index lets several rows hold NULL, as MySQL allows;
    // a key constraint takes no filter.
    const bool filtered = index.unique && !index.primary && !index.unique_constraint &&
                          (!style.filter_by_server_version || version_code >= filtered_index_version);
    std::wstring filter;
    for (const std::wstring& field : index.fields)
        if (filtered)
            filter += (filter.empty() ? L" WHERE " : L" AND ") + mss_quote_name(field) + L" IS NOT NULL";
    const std::wstring text = head(style, table, index, name_free) + column_list(index.fields) +
                              (style.blank_after_columns ? L") " : L")") + filter;
    return {text, filtered, {}};
}

std::wstring mss_key_object_text(const udb_index& index)
{
    const wchar_t* kind = index.primary             ? L"primary key"
                          : index.unique_constraint ? L"unique constraint"
                          : index.unique            ? L"unique index"
                                                    : L"index";
    return std::wstring(kind) + L" '" + index.name + L"'";
}

void mss_key_left_out(udb_database& destination, const std::wstring& table, const udb_index& index,
                      const std::string& why)
{
    if (!index.primary && !index.unique) {
        tk_log(3, L"Table '%ls': Index '%ls' has been skipped: %ls", table.c_str(), index.name.c_str(),
               tk_utf8_to_unicode(why).c_str());
        return;
    }
    const std::wstring object = mss_key_object_text(index);
    destination.object_failed(table, object, why, table,
                              tk_unicode_to_utf8(object) + " is left out: " + why +
                                  "; the table would take rows the key refuses.");
}

std::wstring mss_clustered_index_statement(const std::wstring& table, const udb_schema& schema)
{
    // A long text or binary column cannot be an index key.
    const auto suitable = std::find_if(schema.begin(), schema.end(), [](const t_ftd* column) {
        if (!is_long_type(column->vartype) || (column->size >= 1 && column->size <= max_clustered_size))
            return true;
        tk_log(2, L"Field '%ls' is not suitable for building index", column->name.c_str());
        return false;
    });
    if (suitable == schema.end()) {
        tk_log(1, "Failed to find a field for building clustered index");
        return {};
    }
    const std::wstring& column = (*suitable)->name;
    const std::wstring statement = L"CREATE CLUSTERED INDEX " + mss_quote_name(column + L"_clust_idx") + L" ON " +
                                   table + L"(" + mss_quote_name(column) + L")";
    tk_log(2, L"CLUSTERED-index-query: %ls", statement.c_str());
    return statement;
}

std::wstring mss_foreign_key_statement(const mss_key_style& style, const std::wstring& child, const std::wstring& name,
                                       const std::vector<std::wstring>& child_columns, const std::wstring& parent,
                                       const std::vector<std::wstring>& parent_columns, const std::wstring& rule)
{
    std::wstring statement = L"ALTER TABLE " + child + L" ADD";
    if (!name.empty())
        statement += L" CONSTRAINT " + mss_quote_name(name);
    statement += L" FOREIGN KEY (" + column_list(child_columns) + L") REFERENCES " + parent + L"(" +
                 column_list(parent_columns) + L")";
    // A rule T-SQL does not take is left out: the server's defaults apply.
    const std::wstring trimmed = tk_trim(rule);
    if (!trimmed.empty() && mss_engine::is_valid_fk_props(trimmed))
        statement += style.trimmed_rule_and_semicolon ? L" " + trimmed + L";" : L" " + rule;
    tk_log(2, L"Foreign key query: '%ls'", statement.c_str());
    return statement;
}

std::wstring mss_fk_index_statement(const std::wstring& parent, const std::wstring& name,
                                    const std::vector<std::wstring>& columns)
{
    const std::wstring statement =
        L"CREATE UNIQUE INDEX " + mss_quote_name(name) + L" ON " + parent + L"(" + column_list(columns) + L")";
    tk_log(2, L"str_query=%ls", statement.c_str());
    return statement;
}

void mss_made_keys::add_table(const std::wstring& table)
{
    m_tables[table];
}

void mss_made_keys::add(const std::wstring& table, const udb_index& index, bool filtered)
{
    table_keys& keys = m_tables[table];
    keys.indexes.push_back_direct(index);
    keys.filtered.resize(keys.indexes.size(), filtered);
}

bool mss_made_keys::knows(const std::wstring& table) const
{
    return m_tables.count(table) != 0;
}

bool mss_made_keys::supports(const std::wstring& table, const std::vector<std::wstring>& columns) const
{
    const auto found = m_tables.find(table);
    if (found == m_tables.end())
        return false;
    const table_keys& keys = found->second;
    const auto same_columns = [&](const udb_index& index) {
        return index.fields.size() == columns.size() &&
               std::all_of(columns.begin(), columns.end(), [&](const std::wstring& column) {
                   return std::any_of(index.fields.begin(), index.fields.end(),
                                      [&](const std::wstring& field) { return udb_same_name(field, column); });
               });
    };
    for (std::size_t i = 0; i < keys.indexes.size(); ++i) {
        const udb_index& index = keys.indexes[i];
        const bool unfiltered_unique = index.primary || index.unique_constraint || (index.unique && !keys.filtered[i]);
        if (unfiltered_unique && same_columns(index))
            return true;
    }
    return false;
}

const udb_indexes& mss_made_keys::of(const std::wstring& table)
{
    return m_tables[table].indexes;
}
