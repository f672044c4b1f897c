// An opened MySQL database as a source: its tables, views, queries and
// statements. Its writing side lives in sql_database_*.cpp.
#include "mysql/sql_database.h"

#include "mysql/blob_to_text_scope.h"
#include "mysql/client_handles.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_exception.h"
#include "mysql/sql_recordset.h"
#include "mysql/sql_table.h"
#include "platform/compare_string.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

namespace {

// The first place at or after `start` where `needle` stands in `text`, case ignored.
std::size_t find_no_case(const std::wstring& text, std::size_t start, const std::wstring& needle)
{
    if (start > text.size() || needle.size() > text.size() - start)
        return std::wstring::npos;
    for (std::size_t at = start; at + needle.size() <= text.size(); ++at) {
        if (platform::equal_ignoring_case(std::wstring_view(text).substr(at, needle.size()), needle))
            return at;
    }
    return std::wstring::npos;
}

}  // namespace

sql_database::sql_database(const std::wstring& name, MYSQL* connection, std::uint32_t mode)
    : udb_database(name, mode, sql_current_engine().table_names_with_case()), m_connection(connection)
{
    tk_log(2, L"sql_database::sql_database(%ls, mode=%d)", name.c_str(), static_cast<int>(mode));
    init_tables();
    if ((mode & udb_mode_skip_views) != 0)
        return;
    try {
        init_views();
    } catch (const sql_exception& e) {
        tk_log(3, "Failed to initialize views:\n%s", e.what());
        views.clear();
        views_unread = tk_utf8_to_unicode(e.what());
    }
}

sql_database::~sql_database() = default;

void sql_database::init_tables()
{
    tk_log(2, "sql_database::init_tables");
    if (sql_current_engine().version() >= sql_version_table_types) {
        tk_log(2, "Extracting tables in new way");
        sql_list_tables_rs list(m_connection, "show full tables where Table_type='BASE TABLE'");
        tk_log(2, "sql_list_tables_rs::ctor");
        if (!list.prepare_name_list(2))
            tk_log(2, "Failed to create sql_list_tables_rs");
        list.read_first_column(tables, L"Got table name: '%ls'");
        return;
    }
    tk_log(2, "Extracting tables in old way");
    MYSQL_RES* result = mysql_list_tables(m_connection, nullptr);
    if (result == nullptr)
        throw sql_exception();
    sql_tmp_recordset list(m_connection, result);
    list.read_first_column(tables, L"Got table name: '%ls'");
}

void sql_database::init_views()
{
    tk_log(2, "sql_database::init_views");
    blob_to_text_scope as_text;
    std::string database_name = sql_escape_string(m_connection, tk_unicode_to_utf8(name));
    std::unique_ptr<sql_tmp_recordset> result =
        run_query(L"SELECT table_name, view_definition FROM information_schema.views WHERE table_schema='" +
                  tk_utf8_to_unicode(database_name) + L"'");
    if (!result)
        return;
    for (result->reset(); !result->is_eof(); result->next()) {
        udb_record& record = *result->get_item();
        std::wstring view_name = record.at(0)->to_wstring();
        tk_log(2, L"Got query name: '%ls'", view_name.c_str());
        std::wstring definition = record.at(1)->to_wstring();
        tk_log(2, L"Got query SQL: '%ls'", definition.c_str());
        views.emplace_back(view_name, refine_view_out(definition));
    }
    result.reset();
    find_invalid_views();
}

void sql_database::find_invalid_views()
{
    // A server error means the view cannot be read; a client error (the
    // connection, for one) is no verdict on the view.
    constexpr unsigned first_client_error = 2000;
    make_current();
    for (const auto& view : views) {
        const std::string probe = tk_unicode_to_utf8(L"SELECT 1 FROM " + sql_quote_name(view.first) + L" LIMIT 0");
        if (mysql_real_query(m_connection, probe.data(), static_cast<unsigned long>(probe.size())) == 0) {
            sql_result_ptr discarded(mysql_use_result(m_connection));
            continue;
        }
        if (mysql_errno(m_connection) >= first_client_error)
            throw sql_exception(m_connection);
        const std::wstring reason = tk_utf8_to_unicode(mysql_error(m_connection));
        tk_log(2, L"View '%ls' cannot be read: %ls", view.first.c_str(), reason.c_str());
        invalid_views.emplace_back(view.first, reason);
    }
}

std::wstring sql_database::refine_view_out(const std::wstring& text) const
{
    tk_log(2, L"sql_database::refine_view_out(%ls)", text.c_str());
    std::wstring refined = text;
    std::size_t open = refined.find(L"/*");
    std::size_t close = refined.find(L"*/");
    if (open != std::wstring::npos && close != std::wstring::npos)
        refined.erase(open, close >= open ? close - open + 2 : std::wstring::npos);
    std::wstring qualifier = sql_quote_name(name) + L".";
    for (std::size_t at = find_no_case(refined, 0, qualifier); at != std::wstring::npos;
         at = find_no_case(refined, at, qualifier)) {
        tk_log(1, "Remove template found at pos=%d", static_cast<int>(at));
        refined.erase(at, qualifier.size());
    }
    return refined;
}

udb_recordset* sql_database::get_query(const std::wstring& name, const std::wstring& query, std::uint32_t)
{
    tk_log(2, L"sql_database::get_query(%ls,%ls)", name.c_str(), query.c_str());
    return new sql_recordset(this, name, query, &relationships);
}

udb_recordset* sql_database::get_table(const std::wstring& table, std::uint32_t flag)
{
    tk_log(2, L"sql_database::get_table(%ls)", table.c_str());
    if (!is_table_exist(table)) {
        tk_log(2, L"Table '%ls' does not exists", table.c_str());
        throw tk_mail_assertion("sql_db", 75);
    }
    return new sql_table(this, table, &relationships, flag);
}

sql_tmp_recordset* sql_database::query(const std::wstring& statement)
{
    return run_query(statement).release();
}

void sql_database::make_current() const
{
    sql_current_engine().use_database(name);
}

std::unique_ptr<sql_tmp_recordset> sql_database::run_query(const std::wstring& statement)
{
    tk_log(2, L"sql_database::query(%ls)", statement.c_str());
    make_current();
    tk_log(1, L"sql_database::do_query2(%ls)", statement.c_str());
    sql_result_ptr result = sql_current_engine().execute(m_connection, tk_unicode_to_utf8(statement));
    if (!result)
        return nullptr;
    return std::make_unique<sql_tmp_recordset>(m_connection, result.release());
}

bool sql_database::test_query(const std::wstring& statement)
{
    tk_log(2, L"sql_database::query(%ls)", statement.c_str());
    make_current();
    bool ran = mysql_query(m_connection, tk_unicode_to_utf8(statement).c_str()) == 0;
    sql_result_ptr discarded(mysql_use_result(m_connection));
    return ran;
}
