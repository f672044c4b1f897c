#include "support/tsql_rules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::SizeIs;

std::string wide_table(std::size_t columns)
{
    std::string script = "CREATE TABLE [dbo].[wide] (\r\n";
    for (std::size_t i = 0; i < columns; ++i)
        script += (i == 0 ? "\t[c" : ",\r\n\t[c") + std::to_string(i) + "] INT";
    return script + "\r\n)\nGO\n";
}

struct script_case {
    const char* label;
    std::string script;
    const char* breach;  // empty: none
};

class rule_check : public testing::TestWithParam<script_case> {};

TEST_P(rule_check, FindsWhatSqlServerRefuses)
{
    const std::vector<std::string> breaches = tsql::rule_breaches(GetParam().script);
    if (std::string(GetParam().breach).empty())
        EXPECT_THAT(breaches, IsEmpty());
    else
        EXPECT_THAT(breaches, ElementsAre(HasSubstr(GetParam().breach)));
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, rule_check,
    testing::Values(
        script_case{"nullable_key_column",
                    "CREATE TABLE [dbo].[days] (\r\n\t[day] DATE,\r\n\t[shop] INT NOT NULL\r\n)\nGO\n"
                    "ALTER TABLE [dbo].[days] ADD PRIMARY KEY([day], [shop]) \nGO\n",
                    "primary key column [day]"},
        script_case{"not_null_key_columns",
                    "CREATE TABLE [dbo].[days] (\r\n\t[day] DATE NOT NULL DEFAULT '1899-12-30',\r\n\t[shop] INT NOT "
                    "NULL\r\n)\nGO\nALTER TABLE [dbo].[days] ADD CONSTRAINT [pk] PRIMARY KEY NONCLUSTERED([day], "
                    "[shop])\nGO\n",
                    ""},
        script_case{"key_of_a_table_made_elsewhere", "ALTER TABLE [dbo].[old] ADD PRIMARY KEY([a])\nGO\n", ""},
        script_case{"key_after_the_table_was_dropped_and_made_again",
                    "CREATE TABLE t (a INT)\nGO\nDROP TABLE t;\nGO\nCREATE TABLE [dbo].[T] (a INT NOT NULL)\nGO\n"
                    "ALTER TABLE [dbo].[t] ADD PRIMARY KEY(a)\nGO\n",
                    ""},
        script_case{"identity_insert_without_identity",
                    "CREATE TABLE [dbo].[ids] (\r\n\t[id] BIGINT NOT NULL\r\n)\nGO\n"
                    "SET IDENTITY_INSERT [dbo].[ids] ON;\r\nGO\r\n",
                    "has no IDENTITY column"},
        script_case{"identity_insert_with_identity",
                    "CREATE TABLE [dbo].[ids] (\r\n\t[id] INT IDENTITY NOT NULL\r\n)\nGO\n"
                    "SET IDENTITY_INSERT [dbo].[ids] ON; INSERT INTO [dbo].[ids] ([id]) VALUES (1)\r\nGO\r\n",
                    ""},
        script_case{"long_identifier", "CREATE TABLE [dbo].[" + std::string(129, 'x') + "] ([a] INT)\nGO\n",
                    "longer than 128"},
        script_case{"identifier_of_128_characters_beyond_the_basic_plane",
                    "CREATE TABLE [dbo].[" + std::string(128, 'x') + "] ([\xF0\x9F\x98\x80" + std::string(126, 'y') +
                        "] INT)\nGO\n",
                    ""},
        script_case{"identifier_of_129_utf16_units",
                    "CREATE TABLE [dbo].[t] ([\xF0\x9F\x98\x80" + std::string(127, 'y') + "] INT)\nGO\n",
                    "longer than 128"},
        script_case{"names_in_literals_and_comments_are_no_identifiers",
                    "/* [" + std::string(200, 'c') + "] */\nINSERT INTO [t] ([a]) VALUES (N'[" + std::string(200, 'v') +
                        "]')\nGO\n",
                    ""},
        script_case{"columns_1024", wide_table(1024), ""},
        script_case{"columns_1025", wide_table(1025), "1025 columns"},
        script_case{"known_collations",
                    "CREATE TABLE [t] ([a] NVARCHAR(5) COLLATE Latin1_General_100_BIN2 NOT NULL, [b] VARCHAR(5) "
                    "COLLATE Latin1_General_100_CS_AS, [c] NVARCHAR(5) COLLATE Latin1_General_100_CI_AS_SC_UTF8)\nGO\n",
                    ""},
        script_case{"unknown_collation", "CREATE TABLE [t] ([a] NVARCHAR(5) COLLATE utf8mb4_bin)\nGO\n", "utf8mb4_bin"},
        script_case{"collation_without_its_version",
                    "CREATE TABLE [t] ([a] NVARCHAR(5) COLLATE Latin1_General_CS_AS_SC)\nGO\n",
                    "Latin1_General_CS_AS_SC"}),
    [](const testing::TestParamInfo<script_case>& info) { return info.param.label; });

TEST(rule_checker, JudgesStatementsOneByOneAsTheProviderGetsThem)
{
    tsql::rule_checker checker;
    checker.add_batch(std::wstring(L"CREATE TABLE [dbo].[t] (\r\n\t[d] DATETIME2,\r\n\t[n] NVARCHAR(10) )"));
    checker.add_batch(std::wstring(L"ALTER TABLE [dbo].[t] ADD CONSTRAINT [PRIMARY] PRIMARY KEY NONCLUSTERED([d])"));
    checker.add_batch(std::wstring(L"SET IDENTITY_INSERT [dbo].[t] ON; INSERT INTO [dbo].[t] VALUES (NULL, N'é')"));
    EXPECT_THAT(checker.breaches(), SizeIs(2));
}

}  // namespace
