// System message texts of error numbers, as FormatMessageA gives them from the
// system table: each text ends with "\r\n".
#pragma once

#include <cstdint>
#include <string>

// False (and the last error ERROR_MR_MID_NOT_FOUND) for a number without a text.
bool FormatMessageA(std::uint32_t error, std::string& text);

inline constexpr std::uint32_t ERROR_MR_MID_NOT_FOUND = 317;
