#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_exception.h"
#include "mysql/test_database.h"
#include "mysql/versioned_engine.h"
#include "support/test_mariadb.h"
#include "toolkit/tk_log.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

using velmora_test::connect_engine;
using velmora_test::mariadb_server;
using velmora_test::scratch_database;

using velmora_test::versioned_engine;

std::string session_value(sql_engine& engine, const std::wstring& expression)
{
    std::unique_ptr<sql_database> database(static_cast<sql_database*>(engine.open_db(L"mysql", udb_mode_skip_views)));
    std::unique_ptr<sql_tmp_recordset> result(database->query(L"SELECT " + expression));
    return result->is_eof() ? std::string() : result->get_item()->at(0)->to_string();
}

TEST(mysql_engine_connection, talks_utf8mb4_with_fk_checks_off_and_a_long_wait_timeout)
{
    sql_engine engine;
    connect_engine(engine);
    EXPECT_TRUE(engine.is_connected());
    EXPECT_GE(engine.version(), 0x0A0000u);
    EXPECT_FALSE(engine.is_old_version());
    EXPECT_EQ(session_value(engine, L"@@character_set_client"), "utf8mb4");
    EXPECT_EQ(session_value(engine, L"@@character_set_results"), "utf8mb4");
    EXPECT_EQ(session_value(engine, L"@@foreign_key_checks"), "0");
    EXPECT_GE(std::stoi(session_value(engine, L"@@wait_timeout")), 28800);
}

TEST(mysql_engine_connection, a_second_connect_replaces_the_first)
{
    sql_engine engine;
    connect_engine(engine);
    unsigned long first = mysql_thread_id(engine.get_handle());
    connect_engine(engine);
    EXPECT_NE(mysql_thread_id(engine.get_handle()), first);
    // The server ends the first session shortly after the client quit it.
    auto admin = velmora_test::connect_test_server();
    std::string sessions;
    for (int attempt = 0; attempt < 50 && sessions != "0"; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        sessions = velmora_test::query_value(
            admin.get(), "SELECT COUNT(*) FROM information_schema.processlist WHERE id = " + std::to_string(first));
    }
    EXPECT_EQ(sessions, "0");
}

TEST(mysql_engine_connection, a_refused_login_raises_with_the_servers_error_number)
{
    sql_engine engine;
    auto server = mariadb_server();
    try {
        engine.connect(server.host, server.user, "wrong password", static_cast<std::int32_t>(server.port));
        FAIL() << "connected with a wrong password";
    } catch (const sql_exception& e) {
        EXPECT_EQ(e.get_error_number(), 0x400415u);  // ER_ACCESS_DENIED_ERROR 1045
        EXPECT_EQ(e.get_code(), 0u);
        EXPECT_NE(std::string(e.what()).find("Access denied"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(engine.is_connected());
}

TEST(mysql_engine_connection, reads_the_version_code_of_other_servers)
{
    auto server = mariadb_server();
    struct {
        const char* text;
        std::uint32_t code;
    } cases[] = {{"5.7.30-log", 0x05071E}, {"8.0.33", 0x080021}, {"4.1.1", 0x040101}};
    for (const auto& c : cases) {
        versioned_engine engine(c.text);
        engine.connect(server.host, server.user, server.password, static_cast<std::int32_t>(server.port));
        EXPECT_EQ(engine.version(), c.code) << c.text;
    }
}

// MariaDB 10.2.7 and later quote literal defaults in information_schema;
// MySQL 8 marks expressions DEFAULT_GENERATED in SHOW COLUMNS instead.
TEST(mysql_engine_connection, knows_which_servers_quote_literal_defaults)
{
    auto server = mariadb_server();
    struct {
        const char* text;
        bool quoted;
    } cases[] = {{"10.2.7-MariaDB", true},
                 {"10.11.6-MariaDB-log", true},
                 {"10.2.6-MariaDB", false},
                 {"8.0.33", false},
                 {"5.7.30-log", false}};
    for (const auto& c : cases) {
        versioned_engine engine(c.text);
        engine.connect(server.host, server.user, server.password, static_cast<std::int32_t>(server.port));
        EXPECT_EQ(engine.reports_quoted_defaults(), c.quoted) << c.text;
    }
}

TEST(mysql_engine_connection, server_4_1_0_refuses_a_password_but_not_an_empty_one)
{
    auto server = mariadb_server();
    auto admin = velmora_test::connect_test_server();
    velmora_test::execute(admin.get(), "CREATE USER IF NOT EXISTS 'velmora_nopass'@'127.0.0.1'");
    {
        versioned_engine engine("4.1.0");
        EXPECT_THROW(engine.connect(server.host, server.user, server.password, static_cast<std::int32_t>(server.port)),
                     sql_auth_not_supported_exception);
        EXPECT_TRUE(engine.is_connected());
    }
    versioned_engine engine("4.1.0");
    EXPECT_NO_THROW(engine.connect(server.host, "velmora_nopass", "", static_cast<std::int32_t>(server.port)));
    EXPECT_EQ(engine.version(), 0x040100u);
    EXPECT_FALSE(engine.is_old_version());
    velmora_test::execute(admin.get(), "DROP USER 'velmora_nopass'@'127.0.0.1'");
}

TEST(mysql_engine_connection, an_unreadable_version_is_an_internal_error)
{
    auto server = mariadb_server();
    versioned_engine engine("MariaDB");
    try {
        engine.connect(server.host, server.user, server.password, static_cast<std::int32_t>(server.port));
        FAIL() << "connected with an unreadable version";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.get_code(), 2u);
    }
}

TEST(mysql_engine_databases, lists_the_servers_databases_and_opens_one)
{
    scratch_database scratch("velmora_engine_list");
    sql_engine engine;
    connect_engine(engine);
    std::vector<std::wstring> names{L"stale"};
    engine.get_contents(names);
    EXPECT_NE(std::find(names.begin(), names.end(), L"velmora_engine_list"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), L"information_schema"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), L"stale"), names.end());

    EXPECT_TRUE(engine.is_db_exist(L"velmora_engine_list"));
    EXPECT_FALSE(engine.is_db_exist(L"velmora_engine_missing"));
    std::unique_ptr<udb_database> database(engine.open_db(L"velmora_engine_list", 1));
    EXPECT_EQ(database->name, L"velmora_engine_list");
    try {
        engine.open_db(L"velmora_engine_missing", 1);
        FAIL() << "opened a missing database";
    } catch (const sql_exception& e) {
        EXPECT_EQ(e.get_error_number(), 0x400419u);  // ER_BAD_DB_ERROR 1049
    }
}

TEST(mysql_engine_log, never_writes_the_password)
{
    auto log_path =
        std::filesystem::temp_directory_path() / ("velmora_engine_log_" + std::to_string(::getpid()) + ".log");
    {
        tk_logger logger(log_path.c_str(), 1, 1, 0);
        sql_engine engine;
        connect_engine(engine);
        auto server = mariadb_server();
        EXPECT_THROW(
            engine.connect(server.host, server.user, "secret-wrong-password", static_cast<std::int32_t>(server.port)),
            sql_exception);
    }
    std::ifstream in(log_path);
    std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(log_path);
    EXPECT_NE(log.find("sql_engine::connect(127.0.0.1,"), std::string::npos) << log;
    EXPECT_EQ(log.find(mariadb_server().password), std::string::npos);
    EXPECT_EQ(log.find("secret-wrong-password"), std::string::npos);
}

}  // namespace
