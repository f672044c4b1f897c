#include "mssql/view_rewriter.h"

#include "test_label.h"

#include <gtest/gtest.h>

namespace {

struct rewrite_case {
    const wchar_t* mysql;
    const wchar_t* tsql;
};

void PrintTo(const rewrite_case& c, std::ostream* os)
{
    *os << test_label(c.mysql);
}

class mss_refine_view_test : public testing::TestWithParam<rewrite_case> {};

TEST_P(mss_refine_view_test, rewrites_to_tsql)
{
    EXPECT_EQ(refine_view(GetParam().mysql), GetParam().tsql);
}

INSTANTIATE_TEST_SUITE_P(
    mss, mss_refine_view_test,
    testing::Values(
        rewrite_case{L"", L""}, rewrite_case{L"select `a` from `t`", L"select [a] from [t]"},
        rewrite_case{L"select `a]b`, `c``d` from t", L"select [a]]b], [c`d] from t"},
        rewrite_case{L"select now() as n", L"select getdate() as n"},
        rewrite_case{L"select NOW ( ) as n", L"select getdate( ) as n"},
        rewrite_case{L"select isnull(x)", L"select (x) is null"},
        rewrite_case{L"select from_unixtime(`t`.`c`)", L"select DateAdd(ss,([t].[c]),'01-01-1970')"},
        rewrite_case{L"select curdate()", L"select cast(getdate() as date)"},
        rewrite_case{L"select curtime()", L"select convert(time, getdate())"},
        rewrite_case{L"select ifnull(a,b), IFNULL(c,d)", L"select isnull(a,b), ISNULL(c,d)"},
        // Each open call keeps its own closing text.
        rewrite_case{L"select isnull(curdate())", L"select (cast(getdate() as date)) is null"},
        rewrite_case{L"select from_unixtime(isnull(x) + 1)", L"select DateAdd(ss,((x) is null + 1),'01-01-1970')"},
        // After a line break or an operator the function is still a function.
        rewrite_case{L"select\n1+now()", L"select\n1+getdate()"},
        // Words that merely begin like a function or an introducer stay.
        rewrite_case{L"select nowait, nowhere(1), _cpu, _utf8x from t",
                     L"select nowait, nowhere(1), _cpu, _utf8x from t"},
        rewrite_case{L"select t.now(), @now, now from t", L"select t.now(), @now, now from t"},
        rewrite_case{L"select _utf8mb4'abc', _latin1 'x', _cp1251'y'", L"select 'abc', 'x', 'y'"},
        // Literals are copied, with MySQL's backslash escapes turned into T-SQL.
        rewrite_case{L"select 'now() `x` ifnull(a)'", L"select 'now() `x` ifnull(a)'"},
        rewrite_case{L"select 'it\\'s', 'a\\\\b', 'o''k' from t", L"select 'it''s', 'a\\b', 'o''k' from t"},
        rewrite_case{L"select 'a\\nb', '\\t\\r\\Z\\\"', 'x\\%\\_y'", L"select 'a\nb', '\t\r\x1A\"', 'x\\%\\_y'"},
        rewrite_case{L"select 'a\\0b', 'x\\nGO\\ny'", L"select 'a' + CHAR(0) + 'b', 'x\n' + 'GO\ny'"},
        // Nothing of the text reads as a client command: names holding line
        // breaks or "$(" are mended as the run mends the tables and columns.
        rewrite_case{L"select 'a\\n:r x', '$(y)' AS `c\nGO\n$(z)` from `t\r\nexit`",
                     L"select 'a\n' + ':r x', '$' + '(y)' AS [c_GO__(z)] from [t__exit]"},
        // Letters beyond ASCII keep their code: the literal is a Unicode one.
        rewrite_case{L"select _utf8mb4'\u65e5\u672c' AS `j`, N'x', 'K\u00f6ln'",
                     L"select N'\u65e5\u672c' AS [j], N'x', N'K\u00f6ln'"}));

// The current date and time in every spelling the server writes back into
// a view: MariaDB stores NOW() as current_timestamp(), NOW(3) with its precision.
INSTANTIATE_TEST_SUITE_P(
    mss_time, mss_refine_view_test,
    testing::Values(rewrite_case{L"select current_timestamp() AS `n`", L"select getdate() AS [n]"},
                    rewrite_case{L"select current_timestamp(3), now(6), CURRENT_TIMESTAMP from t",
                                 L"select getdate(), getdate(), getdate() from t"},
                    rewrite_case{L"select curdate() AS `d`, current_date(), current_date",
                                 L"select cast(getdate() as date) AS "
                                 L"[d], cast(getdate() as date), "
                                 L"cast(getdate() as date)"},
                    rewrite_case{L"select curtime(3), current_time() from t",
                                 L"select convert(time, getdate()), convert(time, getdate()) from t"},
                    rewrite_case{L"select sysdate(), localtime(), localtimestamp, utc_timestamp() from t",
                                 L"select getdate(), getdate(), getdate(), getutcdate() from t"},
                    rewrite_case{L"select utc_date(), utc_time() from t",
                                 L"select cast(getutcdate() as date), convert(time, getutcdate()) from t"},
                    rewrite_case{L"select current_timestamp() - interval 1 day", L"select getdate() - interval 1 day"},
                    // Names and literals that merely spell one stay.
                    rewrite_case{L"select `now`, 'current_timestamp()', t.current_date from t",
                                 L"select [now], 'current_timestamp()', t.current_date from t"}));

TEST(mss_refine_view_tables, a_renamed_table_is_read_under_the_name_it_got)
{
    const mss_view_table_names renamed = [](const std::wstring& name) -> std::optional<std::wstring> {
        if (name == L"odd\nGO")
            return std::wstring(L"[dbo].[_odd_GO]");
        return std::nullopt;
    };
    EXPECT_EQ(refine_view(L"select `odd\nGO`.`odd\nGO` AS `odd\nGO`,`odd_GO`.`id` AS `id` from (`odd\nGO` join "
                          L"`odd_GO`)",
                          renamed),
              L"select [dbo].[_odd_GO].[odd_GO] AS [odd_GO],[odd_GO].[id] AS [id] from ([dbo].[_odd_GO] join "
              L"[odd_GO])");
    EXPECT_EQ(refine_view(L"select `x`.`a` AS `a` from `odd\nGO` `x`", renamed),
              L"select [x].[a] AS [a] from [dbo].[_odd_GO] [x]");
}

TEST(mss_icomparer_test, compares_ignoring_case_at_a_position)
{
    const icomparer now(L"now");
    EXPECT_EQ(now.compare(L"x NOW()", 2), 0);
    EXPECT_NE(now.compare(L"x nox()", 2), 0);
    EXPECT_EQ(now.compare(L"x no", 2), -1);
}

}  // namespace
