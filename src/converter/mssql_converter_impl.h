// The MS SQL end of a conversion: the destination server's connection
// settings, the process's MS SQL engine and the T-SQL script options, and
// their "MS SQL Server settings" section of a profile.
#pragma once

#include "mssql/mss_engine.h"
#include "mssql/script/script_writer.h"

#include <string>

class udb_profile;

class mssql_converter_impl {
public:
    mssql_converter_impl();
    ~mssql_converter_impl();
    mssql_converter_impl(const mssql_converter_impl&) = delete;
    mssql_converter_impl& operator=(const mssql_converter_impl&) = delete;

    // Windows authentication, or the login and password; failures pass to the caller.
    void connect_mssql_server();

    bool load_profile(udb_profile& profile);
    bool store_profile(udb_profile& profile) const;

    // Windows authentication; off means the SQL Server login below.
    bool secure_login = true;
    std::wstring mss_schema;
    mss_dump_options script_options;
    mss_engine mssql_engine;
    std::wstring mssql_host;
    std::wstring mssql_user;
    std::wstring mssql_pass;
};
