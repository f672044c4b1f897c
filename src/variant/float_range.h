// Narrowing a double to float without undefined behaviour.
#pragma once

#include <cmath>
#include <limits>

// Beyond the float range a value becomes the infinity of its sign.
inline float narrow_to_float(double value)
{
    constexpr float infinity = std::numeric_limits<float>::infinity();
    if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
        return value > 0 ? infinity : -infinity;
    return static_cast<float>(value);
}
