#include "mssql/identifier_validators.h"

#include "model/schema.h"
#include "test_label.h"
#include "toolkit/tk_exception.h"

#include <gtest/gtest.h>

namespace {

TEST(mss_validator_test, accepts_names_starting_with_a_letter_or_underscore)
{
    mss_tn_validator validator({}, {});
    EXPECT_TRUE(validator.is_acceptable(L"Order"));
    EXPECT_TRUE(validator.is_acceptable(L"_x"));
    EXPECT_TRUE(validator.is_acceptable(L"Ärger"));
    EXPECT_TRUE(validator.is_acceptable(L"[1st]"));
    EXPECT_FALSE(validator.is_acceptable(L"1st"));
    EXPECT_FALSE(validator.is_acceptable(L"#t"));
    EXPECT_THROW(validator.is_acceptable(L""), tk_mail_assertion);
}

TEST(mss_validator_test, safe_names_rotate_prefixes)
{
    mss_tn_validator validator({L"t", L"T"}, {L"_t"});
    EXPECT_EQ(validator.get_safe_name(L"t"), L"1_t");
    EXPECT_EQ(validator.get_safe_name(L"free"), L"free");
    mss_tn_validator crowded({L"x", L"_x", L"1_x", L"_1_x", L"2_1_x", L"_2_1_x"}, {});
    EXPECT_EQ(crowded.get_safe_name(L"x"), L"3_2_1_x");
}

// A name that a T-SQL client would read as a command is no safe name: its
// line breaks become "_" and its "$(" "_(", made unique as any other name.
TEST(mss_validator_test, names_holding_client_commands_are_mended)
{
    mss_tn_validator validator({L"a_GO_b"}, {});
    for (const wchar_t* name : {L"a\nGO", L"a\rb", L"[a\r\nb]", L"$(x)", L"x$(y)"})
        EXPECT_FALSE(validator.is_acceptable(name)) << test_label(name);
    EXPECT_TRUE(validator.is_acceptable(L"costs $ (x) $x"));
    EXPECT_EQ(validator.get_safe_name(L"a\nGO\r\nb"), L"a_GO__b");
    EXPECT_EQ(validator.get_safe_name(L"a\nGO\nb"), L"_a_GO_b");
    EXPECT_EQ(validator.get_safe_name(L"$(x)$$(y)"), L"_(x)$_(y)");
}

TEST(mss_validator_test, column_validator_records_only_acceptable_names)
{
    udb_schema schema(true);
    schema.push_back(new t_ftd(4, L"id", VT_I4, true, false, ole_variant()));
    schema.push_back(new t_ftd(4, L"2nd", VT_I4, false, false, ole_variant()));
    mss_fn_validator validator(schema);
    EXPECT_TRUE(validator.is_duplicated(L"ID"));
    EXPECT_FALSE(validator.is_duplicated(L"2nd"));
    schema.reset();
}

}  // namespace
