#include "converter/mssql_converter_impl.h"

#include "converter/profile_values.h"
#include "mssql/odb_exception.h"
#include "platform/oledb/server_address.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

using namespace profile_values;

namespace {

// The server as the user can look for it: host and port (SQL Server's 1433
// when the address names none), or host and instance.
std::wstring server_named(const std::wstring& address)
{
    const std::optional<oledb::server_address> parts = oledb::parse_server_address(address);
    if (!parts)
        return address;
    if (!parts->instance.empty())
        return parts->host + L"\\" + parts->instance;
    return parts->host + L"," + (parts->port.empty() ? std::wstring(L"1433") : parts->port);
}

}  // namespace

mssql_converter_impl::mssql_converter_impl() : mssql_engine(0)
{
    tk_log(2, "mssql_converter_impl::ctor");
}

mssql_converter_impl::~mssql_converter_impl() = default;

void mssql_converter_impl::connect_mssql_server()
{
    tk_log(2, "mssql_converter_impl::connect_mssql_server");
    tk_log(2, "secure_login=%d", secure_login ? 1 : 0);
    try {
        if (secure_login) {
            tk_log(2, L"mssql_host=%ls", mssql_host.c_str());
            mssql_engine.connect(mssql_host, false);
        } else {
            // The password stays out of the log.
            tk_log(2, L"mssql_host=%ls, mssql_user=%ls\n", mssql_host.c_str(), mssql_user.c_str());
            mssql_engine.connect(mssql_host, mssql_user, mssql_pass, false);
        }
    } catch (const odb_exception& e) {
        // A server that does not answer is named as the user can look for it.
        if (!e.get_sql_state().starts_with("08"))
            throw;
        throw odb_exception(L"Cannot connect to SQL Server at " + server_named(mssql_host) + L": " +
                            tk_ansi_to_unicode(e.what()) +
                            L". Check that the server is running and reachable at that address.");
    }
}

bool mssql_converter_impl::load_profile(udb_profile& profile)
{
    tk_log(2, "mssql_converter_impl::load_profile");
    read_text(profile, section_mssql, L"server", mssql_host);
    read_text(profile, section_mssql, L"login", mssql_user);
    read_text(profile, section_mssql, L"password", mssql_pass);
    read_flag(profile, section_mssql, L"windows authentication", secure_login);
    if (std::wstring as_dbo = profile.get_value(section_mssql, L"connect as DBO"); !as_dbo.empty()) {
        mssql_engine.as_dbo = as_dbo == L"1";
        tk_log(1, "mss_engine::set_as_dbo(%d)", mssql_engine.as_dbo ? 1 : 0);
    }
    if (read_text(profile, section_mssql, L"schema", mss_schema))
        tk_log(1, L"mss_schema=%ls", mss_schema.c_str());
    read_dump_flags(profile, section_mssql, script_options.comments, script_options.create_database,
                    script_options.structure);
    return true;
}

bool mssql_converter_impl::store_profile(udb_profile& profile) const
{
    tk_log(2, "mssql_converter_impl::store_profile");
    auto write = [&](const wchar_t* key, const std::wstring& value) { profile.set_value(section_mssql, key, value); };
    auto write_if_set = [&](const wchar_t* key, const std::wstring& value) {
        if (!value.empty())
            write(key, value);
    };
    write_if_set(L"server", mssql_host);
    write_if_set(L"login", mssql_user);
    write_if_set(L"password", mssql_pass);
    write(L"windows authentication", flag_text(secure_login));
    write(L"connect as DBO", flag_text(mssql_engine.as_dbo));
    write_if_set(L"schema", mss_schema);
    write_dump_flags(profile, section_mssql, script_options.comments, script_options.create_database,
                     script_options.structure);
    return true;
}
