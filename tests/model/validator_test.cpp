#include "model/validator.h"

#include "toolkit/tk_exception.h"

#include <gtest/gtest.h>

namespace {

// Destinations fill the lists in their own validators.
class test_validator : public udb_validator {
public:
    explicit test_validator(std::uint32_t max_length) : udb_validator(max_length) {}
};

TEST(udb_validator_test, long_name_is_cut_then_numbered)
{
    test_validator validator(10);
    EXPECT_EQ(validator.get_safe_name(L"CustomerOrders"), L"customero");

    validator.add_existing_name(L"customero");
    EXPECT_EQ(validator.get_safe_name(L"CustomerOrders"), L"cust00000");
    validator.add_existing_name(L"CUST00000");
    EXPECT_EQ(validator.get_safe_name(L"CustomerOrders"), L"cust00001");
}

TEST(udb_validator_test, restricted_word_is_numbered)
{
    test_validator validator(0);
    validator.restricted_words.push_back(L"Order");
    EXPECT_FALSE(validator.is_acceptable(L"ORDER"));
    EXPECT_EQ(validator.get_safe_name(L"order"), L"order00000");
}

TEST(udb_validator_test, illegal_characters_become_underscores)
{
    test_validator validator(0);
    validator.illegal_chars = {L'-', L' '};
    EXPECT_FALSE(validator.is_acceptable(L"first-name"));
    EXPECT_EQ(validator.get_safe_name(L"First-Name x"), L"first_name_x");
}

TEST(udb_validator_test, acceptable_length_and_duplicates)
{
    test_validator validator(5);
    EXPECT_TRUE(validator.is_acceptable(L"abcde"));
    EXPECT_FALSE(validator.is_acceptable(L"abcdef"));

    EXPECT_FALSE(validator.is_duplicated(L"Name"));
    validator.add_existing_name(L"name");
    EXPECT_TRUE(validator.is_duplicated(L"NAME"));
}

TEST(udb_validator_test, running_out_of_numbers_is_an_internal_error)
{
    test_validator validator(0);
    validator.illegal_chars = {L'0', L'1', L'2', L'3', L'4', L'5', L'6', L'7', L'8', L'9'};
    validator.add_existing_name(L"t");
    EXPECT_THROW(validator.get_safe_name(L"t"), tk_mail_assertion);
}

}  // namespace
