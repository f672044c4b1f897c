// Ownership of the MySQL client library's result handles, the server version
// code and the quoting of names and values for statements.
#pragma once

#include <cstdint>
#include <memory>
#include <mysql.h>
#include <optional>
#include <string>

struct sql_result_deleter {
    void operator()(MYSQL_RES* result) const noexcept { mysql_free_result(result); }
};
using sql_result_ptr = std::unique_ptr<MYSQL_RES, sql_result_deleter>;

// major * 65536 + minor * 256 + patch
constexpr uint32_t sql_version_code(uint32_t major, uint32_t minor, uint32_t patch)
{
    return ((major << 8 | minor) << 8) | patch;
}

inline constexpr uint32_t sql_version_foreign_keys = sql_version_code(3, 23, 44);
inline constexpr uint32_t sql_version_quoted_names = sql_version_code(4, 1, 0);
inline constexpr uint32_t sql_version_table_types = sql_version_code(5, 0, 1);

// The three leading numbers of a version text such as "10.11.6-MariaDB-log";
// none when the text holds fewer than three.
std::optional<uint32_t> sql_parse_version(const char* text);

// The name in backticks with every embedded backtick doubled.
std::wstring sql_quote_name(const std::wstring& name);

// Whether the name is already one identifier in backticks, every backtick
// inside it doubled.
bool sql_is_quoted_name(const std::wstring& name);

// The text escaped for a quoted string literal on this connection.
std::string sql_escape_string(MYSQL* connection, const std::string& text);

// Character set numbers of field descriptions: binary bytes, and the
// collation utf8mb4_general_ci.
inline constexpr unsigned sql_binary_charset = 63;
inline constexpr unsigned sql_utf8_charset = 45;
