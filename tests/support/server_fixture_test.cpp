#include "support/test_mariadb.h"

#include <gtest/gtest.h>
#include <memory>
#include <mysql.h>
#include <string>

namespace {

TEST(test_server, answers_with_its_version_over_tcp)
{
    auto server = velmora_test::mariadb_server();
    std::unique_ptr<MYSQL, decltype(&mysql_close)> conn(mysql_init(nullptr), &mysql_close);
    ASSERT_NE(conn, nullptr);
    ASSERT_NE(mysql_real_connect(conn.get(), server.host.c_str(), server.user.c_str(), server.password.c_str(), nullptr,
                                 server.port, nullptr, 0),
              nullptr)
        << mysql_error(conn.get());
    std::string version = mysql_get_server_info(conn.get());
    EXPECT_NE(version.find("MariaDB"), std::string::npos) << version;
    EXPECT_EQ(mysql_query(conn.get(), "SELECT @@character_set_server, @@time_zone"), 0);
    std::unique_ptr<MYSQL_RES, decltype(&mysql_free_result)> result(mysql_store_result(conn.get()), &mysql_free_result);
    ASSERT_NE(result, nullptr);
    MYSQL_ROW row = mysql_fetch_row(result.get());
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row[0], "utf8mb4");
    EXPECT_STREQ(row[1], "+00:00");
}

}  // namespace
