#include "converter/brantwick_convertor.h"
#include "converter/console_error_handler.h"
#include "model/profile.h"
#include "platform/registry.h"
#include "toolkit/temp_folder.h"
#include "toolkit/tk_log.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class settings : public ::testing::Test {
protected:
    settings() { setenv(platform::registry_file_variable, registry.c_str(), 1); }
    ~settings() override { unsetenv(platform::registry_file_variable); }

    std::wstring profile_path() const { return std::filesystem::path(folder.file("run.bwk")).wstring(); }

    temp_folder folder;
    std::string registry = folder.file("registry");
    console_error_handler handler;
};

// Every setting a profile carries, set away from its default.
void fill(brantwick_convertor& c)
{
    c.set_source_name(L"shop");
    c.set_destination_name(L"/tmp/shop.sql");
    c.mode = 3;
    c.only_definitions = true;
    c.skip_indexes = true;
    c.selected = {{L"customer", L""}, {L"recent", L"SELECT *\r\nFROM customer\nWHERE id > 1"}, {L"purchase", L""}};
    c.views = {{L"v_customer", L"select 1"}};
    c.available_queries = {{L"spare", L"SELECT 2"}};
    c.store_mysql_settings(" db.example ", "maria", " se cret ", "3307");
    c.mysql_dump_options.line_break = 1;
    c.mysql_dump_options.new_version = false;
    c.mysql_dump_options.create_database = true;
    c.blob2text = true;
    c.direct = false;
    c.secure_login = false;
    c.mssql_host = L"sqlhost\\inst";
    c.mssql_user = L"sa";
    c.mssql_pass = L" pw ";
    c.mss_schema = L"sales";
    c.mssql_engine.as_dbo = true;
    c.script_options.comments = false;
    c.script_options.create_database = true;
    c.script_options.structure = false;
    c.get_table_mutator2(L"customer", L"client")
        ->update_field(L"name", L"full_name", mss_native_type{L"nvarchar", L"", L"", 80, 0, 0});
}

TEST_F(settings, profile_round_trip_keeps_every_setting_and_query)
{
    brantwick_convertor saved(convertor_form::console);
    fill(saved);
    ASSERT_TRUE(saved.store_profile_file(profile_path()));
    // Saving twice keeps the queries in the conversion list and the file.
    ASSERT_TRUE(saved.store_profile_file(profile_path()));
    EXPECT_EQ(saved.selected.size(), 3u);

    const std::string text = read_file(folder.file("run.bwk"));
    EXPECT_NE(text.find("recent=SELECT * FROM customer WHERE id > 1\r\n"), std::string::npos);

    brantwick_convertor loaded(convertor_form::console);
    ASSERT_TRUE(loaded.load_profile_file(profile_path()));
    EXPECT_EQ(loaded.get_source_name(), L"shop");
    EXPECT_EQ(loaded.get_destination_name(), L"/tmp/shop.sql");
    EXPECT_EQ(loaded.mode, 3u);
    EXPECT_TRUE(loaded.only_definitions);
    EXPECT_TRUE(loaded.skip_indexes);
    EXPECT_EQ(
        loaded.selected,
        (udb_name_list{{L"recent", L"SELECT * FROM customer WHERE id > 1"}, {L"customer", L""}, {L"purchase", L""}}));
    EXPECT_EQ(loaded.views, saved.views);
    EXPECT_EQ(loaded.available_queries, saved.available_queries);
    EXPECT_EQ(loaded.host, "db.example");
    EXPECT_EQ(loaded.user, "maria");
    // Passwords keep their blanks, names lose theirs.
    EXPECT_EQ(loaded.password, " se cret ");
    EXPECT_EQ(loaded.port, "3307");
    EXPECT_EQ(loaded.mysql_dump_options.line_break, 1u);
    EXPECT_FALSE(loaded.mysql_dump_options.new_version);
    EXPECT_TRUE(loaded.mysql_dump_options.create_database);
    EXPECT_TRUE(loaded.blob2text);
    EXPECT_FALSE(loaded.direct);
    EXPECT_FALSE(loaded.secure_login);
    EXPECT_EQ(loaded.mssql_host, L"sqlhost\\inst");
    EXPECT_EQ(loaded.mssql_user, L"sa");
    EXPECT_EQ(loaded.mssql_pass, L" pw ");
    EXPECT_EQ(loaded.mss_schema, L"sales");
    EXPECT_FALSE(loaded.script_options.comments);
    EXPECT_TRUE(loaded.script_options.create_database);
    EXPECT_FALSE(loaded.script_options.structure);
    mss_table_mutator* rule = loaded.get_table_mutator3(L"customer");
    ASSERT_NE(rule, nullptr);
    EXPECT_EQ(rule->new_name, L"client");
    ASSERT_NE(rule->find(L"name"), nullptr);
    EXPECT_EQ(rule->find(L"name")->new_name, L"full_name");
}

TEST_F(settings, profile_keys_read_only_when_set)
{
    brantwick_convertor c(convertor_form::console);
    c.user = "kept";
    c.host = "replaced";
    c.mssql_host = L"kept server";
    c.mode = 2;
    udb_profile profile;
    profile.set_value(L"MS SQL Server settings", L"windows authentication", L"yes");
    profile.set_value(L"MS SQL Server settings", L"server", L"");
    profile.set_value(L"Generic settings", L"mode", L"7");
    ASSERT_TRUE(c.load_profile(profile));
    EXPECT_EQ(c.user, "kept");
    EXPECT_EQ(c.host, "");
    EXPECT_EQ(c.mssql_host, L"kept server");
    EXPECT_FALSE(c.secure_login);
    EXPECT_EQ(c.mode, 2u);
}

