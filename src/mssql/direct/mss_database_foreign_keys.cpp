// Foreign keys of the destination, each with the unique key on the
// referenced columns that SQL Server needs for it.
#include "mssql/direct/mss_database.h"
#include "mssql/direct/result_rows.h"
#include "mssql/index_names.h"
#include "mssql/key_statements.h"
#include "mssql/mss_engine.h"
#include "mssql/odb/odb_command.h"
#include "mssql/odb_exception.h"
#include "mssql/quoting.h"
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
        stop_if_requested();
        tk_log(3, L"Processing '%ls', properties=%ls", relationship.name.c_str(), relationship.rule.c_str());
        try {
            create_relationship(relationship);
        } catch (const tk_exception& e) {
            tk_log(3, "Error while creating FK:\n%s\n", e.what());
            // The fixed advice, then why this key could not be made.
            const bool orphans = (e.get_error_number() & 0xFFFF) == low_word_of_integrity_violation;
            object_failed(names_map.get_tn_mapped_name(relationship.fk_table, true),
                          L"foreign key '" + relationship.name + L"'", e.what(),
                          relationship.name.empty() ? relationship.fk_table
                                                    : L"Foreign key '" + relationship.name + L"'",
                          std::string(orphans ? orphans_text : contact_text) + "\n" + e.what());
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
    // Renamed columns stand in the names map under their table's source name.
    const auto mapped = [&](const std::wstring& table, const std::vector<std::wstring>& fields) {
        std::vector<std::wstring> names;
        for (const std::wstring& field : fields)
            names.push_back(names_map.get_fn_mapped_name(table, field));
        return names;
    };
    const std::wstring statement = mss_foreign_key_statement(
        mss_direct_keys, child_table, relationship.name, mapped(relationship.fk_table, relationship.fk_flds),
        parent_table, mapped(relationship.pk_table, relationship.pk_flds), relationship.rule);
    odb_command command(session.get());
    command.execute(statement, nullptr);
}

// A table the run made is judged by the keys the run made on it, as the
// script judges every table; a table that was there before, by the server.
void mss_database::create_fk_index_if(const std::wstring& parent, const std::wstring& parent_source,
                                      const std::vector<std::wstring>& columns)
{
    tk_log(2, L"mss_database::create_fk_index_if(%ls)", parent.c_str());
    std::wstring table_name = existing_table_name(parent);
    if (table_name.empty())
        table_name = mss_engine::get_safe_tname(parent);
    std::vector<std::wstring> destination_columns;
    for (const std::wstring& column : columns)
        destination_columns.push_back(names_map.get_fn_mapped_name(parent_source, column));
    try {
        tk_log(1, "udb_indexes::has_index_on_fields");
        bool supported = made_keys.supports(table_name, destination_columns);
        if (!supported && !made_keys.knows(table_name)) {
            const std::unique_ptr<udb_recordset> result(query(supporting_key_query(table_name, destination_columns)));
            result->reset();
            supported = !result->is_eof() && mss_row_long(*result->get_item(), 0) > 0;
        }
        if (supported) {
            tk_log(2, L"Child index for table '%ls' exists", parent.c_str());
            return;
        }
        tk_log(2, L"Child index for table '%ls' does NOT exist", parent.c_str());
        std::wstring name;
        if (made_keys.knows(table_name)) {
            name = gen_idx_name(made_keys.of(table_name), columns);
        } else {
            const std::unique_ptr<udb_recordset> table(get_table(table_name, udb_mode_read_only));
            name = gen_idx_name(table.get(), columns);
        }
        run(mss_fk_index_statement(table_name, name, destination_columns));
        udb_index index(name, true, false);
        index.fields = destination_columns;
        made_keys.add(table_name, index, false);
    } catch (const odb_exception& e) {
        // The foreign key is still tried; when the server refuses it, that
        // is the failed object the run counts.
        tk_log(3, "Error while creating index for FK:\n%s\n", e.what());
    }
}
