// The converter's settings in the registry (the wizard's last run) and in
// profile files.
#include "converter/brantwick_convertor.h"
#include "converter/profile_values.h"
#include "model/profile.h"
#include "toolkit/tk_log.h"

#include <algorithm>

using namespace profile_values;

bool brantwick_convertor::serialize(bool store)
{
    tk_log(1, "serialize( %d )", store ? 1 : 0);
    if (create(HKEY_CURRENT_USER, get_key_path().c_str(), nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr) != 0)
        return false;
    bool all = true;
    // Loading puts the default in place first; a missing value leaves it.
    auto flag = [&](const char* name, bool& value, bool default_value) {
        if (!store)
            value = default_value;
        all = exchange(name, value, store) && all;
    };
    auto text = [&](const char* name, std::string& value, const char* default_value = nullptr) {
        if (!store && default_value != nullptr)
            value = default_value;
        all = exchange(name, value, store) && all;
    };
    auto wide_text = [&](const wchar_t* name, std::wstring& value) { all = exchange(name, value, store) && all; };

    bool as_dbo = mssql_engine.as_dbo;
    flag("as_dbo", as_dbo, true);
    mssql_engine.as_dbo = as_dbo;
    flag("blob2text", blob2text, false);
    flag("convert_views", convert_views, false);
    wide_text(L"dest", m_destination_name);
    flag("direct", direct, true);
    flag("dmp_ins_com", script_options.comments, true);
    flag("dmp_ins_db", script_options.create_database, false);
    flag("dmp_ins_tab", script_options.structure, true);
    flag("dmp_unicode", script_options.unicode, true);
    text("host", host);
    text("log_file", m_logfile);
    wide_text(L"mssqlh", mssql_host);
    wide_text(L"mssqlp", mssql_pass);
    wide_text(L"mssqlu", mssql_user);
    text("port", port, "3306");
    text("pswd", password);
    flag("sec_log", secure_login, true);
    flag("skip_idx", skip_indexes, false);
    wide_text(L"src", m_source_name);
    flag("tab_def", only_definitions, false);
    text("user", user);
    close();
    return all;
}

bool brantwick_convertor::load_profile(udb_profile& profile)
{
    if (!udb_converter::load_profile(profile) || !mysql_converter_impl::load_profile(profile) ||
        !mssql_converter_impl::load_profile(profile) || !mss_db_mutator::load(profile))
        return false;
    read_flag(profile, section_mysql, L"BLOB to text", blob2text);
    read_flag(profile, section_mssql, L"direct mode", direct);
    return true;
}

bool brantwick_convertor::load_profile_file(const std::wstring& path)
{
    udb_profile profile;
    const bool loaded = profile.load(path) && load_profile(profile);
    const auto holds = [&](const wchar_t* section, const wchar_t* key) { return profile.has_value(section, key); };
    m_profile_connection = {holds(section_mysql, L"host"),
                            holds(section_mysql, L"user"),
                            holds(section_mysql, L"password"),
                            holds(section_mysql, L"port"),
                            holds(section_mssql, L"server"),
                            holds(section_mssql, L"login") || holds(section_mssql, L"password") ||
                                holds(section_mssql, L"windows authentication")};
    m_profile_error.clear();
    if (!loaded)
        m_profile_error =
            L"Cannot load the profile '" + path + L"': " +
            (profile.load_error.empty() ? std::wstring(L"its settings cannot be read") : profile.load_error);
    return loaded;
}

bool brantwick_convertor::store_profile(udb_profile& profile)
{
    for (const auto& [name, query] : selected) {
        if (!query.empty())
            profile.set_value(udb_section_tables, name, query);
    }
    // The base writes the plain tables; the queries stay in the conversion
    // list for a later run or save.
    udb_name_list all = selected;
    std::erase_if(selected, [](const auto& entry) { return !entry.second.empty(); });
    bool stored = udb_converter::store_profile(profile);
    selected = std::move(all);
    if (!stored || !mysql_converter_impl::store_profile(profile) || !mssql_converter_impl::store_profile(profile))
        return false;
    profile.set_value(section_mysql, L"BLOB to text", flag_text(blob2text));
    profile.set_value(section_mssql, L"direct mode", flag_text(direct));
    return true;
}

bool brantwick_convertor::store_profile_file(const std::wstring& path)
{
    udb_profile profile;
    if (!store_profile(profile) || !mss_db_mutator::store(profile))
        return false;
    return profile.store(path);
}
