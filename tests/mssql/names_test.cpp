#include "model/recordset.h"
#include "mssql/index_names.h"
#include "mssql/mss_engine.h"
#include "mssql/quoting.h"
#include "mssql/table_names.h"
#include "platform/code_page.h"
#include "test_label.h"
#include "toolkit/tk_text_conversion.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(mss_quote_name_test, quotes_as_quotename_does)
{
    EXPECT_EQ(mss_quote_name(L"orders"), L"[orders]");
    // A name is literal even when it looks bracketed.
    EXPECT_EQ(mss_quote_name(L"[orders]"), L"[[orders]]]");
    EXPECT_EQ(mss_quote_name(L"x]"), L"[x]]]");
    EXPECT_EQ(mss_quote_name(L"[a]b]"), L"[[a]]b]]]");
    EXPECT_EQ(mss_quote_name(L"[a]]b]"), L"[[a]]]]b]]]");
    EXPECT_EQ(mss_quote_name(L""), L"[]");
    EXPECT_EQ(mss_quote_name(L"Grüße"), L"[Grüße]");
}

TEST(mss_escape_literal_test, doubles_apostrophes)
{
    EXPECT_EQ(mss_escape_literal(L"O'Brien''s"), L"O''Brien''''s");
    EXPECT_EQ(mss_escape_literal(L"'edge'"), L"''edge''");
    EXPECT_EQ(mss_escape_literal(L"'"), L"''");
    EXPECT_EQ(mss_escape_literal(L"plain"), L"plain");
    EXPECT_EQ(mss_escape_literal(L""), L"");
}

// Every character arrives, and no line inside a literal reads as a client
// command, nor does any "$(" read as a variable.
TEST(mss_text_literal_test, keeps_every_character_and_no_client_command)
{
    const std::wstring zero(1, L'\0');
    const std::wstring long_text(2001, L'x');
    struct {
        std::wstring text;
        bool unicode;
        std::wstring literal;
    } cases[] = {
        {L"O'Brien", true, L"N'O''Brien'"},
        {L"O'Brien", false, L"'O''Brien'"},
        {L"abc" + zero + L"def", true, L"N'abc' + NCHAR(0) + N'def'"},
        {zero, false, L"'' + CHAR(0) + ''"},
        {L"x\r\nGO\r\ny", true, L"N'x\r\n' + N'GO\r\ny'"},
        {L"x\n  go 5\ny", false, L"'x\n' + '  go 5\ny'"},
        {L"x\rGo", true, L"N'x\r' + N'Go'"},
        {L"GO\r\nx\r\nno GO", true, L"N'GO\r\nx\r\nno GO'"},
        {L"a\r\n", true, L"N'a\r\n'"},
        {long_text + zero, true, L"CAST(N'' AS NVARCHAR(MAX)) + N'" + long_text + L"' + NCHAR(0) + N''"},
        {long_text + L"\nGO", false, L"CAST('' AS VARCHAR(MAX)) + '" + long_text + L"\n' + 'GO'"},
        {long_text + L"\n", false, L"'" + long_text + L"\n'"},
        {L"x\n:r f", true, L"N'x\n' + N':r f'"},
        {L"x\r\n !! ls", false, L"'x\r\n' + ' !! ls'"},
        {L"x\nEXIT\n\tquit\r\nreset(\rEd\nbye\nversion 2", true,
         L"N'x\n' + N'EXIT\n' + N'\tquit\r\n' + N'reset(\r' + N'Ed\n' + N'bye\n' + N'version 2'"},
        {L"x\nedit\nexited\nquits\n!x\n_go", true, L"N'x\nedit\nexited\nquits\n!x\n_go'"},
        {L"$(x)", true, L"N'$' + N'(x)'"},
        {L"a $ (b) $$(", false, L"'a $ (b) $$' + '('"},
        {L"$5 O'", true, L"N'$5 O'''"},
        {long_text + L"$(", false, L"CAST('' AS VARCHAR(MAX)) + '" + long_text + L"$' + '('"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mss_text_literal(c.text, c.unicode), c.literal);
        // The UTF-8 form agrees.
        std::string text;
        ASSERT_TRUE(WideCharToMultiByte(CP_UTF8, c.text, text));
        std::string literal = "prefix ";
        mss_append_text_literal(literal, text, c.unicode);
        EXPECT_EQ(literal, "prefix " + tk_unicode_to_utf8(c.literal));
    }
}

