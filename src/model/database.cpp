#include "model/database.h"

#include "model/recordset.h"
#include "toolkit/error_handler.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <memory>

udb_database::udb_database(const std::wstring& name, std::uint32_t mode, bool case_sensitive)
    : mode(mode), name(name), case_sensitive(case_sensitive)
{
    tk_log(2, L"udb_database::ctor(%ls,%d)", name.c_str(), static_cast<int>(mode));
}

udb_database::~udb_database()
{
    tk_log(2, "udb_database::dtor");
}

bool udb_database::same_table(const std::wstring& a, const std::wstring& b) const
{
    return tk_same_text(a, b, case_sensitive);
}

void udb_database::object_failed(const std::wstring& table, const std::wstring& object, const std::string& reason,
                                 const std::wstring& context, const std::string& user_text)
{
    if (table.empty())
        tk_log(3, L"%ls could not be created: %ls", object.c_str(), tk_utf8_to_unicode(reason).c_str());
    else
        tk_log(3, L"Table '%ls': %ls could not be created: %ls", table.c_str(), object.c_str(),
               tk_utf8_to_unicode(reason).c_str());
    if (!error_handler::is_initialized())
        return;
    error_handler& handler = error_handler::instance();
    handler.count_failed_object();
    if (user_text.empty())
        return;
    handler.set_context(context);
    handler.handle(tk_exception(user_text, 0), false);
}

void udb_database::stop_if_requested() const
{
    if (stop_requested && stop_requested())
        throw tk_final_exception();
}

void udb_database::create_schema(const std::wstring&) {}

udb_recordset* udb_database::create_table(const std::wstring&, const std::wstring&)
{
    tk_log(2, "udb_database::create_table(partition)");
    throw tk_mail_assertion("udb_db", 50);
}

void udb_database::create_index(const std::wstring&, const udb_schema&, const udb_index&) {}

void udb_database::create_indexes(const std::wstring& table, const udb_schema& schema, const udb_indexes& indexes)
{
    tk_log(2, L"udb_database::create_indexes(%ls)", table.c_str());
    for (const udb_index& index : indexes) {
        stop_if_requested();
        create_index(table, schema, index);
    }
}

void udb_database::create_sequences(const udb_sequences&) {}

void udb_database::create_views(const udb_views&) {}

void udb_database::delete_fk(const std::wstring&) {}

void udb_database::delete_idx(const std::wstring&, const udb_index&) {}

bool udb_database::delete_tab(const std::wstring& table)
{
    auto it =
        std::find_if(tables.begin(), tables.end(), [&](const std::wstring& name) { return same_table(name, table); });
    if (it == tables.end()) {
        tk_log(2, "Table not found!");
        return false;
    }
    tables.erase(it);
    return true;
}

void udb_database::reserved1() {}

void udb_database::empty_table(const std::wstring& table)
{
    std::unique_ptr<udb_recordset> result(query(L"delete from " + table));
}

void udb_database::reserved2() {}

void udb_database::get_schema_info(std::vector<std::wstring>& schemas)
{
    schemas.clear();
}

udb_recordset* udb_database::query(const std::wstring&)
{
    throw tk_mail_assertion("udb_db", 111);
}

void udb_database::create_relationships(const udb_relationships&) {}

std::vector<std::wstring>& udb_database::get_table_names()
{
    return tables;
}

bool udb_database::is_table_exist(const std::wstring& table)
{
    tk_log(2, L"udb_database::is_table_exist(%ls,case_sensitive=%d)", table.c_str(), case_sensitive);
    if (tables.empty())
        tk_log(2, "Tables list is EMPTY!");
    bool exists =
        std::any_of(tables.begin(), tables.end(), [&](const std::wstring& name) { return same_table(name, table); });
    tk_log(1, exists ? "table exists" : "table not found");
    return exists;
}
