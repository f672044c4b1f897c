// Maps the error numbers of exceptions to the texts the user sees. The texts
// come from the owner's table.
#pragma once

#include <cstdint>
#include <map>
#include <string>

struct tk_error_map_row {
    std::uint32_t code;
    const char* text;
};

class tk_error_converter {
public:
    tk_error_converter(std::uint32_t row_count, const tk_error_map_row* rows);

    // Adds the rows in order; a code already present keeps its first text.
    void load_map(std::uint32_t row_count, const tk_error_map_row* rows);
    // The text of the code, or an empty text for a code not in the map.
    std::string convert(std::uint32_t code) const;

private:
    std::map<std::uint32_t, std::string> m_texts;
};
