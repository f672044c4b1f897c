#include "mysql/sql_tmp_recordset.h"

#include "mysql/sql_exception.h"
#include "mysql/sql_record.h"
#include "toolkit/tk_log.h"

sql_tmp_recordset::sql_tmp_recordset(MYSQL* connection, const std::string& statement)
    : udb_recordset(nullptr, std::wstring(), false), m_connection(connection)
{
    tk_log(1, "sql_tmp_recordset::ctor2(%s)", statement.c_str());
    if (mysql_query(connection, statement.c_str()) != 0)
        throw sql_exception();
    MYSQL_RES* result = mysql_use_result(connection);
    if (result == nullptr && mysql_errno(connection) != 0)
        throw sql_exception();
    take_result(result);
}

sql_tmp_recordset::sql_tmp_recordset(MYSQL* connection, MYSQL_RES* result)
    : udb_recordset(nullptr, std::wstring(), false), m_connection(connection)
{
    tk_log(1, "sql_tmp_recordset::ctor1");
    if (result == nullptr)
        throw tk_mail_assertion("sql_recs", 409);
    take_result(result);
    tk_log(1, "sql_tmp_recordset::initialize");
    fill_cache();
    tk_log(1, "sql_tmp_recordset::initialize - END");
}

void sql_tmp_recordset::take_result(MYSQL_RES* result)
{
    m_result.reset(result);
    // A statement without a result set reads as no rows.
    m_ended = result == nullptr;
    if (m_ended)
        return;
    m_column_count = mysql_num_fields(result);
    tk_log(1, "n_fields=%d", static_cast<int>(m_column_count));
    m_fields = mysql_fetch_fields(result);
}

sql_tmp_recordset::~sql_tmp_recordset()
{
    tk_log(1, "sql_tmp_recordset::dtor");
    clean_cache();
    m_result.reset();
    tk_log(1, "sql_tmp_recordset::dtor - at the end");
}

void sql_tmp_recordset::append_record(udb_record&)
{
    throw tk_mail_assertion("sql_recs", 402);
}

udb_record* sql_tmp_recordset::get_item()
{
    return m_cache[m_position].get();
}

bool sql_tmp_recordset::is_eof()
{
    tk_log(1, "sql_tmp_recordset::is_eof: pos=%d, records.size=%d", static_cast<int>(m_position),
           static_cast<int>(m_cache.size()));
    if (m_position < m_cache.size())
        return false;
    clean_cache();
    fill_cache();
    m_position = 0;
    tk_log(1, "New records.size=%d", static_cast<int>(m_cache.size()));
    return m_cache.empty();
}

void sql_tmp_recordset::next()
{
    ++m_position;
}
void sql_tmp_recordset::prev() {}
void sql_tmp_recordset::reset()
{
    m_position = 0;
}
void sql_tmp_recordset::reserved() {}
void sql_tmp_recordset::delete_key(const std::wstring&) {}
void sql_tmp_recordset::delete_key(udb_record&) {}

void sql_tmp_recordset::fill_cache()
{
    tk_log(1, "sql_tmp_recordset::fill_cache");
    while (!m_ended && m_cache.size() < cache_size) {
        MYSQL_ROW row = mysql_fetch_row(m_result.get());
        if (row == nullptr) {
            // The end of the rows, or a broken connection: only the error tells.
            if (mysql_errno(m_connection) != 0)
                throw sql_exception();
            m_ended = true;
            break;
        }
        m_cache.push_back(
            std::make_unique<sql_record>(m_column_count, m_fields, mysql_fetch_lengths(m_result.get()), row));
    }
    tk_log(1, "records.size()=%d", static_cast<int>(m_cache.size()));
    tk_log(1, "sql_tmp_recordset::fill_cache - END");
}

void sql_tmp_recordset::clean_cache()
{
    tk_log(1, "sql_tmp_recordset::clean_cache");
    m_cache.clear();
}

bool sql_tmp_recordset::prepare_name_list(unsigned expected_columns)
{
    if (m_column_count != expected_columns)
        return false;
    m_fields[0].flags = 0;
    m_fields[0].charsetnr = sql_utf8_charset;
    fill_cache();
    return true;
}

void sql_tmp_recordset::read_first_column(std::vector<std::wstring>& names, const wchar_t* log_format)
{
    for (reset(); !is_eof(); next()) {
        std::wstring name = get_item()->at(0)->to_wstring();
        tk_log(2, log_format, name.c_str());
        names.push_back(name);
    }
}
