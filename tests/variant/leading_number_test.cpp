#include "variant/leading_number.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

// Whatever way a text is read, the result is the C library's.
TEST(leading_number, reads_every_text_as_the_c_library_does)
{
    const std::string texts[] = {"0",
                                 "-0",
                                 "42",
                                 "-42",
                                 "+42",
                                 " 42",
                                 "42abc",
                                 "abc",
                                 "",
                                 "1.5",
                                 "-1.5e-3",
                                 "1e308",
                                 "1e309",
                                 "-1e309",
                                 "4.9e-324",
                                 "1e-400",
                                 "0x1p3",
                                 "1.",
                                 ".5",
                                 "inf",
                                 "9223372036854775807",
                                 "9223372036854775808",
                                 "-9223372036854775808",
                                 "-9223372036854775809",
                                 "18446744073709551615",
                                 "18446744073709551616",
                                 "-1",
                                 std::string("12\0"
                                             "34",
                                             5),
                                 "0.1000000000000000055511151231257827"};
    for (const std::string& text : texts) {
        EXPECT_EQ(leading_int64(text), std::strtoll(text.c_str(), nullptr, 10)) << text;
        EXPECT_EQ(leading_uint64(text), std::strtoull(text.c_str(), nullptr, 10)) << text;
        const double expected = std::strtod(text.c_str(), nullptr);
        const double read = leading_double(text);
        EXPECT_EQ(std::memcmp(&expected, &read, sizeof expected), 0) << text;
    }
    std::mt19937_64 random(7);
    char text[64];
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = random();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isnan(value))
            continue;
        std::snprintf(text, sizeof text, i % 2 == 0 ? "%.17g" : "%.9g", value);
        const double expected = std::strtod(text, nullptr);
        const double read = leading_double(text);
        ASSERT_EQ(std::memcmp(&expected, &read, sizeof expected), 0) << text;
        std::snprintf(text, sizeof text, "%" PRId64, static_cast<std::int64_t>(bits));
        ASSERT_EQ(leading_int64(text), std::strtoll(text, nullptr, 10)) << text;
    }
}

}  // namespace
