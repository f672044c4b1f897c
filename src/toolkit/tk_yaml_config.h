// Key-and-item list files: a line "key:" opens a key, each following line
// "- item" adds an item (UTF-8) to it; other lines are ignored. Used for the
// lists of MS SQL types that ship beside the program.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

class tk_yaml_config {
public:
    using item_map = std::map<std::string, std::vector<std::wstring>>;

    // Adds the file's items, in file order, to their keys; items equal to a
    // member of the filter are left out. False when the file cannot be opened.
    bool load(const char* file_name, const std::set<std::wstring>& filter);

    const item_map& get_items() const { return m_items; }

private:
    item_map m_items;
};