TEST_F(settings, empty_server_is_not_written)
{
    brantwick_convertor c(convertor_form::console);
    udb_profile profile;
    ASSERT_TRUE(c.store_profile(profile));
    EXPECT_EQ(profile.get_value(L"MS SQL Server settings", L"server"), L"");
    EXPECT_EQ(profile.get_value(L"MS SQL Server settings", L"windows authentication"), L"1");
}

TEST_F(settings, broken_type_mappings_fail_the_load)
{
    write_file(folder.file("run.bwk"), "[Type Mappings]\r\ntables:\r\n  - name: t\r\n    fields:\r\n    fields:\r\n");
    brantwick_convertor c(convertor_form::console);
    c.get_table_mutator2(L"t", L"old")->update_field(L"a", L"b", mss_native_type{L"int", L"", L"", 0, 0, 0});
    EXPECT_FALSE(c.load_profile_file(profile_path()));
    EXPECT_EQ(c.get_table_mutator3(L"t"), nullptr);
}

TEST_F(settings, console_form_starts_with_its_defaults_and_leaves_the_registry_alone)
{
    {
        brantwick_convertor c(convertor_form::console);
        EXPECT_TRUE(c.direct);
        EXPECT_FALSE(c.blob2text);
        EXPECT_FALSE(c.mssql_engine.as_dbo);
        EXPECT_TRUE(c.secure_login);
        EXPECT_EQ(c.port, "3306");
    }
    EXPECT_FALSE(std::filesystem::exists(registry));
}

TEST_F(settings, wizard_form_first_start_defaults_and_registry_round_trip)
{
    {
        brantwick_convertor first(convertor_form::wizard);
        EXPECT_TRUE(first.mssql_engine.as_dbo);
        EXPECT_TRUE(first.direct);
        EXPECT_TRUE(first.secure_login);
        EXPECT_TRUE(first.script_options.unicode);
        EXPECT_TRUE(first.script_options.comments);
        EXPECT_TRUE(first.script_options.structure);
        EXPECT_FALSE(first.script_options.create_database);
        EXPECT_EQ(first.port, "3306");
        EXPECT_FALSE(first.only_definitions);
        EXPECT_FALSE(first.skip_indexes);
        EXPECT_FALSE(first.convert_views);
        EXPECT_FALSE(first.blob2text);
        first.set_source_name(L"shop");
        first.mssql_pass = L"pw";
        first.password = "secret";
        first.script_options.unicode = false;
        first.secure_login = false;
        first.skip_indexes = true;
    }
    brantwick_convertor second(convertor_form::wizard);
    EXPECT_EQ(second.get_source_name(), L"shop");
    EXPECT_EQ(second.mssql_pass, L"pw");
    EXPECT_EQ(second.password, "secret");
    EXPECT_FALSE(second.script_options.unicode);
    EXPECT_FALSE(second.secure_login);
    EXPECT_TRUE(second.skip_indexes);
    EXPECT_TRUE(second.serialize(false));
}

TEST_F(settings, mysql_names_are_trimmed_the_password_kept_and_the_port_checked)
{
    brantwick_convertor c(convertor_form::console);
    c.store_mysql_settings("  host  ", " u ", " p ", "   ");
    EXPECT_EQ(c.host, "host");
    EXPECT_EQ(c.user, "u");
    EXPECT_EQ(c.password, " p ");
    EXPECT_EQ(c.port, "3306");
    for (const char* port : {"x1", "0", "-0"}) {
        c.port = port;
        try {
            c.connect_mysql_server();
            ADD_FAILURE() << port;
        } catch (const tk_exception& e) {
            EXPECT_STREQ(e.what(), "Invalid port number");
            EXPECT_EQ(e.get_code(), 1u);
        }
    }
}

TEST_F(settings, test_query_on_a_missing_database_is_false)
{
    brantwick_convertor c(convertor_form::console);
    c.set_source_name(L"no_such_database");
    EXPECT_FALSE(c.test_query(L"SELECT 1"));
}

TEST_F(settings, second_converter_does_not_replace_the_first)
{
    brantwick_convertor first(convertor_form::console);
    {
        brantwick_convertor second(convertor_form::console);
        EXPECT_EQ(&tk_singleton<brantwick_convertor>::instance(), &first);
    }
    EXPECT_FALSE(tk_singleton<brantwick_convertor>::is_initialized());
}

}  // namespace

namespace {

TEST_F(settings, passwords_never_reach_the_log)
{
    const std::string log = folder.file("trace.log");
    tk_logger logger(log.c_str(), 1, 1, 0);
    {
        brantwick_convertor c(convertor_form::wizard);
        c.store_mysql_settings("127.0.0.1", "maria", "mysql-secret", "1");
        EXPECT_THROW(c.connect_mysql_server(), tk_exception);
        c.mssql_pass = L"mssql-secret";
        ASSERT_TRUE(c.store_profile_file(profile_path()));
        ASSERT_TRUE(c.load_profile_file(profile_path()));
    }
    const std::string written = read_file(log);
    EXPECT_NE(written.find("mysql_converter_impl::store_mysql_settings"), std::string::npos);
    EXPECT_EQ(written.find("mysql-secret"), std::string::npos);
    EXPECT_EQ(written.find("mssql-secret"), std::string::npos);
}

}  // namespace
