#include "mssql/view_names.h"

#include "model/name_compare.h"
#include "model/names_map.h"
#include "mssql/client_commands.h"
#include "mssql/quoting.h"
#include "toolkit/tk_log.h"

#include <algorithm>

namespace {

std::vector<std::wstring> view_names(const udb_views& views)
{
    std::vector<std::wstring> names;
    for (const auto& view : views)
        names.push_back(view.first);
    return names;
}

}  // namespace

mss_view_names::mss_view_names(const udb_views& views, const std::vector<std::wstring>& tables)
    : m_validator(view_names(views), tables)
{}

std::wstring mss_view_names::name_of(udb_names_map& names_map, const std::wstring& source_name, bool log_mapping)
{
    const auto taken = std::find_if(m_given.begin(), m_given.end(),
                                    [&](const std::wstring& given) { return udb_same_name(given, source_name); });
    if (taken == m_given.end() && m_validator.is_acceptable(source_name)) {
        m_given.push_back(source_name);
        return source_name;
    }
    std::wstring view_name = m_validator.get_safe_name(source_name);
    if (taken != m_given.end())
        tk_log(3, L"View '%ls' is created as '%ls': MS SQL Server does not tell its name from that of view '%ls'",
               source_name.c_str(), view_name.c_str(), taken->c_str());
    names_map.add_tn_mapping(source_name, view_name);
    if (log_mapping)
        tk_log(2, L"udb_names_map::add_tn_mapping(%ls,%ls)", source_name.c_str(), view_name.c_str());
    m_validator.add_existing_name(view_name);
    m_given.push_back(view_name);
    tk_log(2, L"Store generated column name '%ls'", view_name.c_str());
    return view_name;
}

mss_view_table_names mss_renamed_tables(const udb_names_map& names_map)
{
    return [&names_map](const std::wstring& source_name) -> std::optional<std::wstring> {
        const std::wstring mapped = names_map.get_tn_mapped_name(source_name, true);
        if (mapped.empty())
            return std::nullopt;
        // Tables map to [owner].[name], views to their bare name. A name only
        // mended for the client reads as the view text has it already.
        const std::wstring reference = mapped.front() == L'[' ? mapped : mss_bracket_name(mapped);
        const std::wstring mended = mss_bracket_name(mss_client_safe_name(source_name));
        if (mapped == source_name || reference == mended || reference == L"[dbo]." + mended)
            return std::nullopt;
        return reference;
    };
}
