#include "mssql/script/script_test_support.h"

#include "support/tsql_rules.h"
#include "toolkit/tk_text_conversion.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace mss_test {

scratch_folder::scratch_folder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "mssql-script-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a scratch folder");
    m_path = pattern;
}

scratch_folder::~scratch_folder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::wstring scratch_folder::file(const std::string& name) const
{
    return tk_utf8_to_unicode((m_path / name).string());
}

void recording_error_handler::handle(const tk_exception& exception, bool outer)
{
    texts.emplace_back(exception.what());
    codes.push_back(exception.get_code());
    outer_flags.push_back(outer);
}

void recording_error_handler::clear()
{
    texts.clear();
    codes.clear();
    outer_flags.clear();
}

udb_index make_index(const wchar_t* name, bool unique, bool primary, std::vector<std::wstring> fields,
                     bool unique_constraint)
{
    udb_index index(name, unique, primary);
    index.unique_constraint = unique_constraint;
    index.fields = std::move(fields);
    return index;
}

udb_schema make_schema(const std::vector<column_def>& columns)
{
    udb_schema schema(true);
    for (const auto& def : columns) {
        auto* column =
            new t_ftd(def.size, def.name, def.vartype, def.not_null, def.identity, def.default_value, def.subtype);
        column->precision = def.precision;
        column->scale = def.scale;
        schema.push_back(column);
    }
    return schema;
}

void fill_record(udb_record& record, const udb_schema& schema, const std::vector<ole_variant>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        record.push_back(new udb_field(schema[i]->name, static_cast<std::uint32_t>(schema[i]->size), values[i]));
}

std::string read_bytes(const std::wstring& path)
{
    std::ifstream file(tk_unicode_to_utf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void write_bytes(const std::wstring& path, const std::string& bytes)
{
    std::ofstream(tk_unicode_to_utf8(path), std::ios::binary) << bytes;
}

std::string stable_script(const std::string& script, const scratch_folder& folder)
{
    expect_sql_server_rules(script);
    static const std::regex date("Creation date: [0-9]{2}/[0-9]{2}/[0-9]{4}");
    std::string result = std::regex_replace(script, date, "Creation date: MM/DD/YYYY");
    const std::string folder_text = folder.path().string() + "/";
    for (std::size_t at = result.find(folder_text); at != std::string::npos; at = result.find(folder_text, at))
        result.replace(at, folder_text.size(), "OUT/");
    return result;
}

void expect_sql_server_rules(const std::string& script)
{
    for (const std::string& breach : tsql::rule_breaches(script))
        ADD_FAILURE() << "SQL Server would refuse the script: " << breach;
}

std::string golden(const std::string& name, const std::string& actual,
                   const std::vector<std::pair<std::string, std::string>>& replacements)
{
    expect_sql_server_rules(actual);
    const std::string path = std::string(VELMORA_FIXTURES_DIR) + "/mssql/" + name;
    if (std::getenv("VELMORA_UPDATE_GOLDEN")) {
        std::string stored = actual;
        for (const auto& [key, text] : replacements) {
            const std::string marker = "@@" + key + "@@";
            for (std::size_t at = stored.find(text); !text.empty() && at != std::string::npos;
                 at = stored.find(text, at + marker.size()))
                stored.replace(at, text.size(), marker);
        }
        std::ofstream(path, std::ios::binary) << stored;
    }
    std::ifstream file(path, std::ios::binary);
    std::string expected((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (const auto& [key, text] : replacements) {
        const std::string marker = "@@" + key + "@@";
        for (std::size_t at = expected.find(marker); at != std::string::npos;
             at = expected.find(marker, at + text.size()))
            expected.replace(at, marker.size(), text);
    }
    return expected;
}

}  // namespace mss_test
