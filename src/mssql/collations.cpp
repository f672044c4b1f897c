#include "mssql/collations.h"

#include "model/column_descriptor.h"
#include "mssql/type_mapping.h"
#include "toolkit/tk_string_utils.h"

namespace {

bool is_text_type(const std::wstring& type)
{
    return type.find(L"char") != std::wstring::npos || type == L"text" || type == L"ntext";
}

}  // namespace

std::wstring mss_collation(const t_ftd& column)
{
    if (column.collation.empty() || !is_text_type(mss_written_type(column).type))
        return {};
    tk_wstring name(column.collation);
    name.to_lower();
    // MySQL names a collation by its character set, then its properties, each after a '_'.
    const std::wstring properties = name.substr(name.find(L'_') == std::wstring::npos ? name.size() : name.find(L'_'));
    if (properties.ends_with(L"_bin"))
        return L"Latin1_General_100_BIN2";
    if (properties.ends_with(L"_cs") || properties.find(L"_cs_") != std::wstring::npos)
        return L"Latin1_General_100_CS_AS";
    return {};
}
