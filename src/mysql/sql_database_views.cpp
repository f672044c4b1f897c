// Views of a destination database.
#include "model/name_compare.h"
#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_literals.h"
#include "mysql/sql_validators.h"
#include "mysql/sql_view_converter.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <memory>

namespace {

bool starts_with_select(const std::wstring& text)
{
    return text.size() >= 6 && udb_same_name(std::wstring_view(text).substr(0, 6), L"select");
}

}  // namespace

void sql_database::create_views(const udb_views& list)
{
    std::vector<std::wstring> view_names;
    for (const auto& view : list)
        view_names.push_back(view.first);
    std::unique_ptr<sql_validator> validator = sql_current_engine().create_tn_validator(view_names, {});
    for (const auto& [view_name, text] : list) {
        try {
            tk_log(2, L"Processing '%ls'", view_name.c_str());
            tk_log(2, L"\t'%ls'", text.c_str());
            if (!starts_with_select(text)) {
                tk_log(2, "Skip non-select query");
                throw tk_exception(std::string("Only a view made of one SELECT statement can be created"), 0);
            }
            std::wstring name = view_name;
            if (!validator->is_acceptable(name)) {
                name = validator->get_safe_name(view_name);
                tk_log(1, L"udb_names_map::add_tn_mapping(%ls,%ls)", view_name.c_str(), name.c_str());
                names_map.add_tn_mapping(view_name, name);
                tk_log(2, L"Store generated view name '%ls'", name.c_str());
                validator->add_existing_name(name);
            }
            query_append(sql_utf8(L"CREATE OR REPLACE VIEW " + sql_current_engine().get_safe_name(name) + L" AS " +
                                  refine_view_in(text)));
        } catch (const tk_exception& e) {
            tk_log(2, "Error while creating view:\n%s\n", e.what());
            object_failed({}, L"view '" + view_name + L"'", e.what(), L"View '" + view_name + L"'", e.what());
        }
    }
}

std::wstring sql_database::refine_view_in(const std::wstring& text) const
{
    tk_log(2, L"sql_database::refine_view_in(%ls)", text.c_str());
    std::wstring result = sql_view_converter::convert(sql_view_converter::normalize_spaces(text), names_map);
    tk_log(2, L"After replacing []: result=%ls", result.c_str());
    return result + L";";
}

void sql_database::query_append(const std::string& statement)
{
    tk_log(2, "sql_database::query_append(q_len=%d)", static_cast<int>(statement.size()));
    tk_log(2, "(%s)", statement.c_str());
    tk_log(1, "sql_database::do_query1(%s)", statement.c_str());
    make_current();
    sql_current_engine().execute(m_connection, statement);
}
