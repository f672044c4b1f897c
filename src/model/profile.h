// A profile file (".bwk") in memory: sections of key=value pairs, kept in file
// order with repeated keys allowed, and sections of bare item lines.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

using udb_profile_pairs = std::vector<std::pair<std::wstring, std::wstring>>;

class udb_profile {
public:
    udb_profile();

    void add_section(const std::wstring& name);
    // Appends the pair; an earlier pair with the same key stays.
    void set_value(const std::wstring& section, const std::wstring& key, const std::wstring& value);
    void add_item(const std::wstring& section, const std::wstring& item);

    // The first value of that key (exact comparison); empty when absent.
    std::wstring get_value(const std::wstring& section, const std::wstring& key) const;
    bool has_value(const std::wstring& section, const std::wstring& key) const;
    std::vector<std::wstring>& get_items(const std::wstring& section);

    udb_profile_pairs& get_queries();
    udb_profile_pairs& get_selected_tables();
    udb_profile_pairs& get_selected_views();

    // Adds what the file holds; false when the file cannot be opened, holds
    // no section or a line stands before the first section, with the cause
    // in load_error.
    // A missing file raises tk_exception.
    bool load(const std::wstring& path);
    // False when the file cannot be created; write errors raise std::ios_base::failure.
    bool store(const std::wstring& path) const;

    // The file line each item was read from (from 1), by section.
    std::size_t item_line(const std::wstring& section, std::size_t index) const;

    std::map<std::wstring, udb_profile_pairs> keys;
    std::map<std::wstring, std::vector<std::wstring>> items;
    // Why the profile could not be used: "line <n>: <cause>" where a line is
    // to blame. Set by load and by the readers of its sections.
    std::wstring load_error;

private:
    udb_profile_pairs& existing_section(const std::wstring& name);

    std::map<std::wstring, std::vector<std::size_t>> m_item_lines;
};

inline constexpr const wchar_t* udb_section_queries = L"Available Queries";
inline constexpr const wchar_t* udb_section_tables = L"Selected Tables";
inline constexpr const wchar_t* udb_section_views = L"Selected Views";
inline constexpr const wchar_t* udb_section_generic = L"Generic settings";
