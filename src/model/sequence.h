// A sequence of a database.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class udb_sequence {
public:
    udb_sequence(const std::wstring& name, std::int32_t start, std::int32_t increment, std::int32_t minimum,
                 std::int32_t maximum, bool cycle);

    std::wstring name;
    std::int32_t increment;
    std::int32_t start;
    std::int32_t minimum;
    std::int32_t maximum;
    bool cycle;
};

using udb_sequences = std::vector<udb_sequence>;
