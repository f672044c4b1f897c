// The engine's core: its life, the server's version code, foreign-key rules
// and OLE DB type codes, none of which needs a connection. The connection
// half is direct/mss_engine_connection.cpp, the script writers' factory
// script/mss_engine_dump.cpp, the canonical table name
// mss_engine_table_name.cpp.
#include "mssql/mss_engine.h"

#include "platform/compare_string.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"

#include <array>
#include <map>
#include <utility>

namespace {

bool starts_at_zero(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

mss_engine::mss_engine(std::uint32_t no_com_init) : m_no_com_init(no_com_init)
{
    tk_log(2, "mss_engine::mss_engine(%u)", static_cast<unsigned>(no_com_init));
}

mss_engine::~mss_engine()
{
    tk_log(2, "mss_engine::~mss_engine");
}

std::int32_t mss_engine::get_version_code(const std::wstring& version_text)
{
    static const std::wstring server = L"Microsoft SQL Server";
    static const std::wstring azure = L"Microsoft SQL Azure";
    if (version_text.size() > server.size() + 10 && starts_at_zero(version_text, server)) {
        const std::wstring number = tk_trim(version_text.substr(server.size(), 10));
        tk_log(1, L"str_ver_num=%ls", number.c_str());
        static const std::array<std::pair<const wchar_t*, std::int32_t>, 17> years = {{
            {L"2022", 18},
            {L"2021", 17},
            {L"2020", 16},
            {L"2019", 15},
            {L"2018", 14},
            {L"2017", 13},
            {L"2016", 12},
            {L"2015", 11},
            {L"2014", 10},
            {L"2013", 9},
            {L"2012", 8},
            {L"2011", 7},
            {L"2010", 6},
            {L"2008", 5},
            {L"2005", 4},
            {L"200", 3},
            {L"7.", 2},
        }};
        for (const auto& [token, code] : years)
            if (starts_at_zero(number, token))
                return code;
        return 1;
    }
    if (version_text.size() > azure.size() && starts_at_zero(version_text, azure)) {
        tk_log(2, "Got Microsoft SQL Azure");
        return mss_azure_version_code;
    }
    return 1;
}

bool mss_engine::is_valid_fk_props(const std::wstring& rule)
{
    static const std::array<std::wstring, 4> deletes = {L"ON DELETE CASCADE", L"ON DELETE NO ACTION",
                                                        L"ON DELETE SET NULL", L"ON DELETE SET DEFAULT"};
    static const std::array<std::wstring, 4> updates = {L"ON UPDATE CASCADE", L"ON UPDATE NO ACTION",
                                                        L"ON UPDATE SET NULL", L"ON UPDATE SET DEFAULT"};
    for (std::size_t i = 0; i < deletes.size(); ++i) {
        for (std::size_t j = 0; j < updates.size(); ++j) {
            tk_log(1, "Processing pattern #%i-%i", static_cast<int>(i), static_cast<int>(j));
            if (platform::equal_ignoring_case(rule, deletes[i] + L" " + updates[j])) {
                tk_log(1, "At the end - TRUE(1)");
                return true;
            }
            if (platform::equal_ignoring_case(rule, updates[j] + L" " + deletes[i])) {
                tk_log(1, "At the end - TRUE(2)");
                return true;
            }
        }
    }
    // MySQL writes only the actions that differ from its default, so a single
    // clause is the usual form; refusing it would drop the key's action.
    for (const auto* single : {&deletes, &updates}) {
        for (const std::wstring& action : *single) {
            if (platform::equal_ignoring_case(rule, action)) {
                tk_log(1, "At the end - TRUE(3)");
                return true;
            }
        }
    }
    tk_log(1, "At the end - FALSE");
    return false;
}

std::uint16_t mss_get_oledb_type(const std::wstring& type_name)
{
    constexpr std::uint16_t i2 = 2, i4 = 3, r4 = 4, r8 = 5, cy = 6, boolean = 11, variant = 12, ui1 = 17, i8 = 20,
                            guid = 72, bytes = 128, str = 129, wstr = 130, numeric = 131, dbtimestamp = 135;
    static const std::map<std::wstring, std::uint16_t> types = {
        {L"bigint", i8},
        {L"binary", bytes},
        {L"bit", boolean},
        {L"char", str},
        {L"datetime", dbtimestamp},
        {L"datetime2", dbtimestamp},
        {L"decimal", numeric},
        {L"float", r8},
        {L"image", bytes},
        {L"int", i4},
        {L"money", cy},
        {L"nchar", wstr},
        {L"ntext", wstr},
        {L"numeric", numeric},
        {L"nvarchar", wstr},
        {L"real", r4},
        {L"smalldatetime", dbtimestamp},
        {L"smallint", i2},
        {L"smallmoney", cy},
        {L"sql_variant", variant},
        {L"text", str},
        {L"timestamp", wstr},
        {L"tinyint", ui1},
        {L"uniqueidentifier", guid},
        {L"varbinary", bytes},
        {L"varchar", str},
        {L"xml", wstr},
    };
    const auto found = types.find(type_name);
    return found == types.end() ? wstr : found->second;
}
