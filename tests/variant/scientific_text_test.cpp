#include "variant/scientific_text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

std::string reference(double value)
{
    char text[64];
    char* end = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 16).ptr;
    return std::string(text, end);
}

// The fast printing, or the reference where it declines.
std::string printed(double value)
{
    char text[scientific_17_room];
    char* end = scientific_17(value, text);
    return end == nullptr ? reference(value) : std::string(text, end);
}

}  // namespace

TEST(scientific_17, prints_what_the_general_printing_prints)
{
    std::vector<double> values = {1.0,
                                  -1.0,
                                  0.1,
                                  1.0 / 3,
                                  142857.14285714287,
                                  2.5,
                                  1e16,
                                  1e17,
                                  1e-6,
                                  9.999e-7,
                                  1e22,
                                  1e23,
                                  3e38,
                                  1.7e38,
                                  1e39,
                                  0.0,
                                  -0.0,
                                  5e-324,
                                  1.7976931348623157e308,
                                  INFINITY,
                                  -INFINITY,
                                  NAN,
                                  99999999999999999.0,
                                  9.9999999999999999e16,
                                  0.30000000000000004,
                                  123456789012345678.0,
                                  4503599627370497.5};
    // Powers of two end in a 5 at the eighteenth digit: ties, rounded to even.
    for (int exponent = -60; exponent <= 140; ++exponent)
        values.push_back(std::ldexp(1.0, exponent));
    // Both sides of every power of ten in and beyond the fast range.
    for (int exponent = -10; exponent <= 42; ++exponent) {
        const double power = std::pow(10.0, exponent);
        values.push_back(power);
        values.push_back(std::nextafter(power, 0.0));
        values.push_back(std::nextafter(power, INFINITY));
    }
    std::mt19937_64 random(20261211);
    // Odd multiples of 2^-s whose decimal exponent is 17 - s end in a 5 at
    // the eighteenth digit: exact ties between two seventeen-digit texts.
    for (int s = 1; s <= 23; ++s) {
        const double low = std::ldexp(std::pow(10.0, 17 - s), s);
        for (int i = 0; i < 50 && low + 2 * i + 1 < 0x1p53; ++i)
            values.push_back(std::ldexp(std::floor(low / 2) * 2 + 2 * i + 1, -s));
    }
    for (int i = 0; i < 200000; ++i) {
        values.push_back(std::bit_cast<double>(random()));
        values.push_back(std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 200) - 120));
        values.push_back(static_cast<double>(i) / 7.0);
    }
    for (double value : values)
        ASSERT_EQ(printed(value), reference(value)) << std::bit_cast<std::uint64_t>(value);
}

TEST(scientific_17, declines_what_it_does_not_print)
{
    char text[scientific_17_room];
    for (double value : {0.0, 5e-324, 1e-300, 1e300, static_cast<double>(INFINITY), static_cast<double>(NAN)})
        EXPECT_EQ(scientific_17(value, text), nullptr) << value;
    EXPECT_NE(scientific_17(142857.14285714287, text), nullptr);
}
