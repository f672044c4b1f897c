#include "mysql/session_modes.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 15> changing_modes = {
    "ANSI",
    "ANSI_QUOTES",
    "NO_BACKSLASH_ESCAPES",
    "PIPES_AS_CONCAT",
    "EMPTY_STRING_IS_NULL",
    "ORACLE",
    "MSSQL",
    "DB2",
    "POSTGRESQL",
    "MAXDB",
    "MYSQL323",
    "MYSQL40",
    "NO_FIELD_OPTIONS",
    "NO_KEY_OPTIONS",
    "NO_TABLE_OPTIONS",
};

bool changes_reading(std::string_view mode)
{
    for (std::string_view changing : changing_modes)
        if (mode == changing)
            return true;
    return false;
}

}  // namespace

std::string sql_reading_modes(const std::string& modes)
{
    std::string kept;
    for (std::size_t at = 0; at < modes.size();) {
        const std::size_t end = std::min(modes.find(',', at), modes.size());
        const std::string_view mode = std::string_view(modes).substr(at, end - at);
        if (!mode.empty() && !changes_reading(mode)) {
            if (!kept.empty())
                kept += ',';
            kept.append(mode);
        }
        at = end + 1;
    }
    return kept;
}