// A text written in parts is never cut among the blanks and first letters of
// a line, which decide whether the line must be broken, nor between "$" and
// the character after it.
TEST(mss_literal_part_end_test, never_cuts_what_starts_a_line)
{
    struct {
        std::wstring text;
        std::size_t step;
        bool line_start;
        std::size_t end;
    } cases[] = {
        {L"abcdef", 3, false, 3},
        {L"ab\ngo xxxxxxxx", 3, false, 11},
        {L"ab\n \tgo xxxxxxxx", 4, false, 13},
        {L"ab\ngo", 4, false, 5},
        {L"  go xxxxxxxx", 1, true, 10},
        {L"  go x", 1, false, 1},
        {L"ab\n\n go xxxxxxxx", 3, false, 11},
        {L"x\r\ngo", 2, false, 2},
        {L"xy\rgo", 3, false, 5},
        {L"ab", 5, false, 2},
        {L"ab\nversionxxxx", 5, false, 11},
        {L"abcdefghijkl\nexitxxxxxxxx", 15, false, 21},
        {L"ab\nexitxxxxxxxxxxxx", 12, false, 12},
        {L"ab$(cd", 3, false, 4},
        {L"ab$$(cd", 3, false, 5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mss_literal_part_end(c.text, 0, c.step, c.line_start), c.end) << tk_unicode_to_utf8(c.text);
        EXPECT_EQ(mss_literal_part_end(tk_unicode_to_utf8(c.text), 0, c.step, c.line_start), c.end);
    }
}

struct split_case {
    const wchar_t* name;
    const wchar_t* table;
    const wchar_t* owner;
};

void PrintTo(const split_case& c, std::ostream* os)
{
    *os << test_label(c.name);
}

class mss_split_test : public testing::TestWithParam<split_case> {
protected:
    mss_engine engine;
};

TEST_P(mss_split_test, splits_table_and_owner)
{
    std::wstring table = L"stale";
    std::wstring owner = L"stale";
    mss_split_tab_name(GetParam().name, table, owner);
    EXPECT_EQ(table, GetParam().table);
    EXPECT_EQ(owner, GetParam().owner);
}

INSTANTIATE_TEST_SUITE_P(
    mss, mss_split_test,
    testing::Values(split_case{L"[dbo].[orders]", L"orders", L"dbo"}, split_case{L"sales.orders", L"orders", L"sales"},
                    split_case{L"[orders]", L"orders", L""}, split_case{L"ab", L"ab", L""},
                    split_case{L"[a].[b].[c]", L"b].[c", L"a"}, split_case{L"[dbo].orders", L"orders", L"[dbo]"},
                    split_case{L"[a.b]", L"a.b", L""}, split_case{L"[s]].x].[t]]y]", L"t]y", L"s].x"}));

TEST(mss_table_names_test, simplify_joins_without_brackets)
{
    mss_engine engine;
    EXPECT_EQ(mss_simplify_tab_name(L"[dbo].[orders]", L'.'), L"dbo.orders");
    EXPECT_EQ(mss_simplify_tab_name(L"[orders]", L'.'), L"orders");
}

TEST(mss_table_names_test, plain_names_need_the_engine)
{
    std::wstring table;
    std::wstring owner;
    EXPECT_THROW(mss_split_tab_name(L"orders", table, owner), tk_mail_assertion);
}

TEST(mss_index_names_test, unique_index_names_avoid_existing_ones)
{
    udb_recordset table(L"t");
    EXPECT_EQ(gen_idx_name(&table, {L"a", L"b"}), L"UIDX_a_b");
    table.indexes.push_back(udb_index(L"uidx_A_B", true, false));
    EXPECT_EQ(gen_idx_name(&table, {L"a", L"b"}), L"UIDX_a_b_00000");
    table.indexes.push_back(udb_index(L"UIDX_a_b_00000", true, false));
    EXPECT_EQ(gen_idx_name(&table, {L"a", L"b"}), L"UIDX_a_b_00001");
    EXPECT_THROW(gen_idx_name(nullptr, {L"a"}), tk_mail_assertion);
    // Made of source names, a name is mended as they are.
    EXPECT_EQ(gen_idx_name(&table, {L"c\nGO", L"$(x)"}), L"UIDX_c_GO__(x)");
}

TEST(mss_index_names_test, generated_index_names_count_up)
{
    const std::wstring first = gen_idx_name2();
    ASSERT_EQ(first.rfind(L"IDX_", 0), 0u);
    const auto number = std::stoull(first.substr(4));
    EXPECT_EQ(gen_idx_name2(), L"IDX_" + std::to_wstring(number + 1));
}

