#include "mysql/client_handles.h"
#include "mysql/sql_engine.h"

#include <gtest/gtest.h>

namespace {

TEST(mysql_version_code, reads_the_three_leading_numbers)
{
    EXPECT_EQ(sql_parse_version("5.7.30-log"), 0x05071Eu);
    EXPECT_EQ(sql_parse_version("8.0.33"), 0x080021u);
    EXPECT_EQ(sql_parse_version("10.11.19-MariaDB-0+deb12u1"), 0x0A0B13u);
    EXPECT_EQ(sql_parse_version("4.1.0"), sql_version_quoted_names);
    EXPECT_EQ(sql_parse_version("5.7"), std::nullopt);
    EXPECT_EQ(sql_parse_version("MariaDB"), std::nullopt);
    EXPECT_EQ(sql_parse_version(nullptr), std::nullopt);
}

TEST(mysql_safe_name, quotes_once_and_doubles_embedded_backticks)
{
    sql_engine engine;
    std::wstring name64(64, L'n'), name65(65, L'n');
    struct {
        std::wstring name, safe;
    } cases[] = {
        {L"orders", L"`orders`"},       {L"", L""},
        {L"`orders`", L"`orders`"},     {L"we`ird", L"`we``ird`"},
        {L"`weird", L"```weird`"},      {L"x`; DROP TABLE y; `", L"`x``; DROP TABLE y; ```"},
        {L"`a`b`", L"```a``b```"},      {L"`a``b`", L"`a``b`"},
        {name64, L"`" + name64 + L"`"}, {name65, L"`" + name65.substr(0, 63) + L"`"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(engine.get_safe_name(c.name), c.safe) << c.name;
}

TEST(mysql_engine, is_old_until_connected)
{
    sql_engine engine;
    EXPECT_EQ(engine.version(), 0u);
    EXPECT_TRUE(engine.is_old_version());
    EXPECT_FALSE(engine.is_connected());
}

}  // namespace
