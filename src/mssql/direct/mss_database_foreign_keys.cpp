// Foreign keys of the destination, each with the unique key on the
// referenced columns that SQL Server needs for it.
#include "mssql/direct/mss_database.h"

#include "toolkit/error_handler.h"
#include "mssql/mss_engine.h"
#include "mssql/index_names.h"
#include "mssql/odb/odb_command.h"
#include "mssql/odb_exception.h"
#include "mssql/quoting.h"
#include "mssql/direct/result_rows.h"
#include "mssql/table_names.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_support_address.h"

#include <memory>

namespace {

constexpr std::uint32_t low_word_of_integrity_violation = 0x0E2F;
constexpr std::int32_t filtered_index_version = 5;

const char* const orphans_text = "There are orphaned records that prevent from creating foreign key. For more\n"
                                 "information see Troubleshooting article of the product documentation.";
const char* const contact_text = "Can't create foreign key. Contact to " TK_SUPPORT_MAIL_ADDRESS " for the solution.";

std::wstring without(std::wstring text, const std::wstring& part)
{
    tk_wstring result(text);
    result.replace_all(part, L"");
    return result;
}

// Whether an unfiltered primary key or unique index covers exactly the columns.
std::wstring supporting_key_query(const std::wstring& table, const std::vector<std::wstring>& columns)
{
    std::wstring names;
    for (const std::wstring& column : columns)
        names += (names.empty() ? L"" : L", ") + mss_unicode_literal(column);
    const std::wstring count = std::to_wstring(columns.size());
    const bool filters = mss_engine::instance().version_code >= filtered_index_version;
    return L"SELECT COUNT(*) FROM sys.indexes i WHERE i.object_id = OBJECT_ID(" + mss_unicode_literal(table) +
           L") AND i.is_unique = 1" + (filters ? L" AND i.has_filter = 0" : L"") +
           L" AND (SELECT COUNT(*) FROM sys.index_columns ic WHERE ic.object_id = i.object_id AND ic.index_id = "
           L"i.index_id AND ic.is_included_column = 0) = " +
           count +
           L" AND (SELECT COUNT(*) FROM sys.index_columns ic JOIN sys.columns c ON c.object_id = ic.object_id AND "
           L"c.column_id = ic.column_id WHERE ic.object_id = i.object_id AND ic.index_id = i.index_id AND "
           L"ic.is_included_column = 0 AND c.name IN (" +
           names + L")) = " + count;
}

}  // namespace

// A name without an owner is looked for as the server looks for it: in the
// login's default schema, then in dbo, where the run makes every table
// whose name carries no owner.
std::wstring mss_database::existing_table_name(const std::wstring& name)
{
    const std::wstring canonical = mss_engine::get_safe_tname(name);
    if (is_table_exist(canonical))
        return canonical;
    std::wstring table;
    std::wstring owner;
    mss_split_tab_name(name, table, owner);
    const std::wstring in_dbo = L"[dbo]." + mss_quote_name(table);
    if (owner.empty() && is_table_exist(in_dbo))
        return in_dbo;
    if (is_table_exist(name) || is_table_exist(without(without(name, L"dbo].["), L"dbo.")))
        return canonical;
    return std::wstring();
}

void mss_database::create_relationships(const udb_relationships& list)
{
    tk_log(2, "mss_database::create_relationships");
    if (mode == udb_mode_append) {
        tk_log(3, "Foreign keys are not converted in append mode");
        return;
    }
    for (const udb_relationship& relationship : list) {
        tk_log(3, L"Processing '%ls', properties=%ls", relationship.name.c_str(), relationship.rule.c_str());
        try {
            create_relationship(relationship);
        } catch (const tk_exception& e) {
            tk_log(3, "Error while creating FK:\n%s\n", e.what());
            error_handler& handler = error_handler::instance();
            handler.count_failed_object();
            handler.set_context(relationship.name.empty() ? relationship.fk_table
                                                          : L"Foreign key '" + relationship.name + L"'");
            // The fixed advice, then why this key could not be made.
            const bool orphans = (e.get_error_number() & 0xFFFF) == low_word_of_integrity_violation;
            handler.handle(tk_exception(std::string(orphans ? orphans_text : contact_text) + "\n" + e.what(), 0),
                           false);
        }
    }
}

