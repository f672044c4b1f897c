// The converter's settings and connections as the front ends reach them.
#include "converter/brantwick_convertor.h"
#include "toolkit/tk_log.h"

mysql_connection_settings brantwick_convertor::get_mysql_settings() const
{
    return {host, user, password, port};
}

void brantwick_convertor::store_mysql_settings(const std::string& host, const std::string& user,
                                               const std::string& password, const std::string& port)
{
    mysql_converter_impl::store_mysql_settings(host, user, password, port);
}

void brantwick_convertor::connect_mysql_server()
{
    mysql_converter_impl::connect_mysql_server();
}

std::vector<std::wstring> brantwick_convertor::get_source_databases()
{
    std::vector<std::wstring> names;
    mysql_engine.get_contents(names);
    return names;
}

bool brantwick_convertor::is_source_db_exist(const std::wstring& name)
{
    return mysql_engine.is_db_exist(name);
}

mssql_connection_settings brantwick_convertor::get_mssql_settings() const
{
    return {secure_login, mssql_host, mssql_user, mssql_pass};
}

void brantwick_convertor::set_mssql_settings(const mssql_connection_settings& settings)
{
    secure_login = settings.secure_login;
    mssql_host = settings.host;
    mssql_user = settings.user;
    mssql_pass = settings.password;
}

void brantwick_convertor::set_as_dbo(bool as_dbo)
{
    mssql_engine.as_dbo = as_dbo;
}

void brantwick_convertor::connect_mssql_server()
{
    mssql_converter_impl::connect_mssql_server();
}

void brantwick_convertor::connect_mssql_database(const std::wstring& database)
{
    // Windows authentication sends no login; the password never reaches the log.
    const std::wstring login = secure_login ? std::wstring() : mssql_user;
    const std::wstring password = secure_login ? std::wstring() : mssql_pass;
    tk_log(2, L"Connecting to non-default DB '%ls'", database.c_str());
    tk_log(2, L"mssql_host=%ls, mssql_user=%ls\n", mssql_host.c_str(), login.c_str());
    mssql_engine.connect(mssql_host, login, password, database, false);
}

bool brantwick_convertor::is_dest_db_exist(const std::wstring& name)
{
    return mssql_engine.is_db_exist(name);
}

script_settings brantwick_convertor::get_script_settings() const
{
    return {script_options.unicode, script_options.create_database, script_options.structure, script_options.comments};
}

void brantwick_convertor::set_script_settings(const script_settings& settings)
{
    script_options.unicode = settings.unicode;
    // The writer follows the engine's flag.
    mssql_engine.unicode = settings.unicode;
    script_options.create_database = settings.create_database;
    script_options.structure = settings.structure;
    script_options.comments = settings.comments;
}
