#include "variant/scientific_text.h"

#include "variant/padded_digits.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

namespace {

using u128 = unsigned __int128;

constexpr std::uint64_t ten_to_16 = 10'000'000'000'000'000ULL;
constexpr std::uint64_t ten_to_17 = 100'000'000'000'000'000ULL;
// Scales the value by at most this power of ten either way: the exact
// product must stay within 128 bits.
constexpr int largest_scale = 22;

constexpr std::array<u128, largest_scale + 1> powers_of_ten = [] {
    std::array<u128, largest_scale + 1> powers{};
    powers[0] = 1;
    for (std::size_t i = 1; i < powers.size(); ++i)
        powers[i] = powers[i - 1] * 10;
    return powers;
}();

// The same powers as doubles, which hold every one of them exactly.
constexpr std::array<double, largest_scale + 1> exact_powers = [] {
    std::array<double, largest_scale + 1> powers{};
    for (std::size_t i = 0; i < powers.size(); ++i)
        powers[i] = static_cast<double>(powers_of_ten[i]);
    return powers;
}();

// Rounds quotient + remainder / divisor to an integer, ties to even.
std::uint64_t round_even(std::uint64_t quotient, u128 remainder, u128 divisor)
{
    const u128 twice = remainder * 2;
    if (twice > divisor || (twice == divisor && (quotient & 1) != 0))
        ++quotient;
    return quotient;
}

// mantissa * 2^binary * 10^scale rounded to an integer, when the exact value
// fits the arithmetic here; false otherwise.
bool scaled(std::uint64_t mantissa, int binary, int scale, std::uint64_t& result)
{
    if (scale > largest_scale || -scale > largest_scale)
        return false;
    if (scale >= 0) {
        const u128 product = static_cast<u128>(mantissa) * powers_of_ten[scale];
        if (binary >= 0) {
            if (binary > 10 || (product >> (64 - binary)) != 0)
                return false;
            result = static_cast<std::uint64_t>(product << binary);
            return true;
        }
        const int shift = -binary;
        if (shift >= 128)
            return false;
        const u128 quotient = product >> shift;
        if ((quotient >> 64) != 0)
            return false;
        const u128 remainder = product & ((static_cast<u128>(1) << shift) - 1);
        result = round_even(static_cast<std::uint64_t>(quotient), remainder, static_cast<u128>(1) << shift);
        return true;
    }
    // A value of 10^17 or more is an integer: binary >= 0.
    if (binary < 0 || binary > 74)
        return false;
    const u128 whole = static_cast<u128>(mantissa) << binary;
    const u128 divisor = powers_of_ten[-scale];
    const u128 quotient = whole / divisor;
    if ((quotient >> 64) != 0)
        return false;
    result = round_even(static_cast<std::uint64_t>(quotient), whole % divisor, divisor);
    return true;
}

}  // namespace

char* scientific_17(double value, char* out)
{
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    if (biased == 0 || biased == 0x7ff)
        return nullptr;
    const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int binary = biased - 1075;
    // The value lies in [2^(binary+52), 2^(binary+53)): its decimal exponent
    // is this estimate or one more.
    int decimal = ((binary + 52) * 78913) >> 18;
    // Settled here where the next power of ten is exact, else by scaling.
    if (decimal + 1 >= 0 && decimal + 1 < static_cast<int>(exact_powers.size()) &&
        std::fabs(value) >= exact_powers[decimal + 1])
        ++decimal;
    std::uint64_t digits = 0;
    if (!scaled(mantissa, binary, 16 - decimal, digits))
        return nullptr;
    if (digits >= ten_to_17) {
        ++decimal;
        if (!scaled(mantissa, binary, 16 - decimal, digits))
            return nullptr;
    }
    if (digits < ten_to_16)
        return nullptr;
    // Rounding up may carry into an eighteenth digit.
    if (digits == ten_to_17) {
        digits = ten_to_16;
        ++decimal;
    }
    if ((bits >> 63) != 0)
        *out++ = '-';
    // digits holds seventeen: one before the point, sixteen after it.
    const std::uint64_t fraction = digits % ten_to_16;
    *out++ = static_cast<char>('0' + digits / ten_to_16);
    *out++ = '.';
    out = put_padded(out, static_cast<unsigned>(fraction / 100'000'000), 8);
    out = put_padded(out, static_cast<unsigned>(fraction % 100'000'000), 8);
    *out++ = 'e';
    *out++ = decimal < 0 ? '-' : '+';
    const unsigned magnitude = static_cast<unsigned>(decimal < 0 ? -decimal : decimal);
    return put_padded(out, magnitude, 2);
}