class mss_safe_tname_test : public testing::Test {
protected:
    mss_engine engine;
};

TEST_F(mss_safe_tname_test, plain_name_goes_to_dbo_or_the_login)
{
    EXPECT_EQ(mss_engine::get_safe_tname(L"orders"), L"[dbo].[orders]");
    engine.user = L"SA";
    EXPECT_EQ(mss_engine::get_safe_tname(L"orders"), L"[dbo].[orders]");
    engine.user = L"maria";
    EXPECT_EQ(mss_engine::get_safe_tname(L"orders"), L"[maria].[orders]");
    engine.as_dbo = true;
    EXPECT_EQ(mss_engine::get_safe_tname(L"orders"), L"[dbo].[orders]");
}

TEST_F(mss_safe_tname_test, owner_of_the_name_wins)
{
    engine.user = L"maria";
    EXPECT_EQ(mss_engine::get_safe_tname(L"sales.orders"), L"[sales].[orders]");
    EXPECT_EQ(mss_engine::get_safe_tname(L"[dbo].[orders]"), L"[dbo].[orders]");
}

TEST_F(mss_safe_tname_test, brackets_inside_names_stay_valid)
{
    EXPECT_EQ(mss_engine::get_safe_tname(L"x]"), L"[dbo].[x]]]");
    EXPECT_EQ(mss_engine::get_safe_tname(L"s.a]b"), L"[s].[a]]b]");
    EXPECT_EQ(mss_engine::get_safe_tname(mss_engine::get_safe_tname(L"s.a]b")), L"[s].[a]]b]");
}

TEST(mss_safe_tname_without_engine_test, raises_internal_error)
{
    EXPECT_THROW(mss_engine::get_safe_tname(L"ab"), tk_mail_assertion);
}

TEST(mss_version_code_test, reads_the_release_year)
{
    struct version_case {
        const wchar_t* text;
        std::int32_t code;
    };
    const version_case cases[] = {
        {L"Microsoft SQL Server 2019 (RTM-CU18) (KB5017593) - 15.0.4261.1", 15},
        {L"Microsoft SQL Server 2022 (RTM) - 16.0.1000.6 (X64)", 18},
        {L"Microsoft SQL Server 2008 R2 (SP2) - 10.50.4000.0", 5},
        {L"Microsoft SQL Server 2000 - 8.00.2039 (Intel X86)", 3},
        {L"Microsoft SQL Server  7.00 - 7.00.623 (Intel X86)", 2},
        {L"Microsoft SQL Server vNext - 17.0 (X64)", 1},
        {L"Microsoft SQL Server 2019", 1},
        {L"Microsoft SQL Azure (RTM) - 12.0.2000.8", 100},
        {L"Running Microsoft SQL Server 2019 (RTM) - 15.0", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mss_engine::get_version_code(c.text), c.code) << testing::PrintToString(std::wstring(c.text));
}

TEST(mss_fk_props_test, accepts_a_delete_action_an_update_action_or_both)
{
    EXPECT_TRUE(mss_engine::is_valid_fk_props(L"on delete cascade on update no action"));
    EXPECT_TRUE(mss_engine::is_valid_fk_props(L"ON UPDATE SET NULL ON DELETE CASCADE"));
    EXPECT_TRUE(mss_engine::is_valid_fk_props(L"ON DELETE CASCADE"));
    EXPECT_TRUE(mss_engine::is_valid_fk_props(L"on update set null"));
    EXPECT_FALSE(mss_engine::is_valid_fk_props(L"ON DELETE CASCADE ON DELETE SET NULL"));
    EXPECT_FALSE(mss_engine::is_valid_fk_props(L"ON DELETE RESTRICT"));
    EXPECT_FALSE(mss_engine::is_valid_fk_props(L"ON DELETE CASCADE  ON UPDATE NO ACTION"));
    EXPECT_FALSE(mss_engine::is_valid_fk_props(L"ON DELETE CASCADE ON UPDATE RESTRICT"));
}

TEST(mss_oledb_type_test, maps_exact_type_names)
{
    EXPECT_EQ(mss_get_oledb_type(L"int"), 3);
    EXPECT_EQ(mss_get_oledb_type(L"uniqueidentifier"), 72);
    EXPECT_EQ(mss_get_oledb_type(L"datetime2"), 135);
    EXPECT_EQ(mss_get_oledb_type(L"INT"), 130);
    EXPECT_EQ(mss_get_oledb_type(L"geometry"), 130);
}

}  // namespace
