// What SHOW COLUMNS and SHOW CREATE TABLE leave unsaid, read from the
// server's catalogue: the collation of each text column, and the foreign
// keys whose referenced table lies in another database.
#include "model/name_compare.h"
#include "mysql/client_handles.h"
#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_table.h"
#include "mysql/sql_tmp_recordset.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

namespace {

// The catalogue's tables came with the 5.0 servers.
constexpr std::uint32_t catalogue_version = sql_version_code(5, 0, 0);

}  // namespace

std::wstring sql_table::catalogue_condition() const
{
    return L"TABLE_SCHEMA = DATABASE() AND TABLE_NAME = '" +
           tk_utf8_to_unicode(sql_escape_string(m_database->get_connection(), tk_unicode_to_utf8(table))) + L"'";
}

void sql_table::read_collations()
{
    if (sql_current_engine().version() < catalogue_version)
        return;
    std::unique_ptr<sql_tmp_recordset> rows =
        m_database->run_query(L"SELECT COLUMN_NAME, COLLATION_NAME FROM information_schema.COLUMNS WHERE " +
                              catalogue_condition() + L" AND COLLATION_NAME IS NOT NULL");
    if (!rows)
        return;
    for (rows->reset(); !rows->is_eof(); rows->next()) {
        const udb_record& row = *rows->get_item();
        if (t_ftd* column = schema.get_field1(row.at(0)->to_wstring())) {
            column->collation = row.at(1)->to_wstring();
            tk_log(2, L"Field '%ls' has collation: %ls", column->name.c_str(), column->collation.c_str());
        }
    }
}

void sql_table::read_foreign_key_databases(std::size_t first_key)
{
    if (sql_current_engine().version() < catalogue_version || first_key == m_relationships->size())
        return;
    std::unique_ptr<sql_tmp_recordset> rows =
        m_database->run_query(L"SELECT CONSTRAINT_NAME, REFERENCED_TABLE_SCHEMA, REFERENCED_TABLE_NAME FROM "
                              L"information_schema.KEY_COLUMN_USAGE WHERE " +
                              catalogue_condition() +
                              L" AND REFERENCED_TABLE_SCHEMA IS NOT NULL AND REFERENCED_TABLE_SCHEMA <> TABLE_SCHEMA");
    if (!rows)
        return;
    for (rows->reset(); !rows->is_eof(); rows->next()) {
        const udb_record& row = *rows->get_item();
        const std::wstring name = row.at(0)->to_wstring();
        for (std::size_t i = first_key; i < m_relationships->size(); ++i) {
            udb_relationship& key = (*m_relationships)[i];
            if (!udb_same_name(key.name, name))
                continue;
            key.pk_database = row.at(1)->to_wstring();
            key.pk_table = row.at(2)->to_wstring();
            tk_log(2, L"Foreign key '%ls' references table '%ls' of database '%ls'", name.c_str(), key.pk_table.c_str(),
                   key.pk_database.c_str());
        }
    }
}
