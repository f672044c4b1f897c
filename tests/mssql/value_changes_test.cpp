#include "mssql/value_changes.h"

#include "model/column_descriptor.h"
#include "script/script_test_support.h"
#include "variant/ole_variant.h"

#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <string>

namespace {

t_ftd exact_column(std::int32_t precision, std::int32_t scale, const std::wstring& native_type = {})
{
    t_ftd column(0, L"amount", VT_DECIMAL, false, false, ole_variant(), 0, native_type);
    column.precision = precision;
    column.scale = scale;
    return column;
}

const t_ftd double_column(0, L"reading", VT_R8, false, false, ole_variant());
const t_ftd wide_decimal = exact_column(50, 5);

struct float_case {
    const char* label;
    ole_variant value;
    const t_ftd& column;
    double written;
    // The value read and the value written as the note gives them; none
    // when the value arrives as it was read.
    std::optional<std::pair<std::wstring, std::wstring>> note;
};

TEST(mss_float_value, writes_what_a_float_column_holds_and_notes_what_differs_from_the_value_read)
{
    mss_test::recording_error_handler handler;
    const float_case cases[] = {
        {"a double within the range", ole_variant(1.5), double_column, 1.5, std::nullopt},
        {"zero", ole_variant(0.0), double_column, 0.0, std::nullopt},
        {"the smallest written", ole_variant(2.23e-308), double_column, 2.23e-308, std::nullopt},
        {"the largest written", ole_variant(1.79e308), double_column, 1.79e308, std::nullopt},
        {"a subnormal", ole_variant(5e-324), double_column, 2.23e-308, {{L"5e-324", L"2.23e-308"}}},
        {"just below the range", ole_variant(-2.2e-308), double_column, -2.23e-308, {{L"-2.2e-308", L"-2.23e-308"}}},
        {"the largest double",
         ole_variant(-1.7976931348623157e308),
         double_column,
         -1.79e308,
         {{L"-1.7976931348623157e+308", L"-1.79e+308"}}},
        {"not a number",
         ole_variant(std::numeric_limits<double>::quiet_NaN()),
         double_column,
         -1.79e308,
         {{L"nan", L"-1.79e+308"}}},
        {"a short decimal text", ole_variant(std::wstring(L"0.10000")), wide_decimal, 0.1, std::nullopt},
        {"a negative zero text", ole_variant(std::wstring(L"-0.00000")), wide_decimal, 0.0, std::nullopt},
        {"a wide power of ten", ole_variant(std::wstring(L"100000000000000000000000000000000000000000.00000")),
         wide_decimal, 1e41, std::nullopt},
        {"a wide decimal text",
         ole_variant(std::wstring(L"123456789012345678901234567890123456789012.12345")),
         wide_decimal,
         1.2345678901234568e41,
         {{L"123456789012345678901234567890123456789012.12345", L"1.2345678901234568e+41"}}},
        {"a decimal of 22 digits",
         ole_variant::from_wstring(L"1234567890123456789012.5", VT_DECIMAL),
         wide_decimal,
         1.2345678901234568e21,
         {{L"1234567890123456789012.5", L"1.2345678901234568e+21"}}},
    };
    for (const float_case& tested : cases) {
        ASSERT_TRUE(mss_is_float_value(tested.value, tested.column)) << tested.label;
        EXPECT_EQ(mss_float_value(tested.value, tested.column), tested.written) << tested.label;
        const auto noted = handler.take_noted_values();
        if (!tested.note) {
            EXPECT_TRUE(noted.empty()) << tested.label;
            continue;
        }
        ASSERT_EQ(noted.size(), 1u) << tested.label;
        EXPECT_EQ(noted[0].column, tested.column.name) << tested.label;
        EXPECT_EQ(noted[0].read, tested.note->first) << tested.label;
        EXPECT_EQ(noted[0].written, tested.note->second) << tested.label;
    }
}

TEST(mss_float_value, only_doubles_and_exact_numbers_of_float_columns_go_through_a_double)
{
    const ole_variant text(std::wstring(L"1.5"));
    EXPECT_TRUE(mss_is_float_value(text, exact_column(39, 0)));
    EXPECT_TRUE(mss_is_float_value(text, exact_column(0, 0)));
    EXPECT_FALSE(mss_is_float_value(text, exact_column(38, 10)));
    EXPECT_FALSE(mss_is_float_value(text, exact_column(0, 2)));
    EXPECT_FALSE(mss_is_float_value(text, exact_column(50, 5, L"nvarchar(80)")));
    EXPECT_FALSE(mss_is_float_value(ole_variant(std::int32_t{1}), double_column));
}

}  // namespace
