#include "mssql/view_names.h"

#include "model/names_map.h"
#include "toolkit/tk_log.h"

mss_tn_validator mss_view_validator(const udb_views& views, const std::vector<std::wstring>& tables)
{
    std::vector<std::wstring> view_names;
    for (const auto& view : views)
        view_names.push_back(view.first);
    return mss_tn_validator(view_names, tables);
}

std::wstring mss_view_name(mss_tn_validator& validator, udb_names_map& names_map, const std::wstring& source_name,
                           bool log_mapping)
{
    if (validator.is_acceptable(source_name))
        return source_name;
    std::wstring view_name = validator.get_safe_name(source_name);
    names_map.add_tn_mapping(source_name, view_name);
    if (log_mapping)
        tk_log(2, L"udb_names_map::add_tn_mapping(%ls,%ls)", source_name.c_str(), view_name.c_str());
    validator.add_existing_name(view_name);
    tk_log(2, L"Store generated column name '%ls'", view_name.c_str());
    return view_name;
}