void mss_database::create_relationship(const udb_relationship& relationship)
{
    const std::wstring child = names_map.get_tn_mapped_name(relationship.fk_table, true);
    const std::wstring parent = names_map.get_tn_mapped_name(relationship.pk_table, true);
    const std::wstring child_table = existing_table_name(child);
    const std::wstring parent_table = existing_table_name(parent);
    if (child_table.empty())
        throw tk_exception(L"Table '" + child + L"' not exists", 0);
    if (parent_table.empty())
        throw tk_exception(L"Table '" + parent + L"' not exists", 0);
    create_fk_index_if(parent, relationship.pk_table, relationship.pk_flds);
    const auto column_list = [&](const std::wstring& table, const std::vector<std::wstring>& fields) {
        std::wstring list;
        for (const std::wstring& field : fields)
            list += (list.empty() ? L"" : L", ") + mss_quote_name(names_map.get_fn_mapped_name(table, field));
        return list;
    };
    std::wstring statement = L"ALTER TABLE " + child_table + L" ADD";
    if (!relationship.name.empty())
        statement += L" CONSTRAINT " + mss_quote_name(relationship.name);
    // Renamed columns stand in the names map under their table's source name.
    statement += L" FOREIGN KEY (" + column_list(relationship.fk_table, relationship.fk_flds) + L") REFERENCES " +
                 parent_table + L"(" + column_list(relationship.pk_table, relationship.pk_flds) + L")";
    if (!relationship.rule.empty() && mss_engine::is_valid_fk_props(tk_trim(relationship.rule)))
        statement += L" " + relationship.rule;
    tk_log(2, L"Foreign key query: '%ls'", statement.c_str());
    odb_command command(session.get());
    command.execute(statement, nullptr);
}

void mss_database::create_fk_index_if(const std::wstring& parent, const std::wstring& parent_source,
                                      const std::vector<std::wstring>& columns)
{
    tk_log(2, L"mss_database::create_fk_index_if(%ls)", parent.c_str());
    try {
        std::wstring table_name = existing_table_name(parent);
        if (table_name.empty())
            table_name = mss_engine::get_safe_tname(parent);
        std::vector<std::wstring> destination_columns;
        for (const std::wstring& column : columns)
            destination_columns.push_back(names_map.get_fn_mapped_name(parent_source, column));
        tk_log(1, "udb_indexes::has_index_on_fields");
        std::int32_t supporting = 0;
        {
            const std::unique_ptr<udb_recordset> result(query(supporting_key_query(table_name, destination_columns)));
            result->reset();
            if (!result->is_eof())
                supporting = mss_row_long(*result->get_item(), 0);
        }
        if (supporting > 0) {
            tk_log(2, L"Child index for table '%ls' exists", parent.c_str());
            return;
        }
        tk_log(2, L"Child index for table '%ls' does NOT exist", parent.c_str());
        const std::unique_ptr<udb_recordset> table(get_table(table_name, udb_mode_read_only));
        std::wstring list;
        for (const std::wstring& column : destination_columns)
            list += (list.empty() ? L"" : L", ") + mss_quote_name(column);
        const std::wstring statement = L"CREATE UNIQUE INDEX " + mss_bracket_name(gen_idx_name(table.get(), columns)) +
                                       L" ON " + table_name + L"(" + list + L")";
        tk_log(2, L"str_query=%ls", statement.c_str());
        run(statement);
    } catch (const odb_exception& e) {
        tk_log(3, "Error while creating index for FK:\n%s\n", e.what());
    }
}
