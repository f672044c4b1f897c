// The text file behind the registry stand-in:
//   [Software\Maker\Product]
//   "name"=dword:0000002a
//   "other"="text with \"quotes\", \\ and \n escaped"
//   "raw"=unterminated:"text stored without its terminating zero"
// Lines that do not parse are skipped; ';' starts a comment line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry_file {

struct value {
    std::string name;
    std::uint32_t type = 0;    // REG_DWORD or REG_SZ
    std::uint32_t number = 0;  // REG_DWORD
    std::string text;          // REG_SZ, UTF-8
    // A string can be stored without its terminating zero, and is then read
    // back without one.
    bool terminated = true;
};

struct key {
    std::string path;
    std::vector<value> values;
};

using hive = std::vector<key>;

hive parse(std::string_view contents);
std::string format(const hive& keys);

// A missing file is an empty hive. Both return a Windows error code.
std::uint32_t load(const std::string& file, hive& keys);
// Writes a temporary file beside the target with mode 0600, then renames it.
std::uint32_t save(const std::string& file, const hive& keys);

}  // namespace platform::registry_file
