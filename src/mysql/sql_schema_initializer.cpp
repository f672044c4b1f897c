#include "mysql/sql_schema_initializer.h"

#include "model/column_descriptor.h"
#include "model/custom_conversion.h"
#include "model/index.h"
#include "model/properties.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_literals.h"
#include "mysql/sql_native_types.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"

#include <algorithm>

namespace {

// Every indexed column is NOT NULL before 3.23.2.
constexpr std::uint32_t nullable_index_version = 0x31702;

}  // namespace

std::wstring sql_property(udb_properties* properties, const std::wstring& key)
{
    if (properties == nullptr)
        return {};
    const udb_property_set& values = properties->get_properties();
    auto found = values.find(key);
    return found == values.end() ? std::wstring() : found->second;
}

sql_schema_initializer::sql_schema_initializer(const std::wstring& table, const udb_schema& source,
                                               const udb_indexes& indexes, std::wstring& auto_column)
    : m_table(table), m_schema(sql_varchar_limit(sql_current_engine().get_charset()),
                               sql_bytes_per_character(sql_current_engine().get_charset())),
      m_auto_column(auto_column), m_indexes(indexes), m_validator(sql_current_engine().create_fn_validator(source))
{
    tk_log(2, "sql_schema_initializer::ctor");
    for (const t_ftd* column : source) {
        if (column == nullptr)
            continue;
        bool accepted = m_validator->is_acceptable(column->name);
        std::wstring name = accepted ? column->name : m_validator->get_safe_name(column->name);
        auto copy = std::make_unique<t_ftd>(*column);
        copy->name = name;
        tk_log(2, L"GOT FIELD: name=%ls, type=%d, size=%d, flags=%d, description=%ls", name.c_str(),
               static_cast<int>(copy->vartype), static_cast<int>(copy->size), static_cast<int>(copy->dw_reserved),
               copy->description.c_str());
        m_schema.push_back(copy.release());
        m_sources.push_back(column);
        if (!accepted) {
            tk_log(2, L"Store generated column name '%ls'", name.c_str());
            m_validator->add_existing_name(name);
            tk_log(1, L"t_names_map::add(%ls,%ls)", column->name.c_str(), name.c_str());
            m_validator->add_mapped_pair(column->name, name);
        }
        m_validator->restricted_words.push_back(name);
    }
}

std::wstring sql_schema_initializer::column_charset(const t_ftd& column, udb_properties* table_properties) const
{
    udb_properties* column_properties =
        table_properties != nullptr ? table_properties->get_child2(column.name) : nullptr;
    std::wstring charset = sql_property(column_properties, L"character_set");
    return charset.empty() ? sql_current_engine().get_charset() : charset;
}

void sql_schema_initializer::get_init_chunks(std::vector<std::wstring>& chunks, udb_properties* table_properties)
{
    tk_log(2, "sql_schema_initializer::get_init_chunks(n_columns=%d)", static_cast<int>(m_schema.size()));
    m_auto_column.clear();
    for (std::size_t i = 0; i < m_schema.size(); ++i) {
        tk_log(2, L"Processing field '%ls'", m_schema[i]->name.c_str());
        std::wstring clause = column_clause(*m_schema[i], *m_sources[i], table_properties);
        tk_log(2, L"sql_query=%ls", clause.c_str());
        chunks.push_back(clause);
    }
    tk_log(2, "sql_schema_initializer::get_init_chunks - END");
}

std::wstring sql_schema_initializer::column_clause(const t_ftd& column, const t_ftd& source,
                                                   udb_properties* table_properties)
{
    sql_engine& engine = sql_current_engine();
    const bool old = engine.is_old_version();
    const std::wstring charset = column_charset(column, table_properties);
    // The narrower of the table's and the column's character sets decides
    // how long a VARCHAR may be.
    const std::int32_t varchar_limit = std::min(sql_varchar_limit(charset), sql_varchar_limit(engine.get_charset()));
    std::wstring clause = (old ? column.name : sql_quote_name(column.name)) + L" ";

    std::wstring type;
    if (udb_custom_conversion::is_acceptable1(column))
        type = udb_custom_conversion::handle1(column);
    else if (column.native_type.empty())
        type = get_sql_native_type2(column, false, varchar_limit);
    else
        type = column.native_type;
    clause += type;
    if (!old && (type.find(L"CHAR") != std::wstring::npos || type.find(L"TEXT") != std::wstring::npos))
        clause += L" CHARACTER SET " + charset;

    if (column.b_not_null || column.identity || m_indexes.is_idx_field(source.name, true) ||
        (engine.version() < nullable_index_version && m_indexes.is_idx_field(source.name, false)))
        clause += L" NOT NULL";
    else if (tk_starts_with(type, L"TIMESTAMP", false))
        // Where explicit_defaults_for_timestamp is off, a TIMESTAMP column
        // that does not say NULL is NOT NULL and turns NULLs into the time of
        // the insert.
        clause += L" NULL";

    tk_log(1, "sql_schema_initializer::can_have_def_value");
    if (column.identity) {
        tk_log(2, "WARNING: auto_increment columns cannot have default value!");
    } else if (column.vartype != VT_BLOB && column.vartype != VT_BLOB_OBJECT &&
               !(column.vartype == VT_BSTR && !sql_is_varchar(column.size, varchar_limit))) {
        std::wstring value = make_mysql_def_val(&column);
        tk_log(1, L"got def value: %ls", value.c_str());
        if (!value.empty())
            clause += L" DEFAULT " + value;
    }

    if (column.identity && udb_is_integer_type(column.vartype)) {
        tk_log(1, "sql_schema_initializer::can_have_auto_num");
        if (!m_auto_column.empty())
            throw tk_mail_assertion("sql_init", 140);
        m_auto_column = column.name;
        clause += L" AUTO_INCREMENT";
    }

    if (!column.description.empty()) {
        tk_log(1, L"Setting column's comment: '%ls'", column.description.c_str());
        clause += L" COMMENT '" + sql_mask(column.description) + L"'";
    }
    return clause;
}
