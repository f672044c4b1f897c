#include "mssql/default_expressions.h"

#include <gtest/gtest.h>

namespace {

TEST(mss_default_expression, takes_what_has_a_sure_counterpart_and_nothing_else)
{
    struct {
        const wchar_t* expression;
        VARTYPE vartype;
        const wchar_t* tsql;  // null: left out
    } cases[] = {
        {L"uuid()", VT_BSTR, L"NEWID()"},
        {L"UUID()", VT_BSTR, L"NEWID()"},
        {L"uuid()", VT_I4, nullptr},
        {L"rand()", VT_R8, L"RAND()"},
        {L"rand()", VT_BSTR, L"RAND()"},
        {L"rand()", VT_DATE, nullptr},
        {L"(1 + 1)", VT_I4, L"(1 + 1)"},
        {L"1 + 1", VT_BSTR, L"(1 + 1)"},
        {L"((2 * 3.5) - 1)", VT_R8, L"((2 * 3.5) - 1)"},
        {L"(1 + 1)", VT_DATE, nullptr},
        {L"(1 + 1)", ole_vt_bytes, nullptr},
        {L"(1 + 1)", VT_BOOL, nullptr},
        {L"current_timestamp()", VT_BSTR, L"GETDATE()"},
        {L"current_timestamp(6)", VT_BSTR, L"GETDATE()"},
        {L"curdate()", VT_BSTR, L"CAST(GETDATE() AS DATE)"},
        {L"current_timestamp()", VT_I4, nullptr},
        {L"'abc'", VT_BSTR, L"N'abc'"},
        {L"concat('a','b')", VT_BSTR, nullptr},
        {L"'a' || 'b'", VT_BSTR, nullptr},
        {L"current_timestamp() + interval 1 day", VT_DATE, nullptr},
        {L"current_timestamp() + interval 1 day", VT_BSTR, nullptr},
        {L"`a` + 1", VT_I4, nullptr},
        {L"1; DROP TABLE t", VT_I4, nullptr},
        {L"nextval(`s`)", VT_I8, nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<std::wstring> tsql = mss_default_expression(c.expression, c.vartype, true);
        if (c.tsql == nullptr)
            EXPECT_FALSE(tsql) << c.expression << " -> " << (tsql ? *tsql : L"");
        else
            EXPECT_EQ(tsql.value_or(L"<none>"), c.tsql) << c.expression;
    }
}

}  // namespace
