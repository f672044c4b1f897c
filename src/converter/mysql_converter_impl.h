// The MySQL end of a conversion: the source server's connection settings,
// the process's MySQL engine and the MySQL script options, and their
// "MySQL settings" section of a profile.
#pragma once

#include "mysql/dump_options.h"
#include "mysql/sql_engine.h"

#include <string>

class udb_profile;

class mysql_converter_impl {
public:
    mysql_converter_impl();
    virtual ~mysql_converter_impl();
    mysql_converter_impl(const mysql_converter_impl&) = delete;
    mysql_converter_impl& operator=(const mysql_converter_impl&) = delete;

    // Stores the settings without blanks at their ends; an empty port is 3306.
    void store_mysql_settings(const std::string& host, const std::string& user, const std::string& password,
                              const std::string& port);
    // A port that reads as 0 raises tk_exception "Invalid port number" (level 1);
    // connection failures pass to the caller.
    void connect_mysql_server();
    // Whether the server runs the query in that database; never throws.
    bool test_query(const std::wstring& database, const std::wstring& query);

    bool load_profile(udb_profile& profile);
    bool store_profile(udb_profile& profile) const;

    sql_engine mysql_engine;
    dump_options mysql_dump_options;
    // UTF-8 texts, passed to the client library as they are.
    std::string host;
    std::string user;
    std::string password;
    std::string port = "3306";
};
