// Foreign keys of a destination database, each with the indexes it needs.
#include "model/index.h"
#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_literals.h"
#include "mysql/sql_validators.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_support_address.h"
#include "toolkit/tk_text_conversion.h"

#include <memory>

namespace {

std::wstring column_list(const udb_names_map& names, const std::wstring& table,
                         const std::vector<std::wstring>& columns)
{
    std::wstring list;
    for (const std::wstring& column : columns) {
        if (!list.empty())
            list += L", ";
        list += sql_current_engine().get_safe_name(names.get_fn_mapped_name(table, column));
    }
    return list;
}

// LOCK TABLES holds until the connection unlocks: every later statement on
// other tables would fail.
class table_lock {
public:
    table_lock(sql_database& database, const std::wstring& pk_table, const std::wstring& fk_table)
        : m_database(database)
    {
        sql_engine& engine = sql_current_engine();
        std::wstring statement = L"LOCK TABLES " + engine.get_safe_name(pk_table) + L" WRITE";
        if (pk_table != fk_table)
            statement += L", " + engine.get_safe_name(fk_table) + L" WRITE";
        tk_log(3, L"Locking query: '%ls'", statement.c_str());
        m_database.query_append(sql_utf8(statement));
    }
    ~table_lock()
    {
        try {
            m_database.query_append("UNLOCK TABLES");
        } catch (const tk_exception& e) {
            tk_log(3, "Cannot unlock tables: %s", e.what());
        }
    }
    table_lock(const table_lock&) = delete;
    table_lock& operator=(const table_lock&) = delete;

private:
    sql_database& m_database;
};

}  // namespace

void sql_database::create_relationships(const udb_relationships& relationships)
{
    tk_log(2, "sql_database::create_relationships");
    tk_log(3, "Converting foreign keys");
    sql_engine& engine = sql_current_engine();
    if (engine.version() < sql_version_foreign_keys) {
        tk_log(3, "This version of MySQL doesn't support Foreign Keys");
        return;
    }
    if (mode == udb_mode_append) {
        tk_log(3, "Foreign keys are not converted in append mode");
        return;
    }
    try {
        query_append("SET FOREIGN_KEY_CHECKS = 0");
    } catch (const tk_exception& e) {
        tk_log(2, "Cannot turn OFF foreign key check: %s", e.what());
    }
    std::unique_ptr<sql_validator> names = engine.create_in_validator(udb_indexes());
    for (const udb_relationship& relationship : relationships) {
        try {
            create_relationship(relationship, *names);
        } catch (const tk_exception& e) {
            tk_log(3, "Error while creating FK:\n%s\n", e.what());
            object_failed(relationship.fk_table, L"foreign key '" + relationship.name + L"'", e.what(),
                          relationship.name.empty() ? relationship.fk_table
                                                    : L"Foreign key '" + relationship.name + L"'",
                          "Cannot create foreign key. Contact to " TK_SUPPORT_MAIL_ADDRESS " for the solution.");
        }
    }
    try {
        query_append("SET FOREIGN_KEY_CHECKS = 1");
    } catch (const tk_exception& e) {
        tk_log(2, "Cannot turn ON foreign key check: %s", e.what());
    }
}

void sql_database::create_relationship(const udb_relationship& relationship, udb_validator& names)
{
    sql_engine& engine = sql_current_engine();
    tk_log(3, L"Processing '%ls'", relationship.name.c_str());
    const std::wstring fk_table = names_map.get_tn_mapped_name(relationship.fk_table);
    tk_log(1, L"fk_table_name=%ls", fk_table.c_str());
    if (!is_table_exist(fk_table))
        throw tk_exception("Table '" + tk_unicode_to_utf8(fk_table) + "' not exists", 0);
    const std::wstring pk_table = names_map.get_tn_mapped_name(relationship.pk_table);
    tk_log(1, L"pk_table_name=%ls", pk_table.c_str());
    if (!is_table_exist(pk_table))
        throw tk_exception("Table '" + tk_unicode_to_utf8(pk_table) + "' not exists", 0);

    table_lock lock(*this, pk_table, fk_table);
    create_fk_index_if(fk_table, relationship.fk_flds);
    create_fk_index_if(pk_table, relationship.pk_flds);

    const bool accepted = names.is_acceptable(relationship.name);
    const std::wstring name = accepted ? relationship.name : names.get_safe_name(relationship.name);
    if (!accepted) {
        tk_log(2, L"Store generated index name '%ls'", name.c_str());
        names.add_existing_name(name);
    }
    names.restricted_words.push_back(name);

    std::wstring statement =
        L"ALTER TABLE " + engine.get_safe_name(fk_table) + L" ADD CONSTRAINT " + engine.get_safe_name(name) +
        L" FOREIGN KEY(" + column_list(names_map, fk_table, relationship.fk_flds) + L") REFERENCES " +
        engine.get_safe_name(pk_table) + L"(" + column_list(names_map, pk_table, relationship.pk_flds) + L")";
    if (!relationship.rule.empty())
        statement += L" " + relationship.rule;
    tk_log(3, L"Foreign key query: '%ls'", statement.c_str());
    query_append(sql_utf8(statement));
}

void sql_database::create_fk_index_if(const std::wstring& table, const std::vector<std::wstring>& columns)
{
    tk_log(2, L"sql_database::create_fk_index_if(%ls)", table.c_str());
    std::unique_ptr<udb_recordset> recordset(get_table(table, 0x61));
    if (!recordset)
        throw tk_mail_assertion("sql_db", 292);
    tk_log(1, "udb_indexes::has_index_on_fields");
    // The table's indexes name its columns as they were created.
    std::vector<std::wstring> created;
    for (const std::wstring& column : columns)
        created.push_back(names_map.get_fn_mapped_name(table, column));
    if (recordset->indexes.has_index_on_fields(created) != nullptr) {
        tk_log(2, L"Index for table '%ls' exists", table.c_str());
        return;
    }
    tk_log(2, L"Index for table '%ls' does NOT exist", table.c_str());
    query_append(sql_utf8(L"ALTER TABLE " + sql_current_engine().get_safe_name(table) + L" ADD INDEX (" +
                          column_list(names_map, table, columns) + L")"));
}
