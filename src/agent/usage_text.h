// The text corvath prints when its command line is wrong or --help is given.
#pragma once

#include <string>

inline constexpr int corvath_version_major = 8;
inline constexpr int corvath_version_minor = 3;

// The usage text with the program's version in its first line; no line end
// after the last line.
std::string format_usage_text();
