// The writing side of the MySQL classes (creating databases, tables, views and
// foreign keys, and writing rows). The source side never calls these slots;
// until the writing side is built each one is an internal error.
#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_exception.h"
#include "mysql/sql_table.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

void sql_engine::create_db(const std::wstring&) { throw tk_mail_assertion("sql_engi", __LINE__); }
void sql_engine::db_delete(const std::wstring&) { throw tk_mail_assertion("sql_engi", __LINE__); }
void sql_engine::set_properties(udb_properties*) { throw tk_mail_assertion("sql_engi", __LINE__); }

udb_recordset* sql_database::create_table(const std::wstring&, const udb_schema&, const udb_indexes&) {
    throw tk_mail_assertion("sql_db", __LINE__);
}
void sql_database::create_views(const udb_views&) { throw tk_mail_assertion("sql_db", __LINE__); }
bool sql_database::delete_tab(const std::wstring&) { throw tk_mail_assertion("sql_db", __LINE__); }
void sql_database::empty_table(const std::wstring&) { throw tk_mail_assertion("sql_db", __LINE__); }
void sql_database::create_relationships(const udb_relationships&) {
    throw tk_mail_assertion("sql_db", __LINE__);
}

void sql_table::append_record(udb_record&) { throw tk_mail_assertion("sql_tab", __LINE__); }
void sql_table::update2(udb_record&, const std::wstring&) { throw tk_mail_assertion("sql_tab", __LINE__); }
void sql_table::update1(udb_record&) { throw tk_mail_assertion("sql_tab", __LINE__); }
void sql_table::delete_key(const std::wstring&) { throw tk_mail_assertion("sql_tab", __LINE__); }
void sql_table::delete_key(udb_record&) { throw tk_mail_assertion("sql_tab", __LINE__); }

void sql_database::query_append(const std::string& statement) {
    tk_log(2, "sql_database::query_append(q_len=%d)", static_cast<int>(statement.size()));
    tk_log(2, "(%s)", statement.c_str());
    tk_log(1, "sql_database::do_query1(%s)", statement.c_str());
    mysql_query(m_connection, statement.c_str());
    sql_result_ptr result(mysql_use_result(m_connection));
    if (mysql_errno(m_connection) != 0) {
        tk_log(3, "QUERY=%s", statement.c_str());
        throw sql_exception();
    }
}
