#include "mysql/sql_limited_query.h"

#include "mysql/row_batch.h"
#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_exception.h"
#include "mysql/sql_record.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <string>

namespace {

std::wstring select_statement(const std::wstring& source, bool is_query, std::uint32_t row_limit)
{
    std::wstring statement = L"SELECT * FROM ";
    if (is_query) {
        tk_log(1, "...as query");
        statement += L"(" + source + L") as temp___table";
    } else {
        tk_log(1, "...as table");
        statement += sql_current_engine().is_old_version() ? source : sql_quote_name(source);
    }
    if (row_limit != 0)
        statement += L" LIMIT " + std::to_wstring(row_limit);
    return statement;
}

}  // namespace

sql_limited_query::sql_limited_query(sql_database& database, const std::wstring& source, bool is_query,
                                     std::uint32_t row_limit)
    : m_source(source), m_connection(database.get_connection())
{
    tk_log(1, L"sql_limited_query::sql_limited_query(%ls)", source.c_str());
    std::wstring statement = select_statement(source, is_query, row_limit);
    tk_log(1, L"sql_database::do_query2(%ls)", statement.c_str());
    database.make_current();
    if (mysql_query(m_connection, tk_unicode_to_utf8(statement).c_str()) != 0) {
        tk_log(3, L"QUERY=%ls", statement.c_str());
        throw sql_exception();
    }
    m_result.reset(mysql_use_result(m_connection));
    if (!m_result)
        throw sql_exception();
    m_column_count = mysql_num_fields(m_result.get());
    m_fields = mysql_fetch_fields(m_result.get());
    tk_log(1, "sql_limited_query - at the end");
}

sql_limited_query::~sql_limited_query()
{
    tk_log(2, "sql_limited_query::~sql_limited_query");
}

std::size_t sql_limited_query::fetch_to(sql_row_batch& rows)
{
    rows.clear(m_column_count);
    while (!m_ended && !rows.is_full()) {
        MYSQL_ROW row = mysql_fetch_row(m_result.get());
        if (row == nullptr) {
            // The end of the rows, or a lost connection: only the error tells.
            if (mysql_errno(m_connection) != 0)
                throw sql_exception();
            m_ended = true;
            break;
        }
        rows.add(row, mysql_fetch_lengths(m_result.get()));
    }
    rows.seal();
    return rows.size();
}

std::size_t sql_limited_query::convert(sql_row_batch& rows, sql_batch& batch, const udb_schema* schema) const
{
    tk_log(1, "sql_limited_query::convert(%d rows)", static_cast<int>(rows.size()));
    bool by_schema = schema != nullptr && !schema->empty();
    tk_log(1, by_schema ? "Schema is NOT empty" : "Schema is empty, build via f_info");
    if (by_schema && schema->size() != m_column_count)
        throw tk_exception(L"The columns of '" + m_source + L"' changed while it was read: " +
                               std::to_wstring(m_column_count) + L" instead of " + std::to_wstring(schema->size()),
                           0);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        MYSQL_ROW row = rows.row(i);
        const unsigned long* lengths = rows.lengths(i);
        std::unique_ptr<udb_record>& slot = batch[i];
        auto* earlier = dynamic_cast<sql_record*>(slot.get());
        if (!by_schema)
            slot = std::make_unique<sql_record>(m_column_count, m_fields, lengths, row);
        else if (!earlier || !earlier->assign(m_column_count, *schema, m_fields, lengths, row))
            slot = std::make_unique<sql_record>(m_column_count, *schema, m_fields, lengths, row);
    }
    // Records past the end of the rows go; the others stay for the next batch.
    for (std::size_t i = rows.size(); i < batch.size(); ++i)
        batch[i].reset();
    return rows.size();
}
