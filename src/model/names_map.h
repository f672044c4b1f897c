// Source and destination names of the tables and fields that were renamed on
// the way to the destination, and the rewriting of SQL texts that name them.
#pragma once

#include <map>
#include <string>

using udb_name_pairs = std::map<std::wstring, std::wstring>;

class udb_names_map {
public:
    void add_tn_mapping(const std::wstring& source, const std::wstring& destination);
    void add_fn_map(const std::wstring& table, const udb_name_pairs& map);

    std::wstring get_tn_mapped_name(const std::wstring& name, bool case_sensitive = false) const;
    std::wstring get_fn_mapped_name(const std::wstring& table, const std::wstring& field) const;
    std::wstring get_fn_orig_name(const std::wstring& table, const std::wstring& field,
                                  bool case_sensitive = false) const;

    // Replaces every whole-word occurrence (ignoring case) of each source name
    // of `map` by its destination name, wrapped in prefix and suffix.
    static std::wstring do_global_replace2(const std::wstring& text, const udb_name_pairs& map,
                                           const std::wstring& prefix, const std::wstring& suffix);
    // The same with the table names, then with each table's field names.
    std::wstring do_global_replace1(const std::wstring& text, const std::wstring& prefix,
                                    const std::wstring& suffix) const;

    udb_name_pairs tables;
    std::map<std::wstring, udb_name_pairs> fields;
};
