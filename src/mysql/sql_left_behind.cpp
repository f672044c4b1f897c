#include "mysql/sql_left_behind.h"

#include "mysql/blob_to_text_scope.h"
#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_exception.h"
#include "toolkit/tk_log.h"

#include <algorithm>
#include <memory>

namespace {

// The servers whose catalogue has the table a query reads.
enum class catalogue { any, mariadb, mysql8 };

struct catalogue_query {
    const wchar_t* kind;
    // Columns: the object's name, then its table (empty or NULL for an object
    // of the database); the current database is the one to read.
    const wchar_t* statement;
    catalogue servers = catalogue::any;
};

const catalogue_query queries[] = {
    {L"trigger", L"SELECT TRIGGER_NAME, EVENT_OBJECT_TABLE FROM information_schema.TRIGGERS "
                 L"WHERE TRIGGER_SCHEMA = DATABASE() ORDER BY EVENT_OBJECT_TABLE, TRIGGER_NAME"},
    {L"CHECK constraint", L"SELECT CONSTRAINT_NAME, TABLE_NAME FROM information_schema.TABLE_CONSTRAINTS "
                          L"WHERE CONSTRAINT_SCHEMA = DATABASE() AND CONSTRAINT_TYPE = 'CHECK' "
                          L"ORDER BY TABLE_NAME, CONSTRAINT_NAME"},
    {L"generated column expression",
     L"SELECT COLUMN_NAME, TABLE_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() "
     L"AND (EXTRA LIKE '%VIRTUAL%' OR EXTRA LIKE '%STORED%' OR EXTRA LIKE '%PERSISTENT%') "
     L"ORDER BY TABLE_NAME, ORDINAL_POSITION"},
    {L"system-versioning history", L"SELECT TABLE_NAME, TABLE_NAME FROM information_schema.TABLES "
                                   L"WHERE TABLE_SCHEMA = DATABASE() AND TABLE_TYPE = 'SYSTEM VERSIONED' "
                                   L"ORDER BY TABLE_NAME"},
    // MariaDB keeps the reference ids of spatial columns here, MySQL 8 in COLUMNS.
    {L"spatial reference id",
     L"SELECT CONCAT(G_GEOMETRY_COLUMN, ' (SRID ', SRID, ')'), G_TABLE_NAME "
     L"FROM information_schema.GEOMETRY_COLUMNS WHERE G_TABLE_SCHEMA = DATABASE() "
     L"AND SRID <> 0 ORDER BY G_TABLE_NAME, G_GEOMETRY_COLUMN",
     catalogue::mariadb},
    {L"spatial reference id",
     L"SELECT CONCAT(COLUMN_NAME, ' (SRID ', SRS_ID, ')'), TABLE_NAME "
     L"FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() "
     L"AND SRS_ID IS NOT NULL AND SRS_ID <> 0 ORDER BY TABLE_NAME, ORDINAL_POSITION",
     catalogue::mysql8},
    {L"stored procedure", L"SELECT ROUTINE_NAME, NULL FROM information_schema.ROUTINES "
                          L"WHERE ROUTINE_SCHEMA = DATABASE() AND ROUTINE_TYPE = 'PROCEDURE' ORDER BY ROUTINE_NAME"},
    {L"stored function", L"SELECT ROUTINE_NAME, NULL FROM information_schema.ROUTINES "
                         L"WHERE ROUTINE_SCHEMA = DATABASE() AND ROUTINE_TYPE = 'FUNCTION' ORDER BY ROUTINE_NAME"},
    {L"event", L"SELECT EVENT_NAME, NULL FROM information_schema.EVENTS WHERE EVENT_SCHEMA = DATABASE() "
               L"ORDER BY EVENT_NAME"},
    {L"sequence", L"SELECT TABLE_NAME, NULL FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE() "
                  L"AND TABLE_TYPE = 'SEQUENCE' ORDER BY TABLE_NAME"},
};

}  // namespace

void sql_report_left_behind(sql_database& database, const std::vector<std::wstring>& tables)
{
    blob_to_text_scope as_text;
    const auto read_by_run = [&](const std::wstring& table) {
        return std::any_of(tables.begin(), tables.end(),
                           [&](const std::wstring& read) { return database.same_table(read, table); });
    };
    const sql_engine& engine = sql_current_engine();
    const auto has_catalogue = [&](catalogue servers) {
        switch (servers) {
        case catalogue::mariadb: return engine.is_mariadb();
        case catalogue::mysql8: return !engine.is_mariadb() && engine.version() >= sql_version_code(8, 0, 0);
        default: return true;
        }
    };
    for (const catalogue_query& query : queries) {
        if (!has_catalogue(query.servers))
            continue;
        std::unique_ptr<sql_tmp_recordset> rows;
        try {
            rows = database.run_query(query.statement);
        } catch (const sql_exception& e) {
            tk_log(2, L"No %ls read: %s", query.kind, e.what());
            continue;
        }
        if (!rows)
            continue;
        for (rows->reset(); !rows->is_eof(); rows->next()) {
            const udb_record& row = *rows->get_item();
            const std::wstring name = row.at(0)->to_wstring();
            if (row.at(1)->get_type() == VT_EMPTY) {
                tk_log(3, L"Not carried across: %ls '%ls'", query.kind, name.c_str());
                continue;
            }
            const std::wstring table = row.at(1)->to_wstring();
            if (read_by_run(table))
                tk_log(3, L"Not carried across: %ls '%ls' of table '%ls'", query.kind, name.c_str(), table.c_str());
        }
    }
}
