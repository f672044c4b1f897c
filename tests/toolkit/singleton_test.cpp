#include "toolkit/tk_log.h"
#include "toolkit/tk_singleton.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct engine_stand_in : tk_singleton<engine_stand_in> {};

// The assertion text codes "file\line" as two hexadecimal digits per character.
std::string decode_assertion(const char* text)
{
    const std::string prefix = "Internal error: \ncode=";
    std::string coded = std::string(text).substr(prefix.size());
    std::string decoded;
    for (std::size_t i = 0; i + 1 < coded.size(); i += 2)
        decoded += static_cast<char>(std::stoi(coded.substr(i, 2), nullptr, 16));
    return decoded;
}

TEST(tk_singleton_test, first_object_wins_and_any_destruction_clears)
{
    tk_logger first(nullptr, 0, 3, 0);
    {
        tk_logger second(nullptr, 0, 2, 0);
        EXPECT_EQ(&tk_singleton<tk_logger>::ref(), &first);
    }
    EXPECT_FALSE(tk_singleton<tk_logger>::is_initialized());
    EXPECT_THROW(tk_singleton<tk_logger>::instance(), tk_mail_assertion);
}

TEST(tk_singleton_test, asking_for_a_missing_instance_is_an_internal_error)
{
    ASSERT_FALSE(tk_singleton<engine_stand_in>::is_initialized());
    try {
        tk_singleton<engine_stand_in>::ref();
        FAIL();
    } catch (const tk_mail_assertion& assertion) {
        EXPECT_EQ(assertion.get_code(), 2u);
        EXPECT_EQ(decode_assertion(assertion.what()), "..\\TK/tk_singl\\64");
    }
    try {
        tk_singleton<engine_stand_in>::instance();
        FAIL();
    } catch (const tk_mail_assertion& assertion) {
        EXPECT_EQ(decode_assertion(assertion.what()), "..\\TK/tk_singl\\71");
    }

    engine_stand_in engine;
    EXPECT_EQ(&tk_singleton<engine_stand_in>::instance(), &engine);
}

}  // namespace
