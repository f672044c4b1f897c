#include "mysql/sql_indexes_initializer.h"

#include "model/name_compare.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_native_types.h"
#include "mysql/sql_schema.h"
#include "mysql/sql_validators.h"
#include "toolkit/tk_log.h"

namespace {

constexpr std::size_t max_index_columns = 16;
// Longest indexed text column, in characters.
constexpr std::int32_t longest_indexed_text = 768;

// A BLOB or TEXT column, which takes no key without a prefix length; a byte
// array short enough to be a VARBINARY takes one like a VARCHAR.
bool is_large_object(const t_ftd& column)
{
    if (column.vartype == VT_BLOB || column.vartype == VT_BLOB_OBJECT)
        return true;
    if (column.vartype == ole_vt_bytes)
        return !sql_is_varbinary(column.size);
    return column.vartype == VT_BSTR && (column.size <= 0 || column.size > longest_indexed_text);
}

}  // namespace

sql_indexes_initializer::sql_indexes_initializer(sql_schema& schema, const udb_indexes& source,
                                                 const std::wstring& auto_column, const udb_name_pairs& rename_map,
                                                 const std::wstring& table_type)
    : m_auto_column(auto_column), m_schema(schema), m_rename_map(rename_map)
{
    sql_engine& engine = sql_current_engine();
    m_key_limit = engine.is_old_version() ? 256 : udb_same_name(table_type, L"MyISAM") ? 1000 : 3072;
    std::unique_ptr<sql_validator> validator = engine.create_in_validator(source);
    tk_log(2, "sql_indexes_initializer::ctor");
    for (const udb_index& index : source) {
        tk_log(2, L"Processing '%ls'", index.name.c_str());
        bool accepted = index.name.empty() || validator->is_acceptable(index.name);
        std::wstring name = accepted ? index.name : validator->get_safe_name(index.name);
        tk_log(2, L"new_name=%ls", name.c_str());
        udb_index converted(name, index.unique, index.primary);
        tk_log(1, L"udb_index::ctor('%ls',%d,%d)", name.c_str(), index.unique ? 1 : 0, index.primary ? 1 : 0);
        for (const std::wstring& column : index.fields)
            converted.fields.push_back(mapped_name(column));
        m_indexes.push_back(converted);
        if (!accepted) {
            tk_log(2, L"Store generated index name '%ls'", name.c_str());
            validator->add_existing_name(name);
        }
        validator->restricted_words.push_back(name);
    }
    tk_log(2, "sql_indexes_initializer::ctor - END");
}

std::wstring sql_indexes_initializer::mapped_name(const std::wstring& column) const
{
    tk_log(1, L"t_names_map::get_mapped_name(%ls)", column.c_str());
    for (const auto& [source, generated] : m_rename_map) {
        if (udb_same_name(source, column)) {
            tk_log(1, L"Got mapped name: %ls", generated.c_str());
            return generated;
        }
    }
    return column;
}

std::wstring sql_indexes_initializer::index_clause(const udb_index& index, bool& starts_with_auto_column)
{
    sql_engine& engine = sql_current_engine();
    const int bytes_per_character = sql_bytes_per_character(engine.get_charset());
    std::wstring clause = index.primary ? std::wstring(L"PRIMARY KEY")
                                        : (index.unique ? L"UNIQUE " : L"INDEX ") + engine.get_safe_name(index.name);
    clause += L" (";
    std::uint32_t key_bytes = 0;
    for (std::size_t i = 0; i < index.fields.size(); ++i) {
        const std::wstring& name = index.fields[i];
        tk_log(1, L"Process idx.field %ls", name.c_str());
        if (i > 0)
            clause += L", ";
        clause += engine.get_safe_name(name);
        const t_ftd* column = m_schema.get_field1(name);
        if (column == nullptr) {
            tk_log(3, L"Index '%ls': column '%ls' is not found, the index is left out", index.name.c_str(),
                   name.c_str());
            return {};
        }
        if (is_large_object(*column)) {
            tk_log(3, L"Index '%ls' built on LOB column(s) is not allowed", index.name.c_str());
            return {};
        }
        std::uint32_t size = static_cast<std::uint32_t>(std::max(column->size, 0));
        key_bytes += column->vartype == VT_BSTR ? size * static_cast<std::uint32_t>(bytes_per_character) : size;
        if (key_bytes > m_key_limit) {
            tk_log(3, L"Index '%ls' is too big, skip it", index.name.c_str());
            return {};
        }
    }
    // The server wants the auto-increment column first in some index.
    starts_with_auto_column =
        !m_auto_column.empty() && !index.fields.empty() && udb_same_name(index.fields.front(), m_auto_column);
    return clause + L")";
}

void sql_indexes_initializer::get_init_chunks(std::vector<std::wstring>& chunks, std::vector<std::wstring>& left_out)
{
    sql_engine& engine = sql_current_engine();
    tk_log(2, "sql_indexes_initializer::get_init_chunks(n_indexes=%d)", static_cast<int>(m_indexes.size()));
    const int max_indexes = engine.is_old_version() ? 15 : 63;
    int processed = 0;
    bool needs_auto_index = !m_auto_column.empty();
    for (const udb_index& index : m_indexes) {
        tk_log(2, L"Process index '%ls'", index.name.c_str());
        if (index.fields.empty()) {
            tk_log(3, L"Skip index '%ls' as it is built on empty fields list", index.name.c_str());
            continue;
        }
        if (processed >= max_indexes || index.fields.size() > max_index_columns) {
            tk_log(3, L"Index '%ls': max number of indexes or of index columns has been reached, the index is left out",
                   index.name.c_str());
            left_out.push_back(index.name);
            continue;
        }
        bool starts_with_auto_column = false;
        std::wstring clause = index_clause(index, starts_with_auto_column);
        if (clause.empty()) {
            left_out.push_back(index.name);
        } else {
            if (starts_with_auto_column) {
                tk_log(2, "Got index for auto_increment field");
                needs_auto_index = false;
            }
            chunks.push_back(clause);
        }
        tk_log(2, L"sql_query=%ls", clause.c_str());
        ++processed;
    }
    if (!needs_auto_index)
        return;
    tk_log(2, "Creating index for auto-field");
    std::unique_ptr<sql_validator> validator = engine.create_in_validator(m_indexes);
    std::wstring name = validator->is_acceptable(m_auto_column) && !validator->is_duplicated(m_auto_column)
                            ? m_auto_column
                            : validator->get_safe_name(m_auto_column);
    chunks.push_back(L"INDEX " + engine.get_safe_name(name) + L" (" + engine.get_safe_name(m_auto_column) + L")");
}
